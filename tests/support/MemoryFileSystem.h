#pragma once

#include "RacingFileSystem.h"

#include <QByteArray>
#include <QMap>

#include <functional>

#include <map>
#include <memory>
#include <set>

// A whole file system in memory: folders, files, symbolic links and FIFOs below "/", reached
// through handles as the real one is through descriptors and with the same rules, so the
// extraction fuzzer runs without touching a disk. Only paths (the extract directory, the
// archive) follow links. A name that the writers should never hand on (empty, ".", "..", or
// holding "/" or character 0) is counted in badNames and refused.
class MemoryFileSystem : public RacingFileSystem
{
public:
    MemoryFileSystem();
    ~MemoryFileSystem() override;

    // Build the tree; each returns false when the path's folder is missing or the name taken.
    bool addFolder(const QByteArray &path);
    bool addFile(const QByteArray &path, const QByteArray &content, bool readOnly = false);
    bool addLink(const QByteArray &path, const QByteArray &target);
    bool addFifo(const QByteArray &path);
    // Moves or removes whatever path names, as another process may while an export runs.
    bool move(const QByteArray &from, const QByteArray &to);
    bool removeTree(const QByteArray &path);

    // Every node by path: "d" folder, "f" + content, "r" + content (read-only), "l" + target,
    // "p" FIFO.
    QMap<QByteArray, QByteArray> snapshot() const;
    int openHandles() const { return int(m_handles.size()); }
    int badNames = 0;

    Status openChosenFolder(const QByteArray &path, int &fd) override;
    Status openFolder(int folder, const QByteArray &name, int &fd) override;
    // Unsupported, so the writers' own walk is what runs.
    Status openBeneath(int folder, const QByteArray &path, int &fd) override;
    // No watches either: every entry's folder is walked to afresh.
    int openWatch() override { return -1; }
    Status info(int folder, const QByteArray &name, Info &out) override;
    bool info(int fd, Info &out) override;
    bool list(int folder, std::vector<Listed> &out) override;
    // A copy of the file's bytes in a descriptor of its own (memfd).
    Status openFile(int folder, const QByteArray &name, int &fd) override;
    bool truncate(int fd, qint64 size) override;
    bool isWritable(int folder, const QByteArray &name) override;
    Status createFolder(int folder, const QByteArray &name) override;
    // A copy of the file in a descriptor of its own (memfd), the same file for every open of
    // the same node, which archives are read through.
    bool openArchive(const QByteArray &path, ArchiveFile &archive) override;
    Status createFile(int folder, const QByteArray &name, int &fd) override;
    Status createTemporaryFile(int folder, QByteArray &name, int &fd) override;
    Status createUnnamedFile(int folder, int &fd) override;
    // A real descriptor (memfd), as a file's copy is.
    Status createScratchFile(int &fd) override;
    bool linkFile(int fd, int folder, const QByteArray &name) override;
    // Nothing to flush, and no owners or permissions but read-only.
    bool sync(int) override { return true; }
    bool setOwner(int, qint64, qint64) override { return true; }
    bool setPermissions(int, quint32) override { return true; }
    qint64 write(int fd, const char *data, qint64 size) override;
    qint64 copyRange(int from, qint64 pos, int to, qint64 size) override;
    bool close(int fd) override;
    bool rename(int folder, const QByteArray &from, const QByteArray &to) override;
    bool remove(int folder, const QByteArray &name) override;

private:
    struct Node;
    using NodePtr = std::shared_ptr<Node>;

    NodePtr resolve(const QByteArray &path, bool followLast) const;
    QByteArray pathOf(const Node &node) const;
    bool add(const QByteArray &path, NodePtr node);
    // The folder behind a handle, with name checked; null with errno set otherwise.
    Node *folderOf(int handle, const QByteArray &name);
    // What name stands for in that folder; null with errno set when nothing (or the folder is
    // bad, parent then null too).
    NodePtr lookup(int handle, const QByteArray &name, Node *&parent);
    // A new node of kind named name in parent, the folder behind handle.
    NodePtr attach(int handle, Node &parent, const QByteArray &name, Kind kind);
    Status failWith(int error);
    int open(NodePtr node);
    void fill(const Node &node, Info &out) const;

    NodePtr m_root;
    std::map<int, NodePtr> m_handles;
    // Handles count from far above the process's own descriptors, so the two never meet.
    static constexpr int kFirstHandle = 1 << 24;
    int m_nextHandle = kFirstHandle;
    std::map<int, NodePtr> m_copies; // the files opened for reading, by their memfd
    std::set<int> m_scratch; // memfd
    quint64 m_nextInode = 1;
    int m_nextTemporary = 0;
    std::map<quint64, int> m_archives; // memfd by inode
};
