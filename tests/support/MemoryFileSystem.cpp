#include "MemoryFileSystem.h"

#include <cerrno>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

struct MemoryFileSystem::Node
{
    Kind kind = Kind::Folder;
    bool readOnly = false;
    quint64 inode = 0;
    QByteArray content; // a file's bytes or a link's target
    std::map<QByteArray, NodePtr> children;
    std::weak_ptr<Node> parent;
};

MemoryFileSystem::MemoryFileSystem() : m_root(std::make_shared<Node>())
{
    m_root->inode = m_nextInode++;
}

MemoryFileSystem::~MemoryFileSystem()
{
    for (const auto &[inode, fd] : m_archives)
        ::close(fd);
}

QByteArray MemoryFileSystem::pathOf(const Node &node) const
{
    const NodePtr parent = node.parent.lock();
    if (!parent)
        return {};
    for (const auto &[name, child] : parent->children)
        if (child.get() == &node)
            return pathOf(*parent) + '/' + name;
    return {}; // moved or removed since
}

bool MemoryFileSystem::move(const QByteArray &from, const QByteArray &to)
{
    const NodePtr node = resolve(from, false);
    const NodePtr parent = node ? node->parent.lock() : nullptr;
    if (!parent || !add(to, node))
        return false;
    parent->children.erase(from.mid(from.lastIndexOf('/') + 1));
    return true;
}

bool MemoryFileSystem::removeTree(const QByteArray &path)
{
    const NodePtr node = resolve(path, false);
    const NodePtr parent = node ? node->parent.lock() : nullptr;
    return parent && parent->children.erase(path.mid(path.lastIndexOf('/') + 1)) == 1;
}

MemoryFileSystem::NodePtr MemoryFileSystem::resolve(const QByteArray &path, bool followLast) const
{
    NodePtr current = m_root;
    QByteArrayList parts = path.split('/');
    int links = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray &part = parts.at(i);
        if (part.isEmpty() || part == ".")
            continue;
        if (current->kind != Kind::Folder)
            return nullptr;
        if (part == "..") {
            if (NodePtr up = current->parent.lock())
                current = up;
            continue;
        }
        const auto it = current->children.find(part);
        if (it == current->children.end())
            return nullptr;
        NodePtr next = it->second;
        if (next->kind == Kind::Link && (followLast || i + 1 < parts.size())) {
            if (++links > 40)
                return nullptr;
            // The rest of the path goes on from the link's target.
            QByteArrayList rest = next->content.split('/');
            rest += parts.mid(i + 1);
            if (!next->content.startsWith('/'))
                rest.prepend(".");
            else
                current = m_root;
            parts = rest;
            i = -1;
            continue;
        }
        current = next;
    }
    return current;
}

bool MemoryFileSystem::add(const QByteArray &path, NodePtr node)
{
    const qsizetype slash = path.lastIndexOf('/');
    const NodePtr folder = resolve(path.left(slash), true);
    const QByteArray name = path.mid(slash + 1);
    if (!folder || folder->kind != Kind::Folder || name.isEmpty() || folder->children.count(name))
        return false;
    if (node->inode == 0)
        node->inode = m_nextInode++;
    node->parent = folder;
    folder->children[name] = std::move(node);
    return true;
}

bool MemoryFileSystem::addFolder(const QByteArray &path)
{
    return add(path, std::make_shared<Node>());
}

bool MemoryFileSystem::addFile(const QByteArray &path, const QByteArray &content, bool readOnly)
{
    auto node = std::make_shared<Node>();
    node->kind = Kind::File;
    node->content = content;
    node->readOnly = readOnly;
    return add(path, node);
}

bool MemoryFileSystem::addLink(const QByteArray &path, const QByteArray &target)
{
    auto node = std::make_shared<Node>();
    node->kind = Kind::Link;
    node->content = target;
    return add(path, node);
}

bool MemoryFileSystem::addFifo(const QByteArray &path)
{
    auto node = std::make_shared<Node>();
    node->kind = Kind::Fifo;
    return add(path, node);
}

QMap<QByteArray, QByteArray> MemoryFileSystem::snapshot() const
{
    QMap<QByteArray, QByteArray> nodes;
    const std::function<void(const Node &, const QByteArray &)> walk
        = [&](const Node &folder, const QByteArray &path) {
              for (const auto &[name, child] : folder.children) {
                  const QByteArray childPath = path + '/' + name;
                  switch (child->kind) {
                  case Kind::Folder:
                      nodes[childPath] = "d";
                      walk(*child, childPath);
                      break;
                  case Kind::File:
                      nodes[childPath] = (child->readOnly ? "r" : "f") + child->content;
                      break;
                  case Kind::Link:
                      nodes[childPath] = "l" + child->content;
                      break;
                  default:
                      nodes[childPath] = "p";
                      break;
                  }
              }
          };
    walk(*m_root, QByteArray());
    return nodes;
}

FileSystem::Status MemoryFileSystem::failWith(int error)
{
    errno = error;
    return statusFromErrno(error);
}

int MemoryFileSystem::open(NodePtr node)
{
    const int handle = m_nextHandle++;
    m_handles[handle] = std::move(node);
    return handle;
}

void MemoryFileSystem::fill(const Node &node, Info &out) const
{
    out.kind = node.kind;
    out.identity = { 1, node.inode };
    out.size = node.kind == Kind::File ? node.content.size() : 0;
}

MemoryFileSystem::Node *MemoryFileSystem::folderOf(int handle, const QByteArray &name)
{
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/')
        || name.contains('\0')) {
        ++badNames;
        errno = EINVAL;
        return nullptr;
    }
    const auto it = m_handles.find(handle);
    if (it == m_handles.end()) {
        errno = EBADF;
        return nullptr;
    }
    if (it->second->kind != Kind::Folder) {
        errno = ENOTDIR;
        return nullptr;
    }
    return it->second.get();
}

MemoryFileSystem::NodePtr MemoryFileSystem::lookup(int handle, const QByteArray &name,
                                                   Node *&parent)
{
    parent = folderOf(handle, name);
    if (!parent)
        return nullptr;
    const auto it = parent->children.find(name);
    if (it == parent->children.end()) {
        errno = ENOENT;
        return nullptr;
    }
    return it->second;
}

MemoryFileSystem::NodePtr MemoryFileSystem::attach(int handle, Node &parent, const QByteArray &name,
                                                   Kind kind)
{
    auto node = std::make_shared<Node>();
    node->kind = kind;
    node->inode = m_nextInode++;
    node->parent = m_handles[handle];
    parent.children[name] = node;
    return node;
}

FileSystem::Status MemoryFileSystem::openChosenFolder(const QByteArray &path, int &fd)
{
    const NodePtr node = resolve(path, true);
    if (!node)
        return failWith(ENOENT);
    if (node->kind != Kind::Folder)
        return failWith(ENOTDIR);
    fd = open(node);
    return Status::Ok;
}

FileSystem::Status MemoryFileSystem::openFolder(int folder, const QByteArray &name, int &fd)
{
    if (beforeOpenFolder && m_handles.count(folder))
        beforeOpenFolder(pathOf(*m_handles[folder]) + '/' + name);
    Node *parent;
    const NodePtr node = lookup(folder, name, parent);
    if (!node)
        return failWith(errno);
    if (node->kind != Kind::Folder)
        return failWith(ENOTDIR); // a link too: never followed
    fd = open(node);
    return Status::Ok;
}

FileSystem::Status MemoryFileSystem::openBeneath(int, const QByteArray &, int &fd)
{
    fd = -1;
    return failWith(ENOSYS);
}

FileSystem::Status MemoryFileSystem::info(int folder, const QByteArray &name, Info &out)
{
    Node *parent;
    const NodePtr node = lookup(folder, name, parent);
    if (!node)
        return failWith(errno);
    fill(*node, out);
    return Status::Ok;
}

bool MemoryFileSystem::info(int fd, Info &out)
{
    const auto it = m_handles.find(fd);
    if (it != m_handles.end()) {
        fill(*it->second, out);
        return true;
    }
    const auto copy = m_copies.find(fd);
    if (copy == m_copies.end())
        return FileSystem::info(fd, out); // an archive's copy (openArchive)
    fill(*copy->second, out);
    return true;
}

bool MemoryFileSystem::list(int folder, std::vector<Listed> &out)
{
    const auto it = m_handles.find(folder);
    if (it == m_handles.end() || it->second->kind != Kind::Folder) {
        errno = it == m_handles.end() ? EBADF : ENOTDIR;
        return false;
    }
    for (const auto &[name, child] : it->second->children)
        out.push_back({ name, child->kind, child->inode });
    return true;
}

FileSystem::Status MemoryFileSystem::openFile(int folder, const QByteArray &name, int &fd)
{
    Node *parent;
    const NodePtr node = lookup(folder, name, parent);
    if (!node)
        return failWith(errno);
    if (node->kind != Kind::File)
        return failWith(node->kind == Kind::Link ? ELOOP : EISDIR);
    // A copy of the bytes in a descriptor of its own, which reads by position as a file does.
    fd = ::memfd_create("file", MFD_CLOEXEC);
    const QByteArray &content = node->content;
    if (fd < 0 || ::pwrite(fd, content.constData(), size_t(content.size()), 0) != content.size())
        return failWith(errno);
    m_copies[fd] = node;
    return Status::Ok;
}

bool MemoryFileSystem::truncate(int fd, qint64 size)
{
    if (m_scratch.count(fd))
        return FileSystem::truncate(fd, size);
    const auto it = m_handles.find(fd);
    if (it == m_handles.end() || it->second->kind != Kind::File) {
        errno = EBADF;
        return false;
    }
    it->second->content.truncate(size);
    return true;
}

bool MemoryFileSystem::isWritable(int folder, const QByteArray &name)
{
    Node *parent;
    const NodePtr node = lookup(folder, name, parent);
    return node && !node->readOnly;
}

FileSystem::Status MemoryFileSystem::createFolder(int folder, const QByteArray &name)
{
    Node *parent = folderOf(folder, name);
    if (!parent)
        return failWith(errno);
    if (parent->children.count(name))
        return failWith(EEXIST);
    attach(folder, *parent, name, Kind::Folder);
    return Status::Ok;
}

bool MemoryFileSystem::openArchive(const QByteArray &path, ArchiveFile &archive)
{
    archive.close();
    const NodePtr node = resolve(path, true);
    if (!node || node->kind != Kind::File) {
        errno = node ? EINVAL : ENOENT; // anything but a file is refused, as the real one does
        return false;
    }
    int &fd = m_archives[node->inode];
    if (fd == 0) {
        fd = ::memfd_create("archive", MFD_CLOEXEC);
        const QByteArray &content = node->content;
        if (fd < 0 || ::pwrite(fd, content.constData(), size_t(content.size()), 0) < 0)
            return false;
    }
    return archive.adopt(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
}

FileSystem::Status MemoryFileSystem::createFile(int folder, const QByteArray &name, int &fd)
{
    Node *parent = folderOf(folder, name);
    if (!parent)
        return failWith(errno);
    if (parent->children.count(name))
        return failWith(EEXIST); // a dangling link as well
    fd = open(attach(folder, *parent, name, Kind::File));
    return Status::Ok;
}

FileSystem::Status MemoryFileSystem::createTemporaryFile(int folder, QByteArray &name, int &fd)
{
    const QByteArray candidate
        = ".quillon-" + QByteArray::number(m_nextTemporary++).rightJustified(10, '0');
    const Status status = createFile(folder, candidate, fd);
    if (status == Status::Ok)
        name = candidate;
    return status;
}

FileSystem::Status MemoryFileSystem::createUnnamedFile(int folder, int &fd)
{
    const auto it = m_handles.find(folder);
    if (it == m_handles.end() || it->second->kind != Kind::Folder)
        return failWith(it == m_handles.end() ? EBADF : ENOTDIR);
    auto node = std::make_shared<Node>();
    node->kind = Kind::File;
    node->inode = m_nextInode++;
    fd = open(node);
    return Status::Ok;
}

FileSystem::Status MemoryFileSystem::createScratchFile(int &fd)
{
    fd = ::memfd_create("scratch", MFD_CLOEXEC);
    if (fd < 0)
        return failWith(errno);
    m_scratch.insert(fd);
    return Status::Ok;
}

bool MemoryFileSystem::linkFile(int fd, int folder, const QByteArray &name)
{
    Node *parent = folderOf(folder, name);
    const auto it = m_handles.find(fd);
    if (!parent || it == m_handles.end() || parent->children.count(name)) {
        errno = !parent ? errno : it == m_handles.end() ? EBADF : EEXIST;
        return false;
    }
    it->second->parent = m_handles[folder];
    parent->children[name] = it->second;
    return true;
}

qint64 MemoryFileSystem::write(int fd, const char *data, qint64 size)
{
    if (m_scratch.count(fd))
        return FileSystem::write(fd, data, size);
    const auto it = m_handles.find(fd);
    if (it == m_handles.end() || it->second->kind != Kind::File || it->second->readOnly) {
        errno = EBADF;
        return -1;
    }
    it->second->content.append(data, size);
    return size;
}

qint64 MemoryFileSystem::copyRange(int, qint64, int, qint64)
{
    errno = ENOSYS;
    return -1;
}

bool MemoryFileSystem::close(int fd)
{
    if (fd >= kFirstHandle)
        return m_handles.erase(fd) == 1;
    m_copies.erase(fd);
    m_scratch.erase(fd);
    return ::close(fd) == 0; // a file's copy in memory, or a scratch file
}

bool MemoryFileSystem::rename(int folder, const QByteArray &from, const QByteArray &to)
{
    Node *parent = folderOf(folder, from);
    if (!parent || !folderOf(folder, to))
        return false;
    const auto source = parent->children.find(from);
    if (source == parent->children.end()) {
        errno = ENOENT;
        return false;
    }
    const auto target = parent->children.find(to);
    if (target != parent->children.end() && target->second->kind == Kind::Folder) {
        errno = EISDIR;
        return false;
    }
    NodePtr node = source->second;
    parent->children.erase(source);
    parent->children[to] = std::move(node);
    return true;
}

bool MemoryFileSystem::remove(int folder, const QByteArray &name)
{
    Node *parent;
    const NodePtr node = lookup(folder, name, parent);
    if (node && node->kind == Kind::Folder)
        errno = EISDIR;
    else if (node)
        parent->children.erase(name);
    return node && node->kind != Kind::Folder;
}
