#pragma once

#include "archive/ArchiveFile.h"
#include "archive/NamePattern.h"
#include "fs/FileSystem.h"
#include "fs/FolderWalk.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The files and folders a new archive takes, found below one folder (the root). Everything is
// reached from the root's descriptor one name at a time and never through a symbolic link; FIFOs,
// sockets and devices are never opened. Each file and folder is known by the name it is stored
// under: its path below the root with "\" between folders, in Windows-1252, sorted bytewise,
// so the archive's order never depends on how the file system lists a folder, and every folder
// comes before what it holds. Whatever cannot be added is reported with its path and a reason,
// once, and left out: links, FIFOs, sockets, devices, and names the archive cannot hold or an
// extraction would refuse. Left out without a word: what the exclusions match, and hidden files
// named as this program names its temporary files, which a create killed outright leaves.
class SourceTree
{
public:
    // path: below the root, native bytes with "/" between folders.
    using Reporter = std::function<void(const QByteArray &path, const QString &reason)>;

    SourceTree(FileSystem &fs, Reporter reporter);
    ~SourceTree();
    SourceTree(const SourceTree &) = delete;
    SourceTree &operator=(const SourceTree &) = delete;

    // Opens the root; 0, or the errno of the failure.
    int openRoot(const QByteArray &path);
    // A file never added whatever its name: the archive being written, and the one it replaces.
    void skip(const ArchiveFile::Identity &file) { m_skipped.push_back(file); }
    // Takes names holding control characters too, for update: an archive may hold such names,
    // and extracting it writes them. The caller refuses those it has no entry for.
    void keepControlNames() { m_keepControls = true; }
    // Whether item i's name holds a control character, and why create refuses such a name.
    bool holdsControl(qsizetype i) const;
    static QString controlRefusal();
    // Leaves out what the patterns match, by its stored name; a folder is not walked at all.
    void exclude(const QList<NamePattern> &patterns);
    // Finds the size of every file as it is added, for bytes(); a call for each file more.
    void setMeasuring(bool measuring) { m_measuring = measuring; }
    // Adds each path below the root with the folders on its way and, for a folder, everything
    // below it; everything below the root when there are none. Absolute paths and paths with a
    // ".." are refused. Then sorts what was found and drops what was found twice.
    void add(const QByteArrayList &paths);

    qsizetype count() const { return qsizetype(m_items.size()); }
    // The files' bytes, when measuring.
    qint64 bytes() const { return m_bytes; }
    // The paths given to add() that could not be found or read at all, each reported.
    qsizetype missing() const { return m_missing; }
    QByteArray name(qsizetype i) const
    {
        return m_names.mid(m_items[size_t(i)].start, m_items[size_t(i)].size);
    }
    bool isFolder(qsizetype i) const { return m_items[size_t(i)].folder; }
    // The path below the root, as the file system names it.
    QByteArray path(qsizetype i) const;
    // The bytes of every item's record in the directory.
    qint64 recordsSize() const;

    // Opens item i, a file, for reading once it has checked that it is still the regular file
    // that was found: the descriptor, or -1 with why set (empty when the file is skipped).
    int open(qsizetype i, QString &why);

    // The stored form of one name of the file system, or empty with why set; with controls,
    // a control character is no reason.
    static QByteArray storedName(const QByteArray &native, QString &why, bool controls = false);

private:
    struct Item
    {
        qsizetype start;
        qsizetype size;
        bool folder;
    };

    void addPath(const QByteArray &path);
    // Reports a path given to add() that is not there or cannot be read.
    void reportMissing(const QByteArray &path, const QString &why);
    bool isExcluded(const QByteArray &stored);
    // Adds what folder lists as found, at path; stored holds the stored name of the folder and
    // becomes the stored name of what was found. Returns whether it is a folder to walk; a
    // refusal is reported.
    bool addFound(int folder, const FileSystem::Listed &found, const QByteArray &path,
                  QByteArray &stored);
    // given: path was given to add(), and must be read.
    void walk(QByteArray path, QByteArray stored, bool given);
    void addItem(const QByteArray &stored, bool folder);
    // The folder at path below the root (empty: the root itself), never through a link; false
    // with why set where it cannot be reached.
    bool reach(const QByteArray &path, FileSystem::Descriptor &out, QString &why);
    bool isSkipped(const ArchiveFile::Identity &file) const;
    void sort();

    FileSystem &m_fs;
    Reporter m_report;
    std::unique_ptr<FolderWalk> m_walk; // from the root
    std::vector<ArchiveFile::Identity> m_skipped;
    bool m_keepControls = false;
    struct Exclusions;
    std::unique_ptr<Exclusions> m_excluded;
    bool m_measuring = false;
    qint64 m_bytes = 0;
    qsizetype m_missing = 0;
    QByteArray m_names;
    std::vector<Item> m_items;
    // The folder of the file opened last, kept for the next one, which is often in it too.
    QByteArray m_openPath;
    FileSystem::Descriptor m_openFolder;
};
