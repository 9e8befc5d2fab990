#pragma once

#include "FileSystem.h"

#include <QByteArray>
#include <QString>

#include <optional>

class OutputTracker;

// The file a new archive is written to, beside the archive it may replace, which takes the
// archive's name only once it is complete and on the disk. The archive's folder is opened once
// and everything happens inside it. The file has no name while it is written (O_TMPFILE), so
// whatever ends the process, SIGKILL and a power cut included, nothing is left of it; only where
// the file system cannot make such a file is it a hidden temporary file, which the tracker
// (SignalCleanup) removes when a signal stops the command.
//
// commit() gives the new file the old archive's permissions and owner, flushes it, puts it in
// place (linked to the name when nothing had it; otherwise linked to a hidden name for as long
// as a rename over the old archive takes) and flushes the folder: after a crash the archive is
// the old one or the new one, never a mix and never empty. Until commit() has put it in place,
// the destructor removes whatever was made, and the old archive is as it was.
class NewArchiveFile
{
public:
    NewArchiveFile(FileSystem &fs, OutputTracker *tracker);
    ~NewArchiveFile();
    NewArchiveFile(const NewArchiveFile &) = delete;
    NewArchiveFile &operator=(const NewArchiveFile &) = delete;

    // Opens the folder of path and looks at what has its name: nothing, or a regular file this
    // process may write, which the new archive is to replace. Empty, or why no archive can be
    // written there.
    QString open(const QByteArray &path);
    // The archive that is to be replaced, as open() found it.
    const std::optional<FileSystem::Info> &existing() const { return m_existing; }
    // The archive's folder and its name in it, once open.
    int folder() const { return m_folder.fd(); }
    const QByteArray &name() const { return m_name; }

    // Makes the file to write; false with errno set.
    bool create();
    // The descriptor to write the archive through, at its start.
    int handle() const { return m_fd.fd(); }

    // Puts the file in the archive's place as described above; false with errno set. A failure
    // before the rename leaves the old archive; one after it (flushing the folder) leaves the
    // new archive in place, unflushed.
    bool commit();

private:
    // The old archive's permissions and owner onto the new file, as far as this process may.
    bool keepAccess();
    // Links the unnamed file to a hidden name of its own.
    bool linkTemporary();
    // Tells the tracker of the hidden name, if any, with errno kept.
    void track();
    void hold();

    FileSystem &m_fs;
    OutputTracker *m_tracker;
    FileSystem::Descriptor m_folder;
    QByteArray m_name;
    std::optional<FileSystem::Info> m_existing;
    FileSystem::Descriptor m_fd;
    QByteArray m_temporary; // the name the new file has while it is not in place
};
