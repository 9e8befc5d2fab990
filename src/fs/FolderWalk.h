#pragma once

#include "FileSystem.h"
#include "archive/EntryFailure.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>

// Reaches folders below a chosen folder: the extract directory, or the folder create packs.
// The chosen folder is opened once, when the walk is made, and everything below it is reached
// from that descriptor: several levels in one step where the kernel can refuse links on the way
// itself, otherwise one name at a time, never through a symbolic link and never outside it.
//
// Folders reached are kept open for later entries only while a watch on every level shows that
// none has moved or gone since it was opened: at the first sign of a change all are dropped and
// walked to again, so a folder moved out of the chosen folder never receives a later entry. Each
// level is watched through its descriptor once opened, and kept only if its name in the level
// above still leads to it afterwards. A folder whose parent is kept is reached from it; the
// kept folder used longest ago makes room for a new one. Where there can be no watch, each
// entry's folder is walked to afresh.
class FolderWalk
{
public:
    enum class Outcome {
        Reached,
        // Only without make: a folder on the way is missing or is a file.
        Missing,
        // Only with make: a folder on the way could not be made or opened.
        FolderFailed,
        // The entry cannot go on: a link in the way, the extract directory gone, or any other
        // failure of a walk without make.
        Refused,
    };

    FolderWalk(FileSystem &fs, const QByteArray &extractDir);
    ~FolderWalk();
    FolderWalk(const FolderWalk &) = delete;
    FolderWalk &operator=(const FolderWalk &) = delete;

    // The errno of opening the extract directory; 0 when it is open.
    int destinationError() const { return m_destinationError; }

    // Opens folders, components below the extract directory, into out (the directory itself,
    // borrowed, when there are none). With make, each missing folder is made on the way; the
    // walk stops at the first that cannot be. Without make, out may borrow a kept folder, which
    // serves only until the next open().
    Outcome open(const QByteArrayList &folders, bool make, FileSystem::Descriptor &out);
    // Why the last open() did not reach its folder.
    const EntryFailure &failure() const { return m_why; }

private:
    // The folder reached and kept for an earlier entry, or reached level by level and kept now;
    // false where that cannot be done, and the ordinary walk is taken instead.
    bool openKept(const QByteArrayList &folders, FileSystem::Descriptor &out, Outcome &outcome);
    // Watches fd, just opened as name below folder, and tells whether name still leads to it.
    bool watchInPlace(int folder, const QByteArray &name, int fd);
    void forget();
    // Closes the kept folder handed out longest ago, to make room for another.
    void dropLeastUsed();
    // One level below folder, made first when missing and make is set.
    Outcome step(int folder, const QByteArray &name, bool make, bool top, int &fd);
    // Sorts out why name below folder could not be opened.
    Outcome failed(int folder, const QByteArray &name, bool make);

    FileSystem &m_fs;
    int m_root = -1;
    int m_destinationError = 0;
    // Cleared once the kernel cannot open several levels in one step.
    bool m_beneath = true;
    int m_watch = -1;
    bool m_canWatch = true;
    struct Kept
    {
        int fd;
        quint64 used; // when last handed out, by m_uses
    };
    QHash<QByteArray, Kept> m_kept; // by their components joined with "/"
    quint64 m_uses = 0;
    qsizetype m_maxKept;
    EntryFailure m_why;
};
