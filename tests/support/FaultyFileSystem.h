#pragma once

#include "extract/FileSystem.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>

// The real file system with faults switched on one at a time, for failures that a test running
// as root cannot provoke through permissions. It also records what it was asked to do.
class FaultyFileSystem : public FileSystem
{
public:
    // Faults.
    QByteArrayList refusedFolders; // createFolder on a path ending in one of these fails
    qint64 failWriteAfter = -1; // each file takes this many bytes, then write fails
    bool failCreateFile = false;
    bool failTemporaryFile = false;
    bool failClose = false;
    bool failRename = false;

    // Records.
    QByteArrayList folderCalls; // every createFolder path, in order
    int archiveOpens = 0;
    qint64 largestWrite = 0;

    Status createFolder(const QByteArray &path) override;
    Status openForReading(const QByteArray &path, int &fd) override;
    Status createFile(const QByteArray &path, int &fd) override;
    Status createTemporaryFile(const QByteArray &folder, QByteArray &path, int &fd) override;
    qint64 write(int fd, const char *data, qint64 size) override;
    // Refused as unsupported, so every byte goes through write() and its faults.
    qint64 copyRange(int from, qint64 pos, int to, qint64 size) override;
    bool close(int fd) override;
    bool rename(const QByteArray &from, const QByteArray &to) override;

private:
    QHash<int, qint64> m_written;
};
