#pragma once

#include "FileSystem.h"
#include "archive/EntryReader.h"

#include <QByteArray>

class OutputTracker;

// The file one entry is written to, inside one folder. A new file is made under its own name;
// where a file is already there, a hidden temporary file is made beside it and renamed over it
// only once the entry is complete. So a failed entry never leaves a partial file behind and
// never changes a file that was there: until commit() succeeds, the destructor removes what was
// made, whatever ended the entry (an exception included). The tracker, if any, knows of the
// file from its creation until it is committed or removed.
class OutputFile : public EntrySink
{
public:
    OutputFile(FileSystem &fs, OutputTracker *tracker, int folder, const QByteArray &name);
    ~OutputFile() override;
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Makes the file under its own name (AlreadyExists when something has that name), or, to
    // replace what has it, a temporary file beside it that takes its place on commit().
    FileSystem::Status create(bool replacing);

    bool write(const char *data, qint64 size) override;
    qint64 copyFrom(int fd, qint64 pos, qint64 size) override;
    // Closes the file and puts it in place; false with errno set when either fails.
    bool commit();
    // The descriptor being written, for writers that place bytes themselves.
    int handle() const { return m_fd.fd(); }

private:
    // Tells the tracker which file is being written, with errno kept.
    void track(bool writing);

    FileSystem &m_fs;
    OutputTracker *m_tracker;
    int m_folder;
    QByteArray m_name; // the entry's file
    QByteArray m_made; // what was made: the file, or the temporary beside it
    FileSystem::Descriptor m_fd;
    bool m_committed = false;
};
