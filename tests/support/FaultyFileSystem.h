#pragma once

#include "RacingFileSystem.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>

#include <functional>

// The real file system with faults switched on one at a time, for failures that a test running
// as root cannot provoke through permissions. It also records what it was asked to do.
class FaultyFileSystem : public RacingFileSystem
{
public:
    // Faults.
    QByteArrayList refusedFolders; // createFolder on a path ending in one of these fails
    QByteArrayList readOnly; // isWritable on a path ending in one of these is false
    qint64 failWriteAfter = -1; // each file takes this many bytes, then write fails
    bool failCreateFile = false;
    bool failTemporaryFile = false;
    bool failClose = false;
    bool failRename = false;
    bool failUnnamedFile = false; // as a file system without O_TMPFILE
    bool failSync = false;
    bool failSetOwner = false; // as for a process that is not root
    std::function<void()> beforeWatch; // before every watch, its folder open already: a race

    // Records.
    QByteArrayList folderCalls; // every createFolder path, in order
    QByteArrayList steps; // "sync", "link" and "rename", in order
    int archiveOpens = 0;
    qint64 largestWrite = 0;

    // The path a folder descriptor and a name inside it stand for.
    static QByteArray pathOf(int folder, const QByteArray &name);

    Status openFolder(int folder, const QByteArray &name, int &fd) override;
    Status openBeneath(int folder, const QByteArray &path, int &fd) override;
    bool isWritable(int folder, const QByteArray &name) override;
    Status createFolder(int folder, const QByteArray &name) override;
    bool openArchive(const QByteArray &path, ArchiveFile &archive) override;
    Status createFile(int folder, const QByteArray &name, int &fd) override;
    Status createTemporaryFile(int folder, QByteArray &name, int &fd) override;
    Status createUnnamedFile(int folder, int &fd) override;
    bool linkFile(int fd, int folder, const QByteArray &name) override;
    bool sync(int fd) override;
    bool setOwner(int fd, qint64 uid, qint64 gid) override;
    qint64 write(int fd, const char *data, qint64 size) override;
    // Refused as unsupported, so every byte goes through write() and its faults.
    qint64 copyRange(int from, qint64 pos, int to, qint64 size) override;
    bool close(int fd) override;
    bool watch(int watch, int fd) override;
    bool rename(int folder, const QByteArray &from, const QByteArray &to) override;

private:
    QHash<int, qint64> m_written;
};
