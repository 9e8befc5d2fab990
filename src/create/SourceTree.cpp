#include "SourceTree.h"

#include "archive/ArchiveBuilder.h"
#include "archive/EntryFailure.h"
#include "archive/EntryName.h"
#include "archive/SystemCall.h"
#include "compress/Windows1252.h"
#include "fs/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why a file of this mode is never added; empty for files and folders.
QString refusal(mode_t mode)
{
    if (S_ISLNK(mode))
        return QStringLiteral("symbolic link, not added");
    if (S_ISFIFO(mode))
        return QStringLiteral("FIFO, not added");
    if (S_ISSOCK(mode))
        return QStringLiteral("socket, not added");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("device, not added");
    return {};
}

} // namespace

SourceTree::SourceTree(FileSystem &fs, Reporter reporter) : m_fs(fs), m_report(std::move(reporter))
{ }

SourceTree::~SourceTree()
{
    for (const int fd : { m_root, m_openFolder })
        if (fd >= 0)
            ::close(fd);
}

int SourceTree::openRoot(const QByteArray &path)
{
    return m_fs.openChosenFolder(path, m_root) == FileSystem::Status::Ok ? 0 : errno;
}

QByteArray SourceTree::storedName(const QByteArray &native, QString &why)
{
    // Printable ASCII other than "\" is stored as it is: the common case, and the quick one.
    if (std::all_of(native.begin(), native.end(),
                    [](char c) { return c >= 0x20 && c < 0x7f && c != '\\'; }))
        return native;
    // Extraction writes a name back out as UTF-8, so only a name in UTF-8 comes back the same.
    const QString text = QString::fromUtf8(native);
    if (text.toUtf8() != native) {
        why = QStringLiteral("name is not valid UTF-8, not added");
        return {};
    }
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0)) {
            why = QStringLiteral("name holds a control character, not added");
            return {};
        }
        if (u == u'\\') {
            why = QStringLiteral("name holds a \"\\\", which would split it, not added");
            return {};
        }
    }
    const std::optional<QByteArray> bytes = Windows1252::encodeExactly(text);
    if (!bytes)
        why = QStringLiteral("name holds a character outside Windows-1252, not added");
    return bytes.value_or(QByteArray());
}

QByteArray SourceTree::path(qsizetype i) const
{
    return Windows1252::decode(name(i)).replace(u'\\', u'/').toUtf8();
}

qint64 SourceTree::recordsSize() const
{
    qint64 size = 0;
    for (const Item &item : m_items)
        size += ArchiveBuilder::recordSize(item.size);
    return size;
}

bool SourceTree::isSkipped(quint64 device, quint64 inode) const
{
    return std::find(m_skipped.begin(), m_skipped.end(), ArchiveFile::Identity { device, inode })
        != m_skipped.end();
}

void SourceTree::addItem(const QByteArray &stored, bool folder)
{
    m_items.push_back({ m_names.size(), stored.size(), folder });
    m_names.append(stored);
}

bool SourceTree::addFound(int folder, const QByteArray &name, mode_t mode, quint64 inode,
                          const QByteArray &path, QByteArray &stored)
{
    const bool maybeSkipped = std::any_of(m_skipped.begin(), m_skipped.end(),
                                          [&](const auto &file) { return file.inode == inode; });
    if (mode == 0 || (S_ISREG(mode) && maybeSkipped)) {
        struct stat st;
        if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            m_report(path, EntryFailure::systemText(errno));
            return false;
        }
        mode = st.st_mode;
        if (S_ISREG(mode) && isSkipped(quint64(st.st_dev), quint64(st.st_ino)))
            return false;
    }
    QString why = refusal(mode);
    const QByteArray component = why.isEmpty() ? storedName(name, why) : QByteArray();
    if (!component.isEmpty()) {
        const QByteArray full = stored.isEmpty() ? component : stored + '\\' + component;
        // Names an extraction would refuse are never written.
        if (const auto refused = EntryName(Windows1252::decode(full)).refusal(!S_ISDIR(mode)))
            why = refused->text() + QStringLiteral(", not added");
        stored = full;
    }
    if (!why.isEmpty()) {
        m_report(path, why);
        return false;
    }
    addItem(stored, S_ISDIR(mode));
    return S_ISDIR(mode);
}

void SourceTree::walk(QByteArray path, QByteArray stored)
{
    // Folders still to read; each is opened afresh from the root, so no descriptor is held per
    // level however deep the tree.
    std::vector<std::pair<QByteArray, QByteArray>> folders { { path, stored } };
    while (!folders.empty()) {
        std::tie(path, stored) = std::move(folders.back());
        folders.pop_back();
        const int fd = openFolder(path);
        DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
        if (!dir) {
            m_report(path, EntryFailure::systemText(errno));
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        // Read whole and sorted, so what is reported comes in the same order every time.
        struct Found
        {
            QByteArray name;
            mode_t mode;
            quint64 inode;
        };
        std::vector<Found> found;
        for (const dirent *entry; (errno = 0, entry = ::readdir(dir));) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                found.push_back({ name, mode_t(DTTOIF(entry->d_type)), quint64(entry->d_ino) });
        }
        if (errno != 0)
            m_report(path, EntryFailure::systemText(errno));
        std::sort(found.begin(), found.end(),
                  [](const Found &a, const Found &b) { return a.name < b.name; });
        const size_t walked = folders.size();
        for (const Found &f : found) {
            const QByteArray below = path.isEmpty() ? f.name : path + '/' + f.name;
            QByteArray belowStored = stored;
            if (addFound(::dirfd(dir), f.name, f.mode, f.inode, below, belowStored))
                folders.emplace_back(below, belowStored);
        }
        std::reverse(folders.begin() + qsizetype(walked), folders.end()); // first one first
        ::closedir(dir);
    }
}

void SourceTree::addPath(const QByteArray &path)
{
    if (path.startsWith('/'))
        return m_report(path, QStringLiteral("absolute path, not added"));
    QByteArrayList parts;
    for (const QByteArray &part : path.split('/')) {
        if (part == "..")
            return m_report(path, QStringLiteral("\"..\" leads outside the folder, not added"));
        if (!part.isEmpty() && part != ".")
            parts << part;
    }
    // Each folder on the way is added too, so the archive holds the folder of every entry.
    QByteArray below, stored;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const int folder = openFolder(below);
        struct stat st;
        const bool found
            = folder >= 0 && ::fstatat(folder, parts[i].constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        const int error = errno;
        if (!below.isEmpty())
            below += '/';
        below += parts[i];
        bool isFolder = false;
        if (!found)
            m_report(path, EntryFailure::systemText(error));
        else if (i + 1 < parts.size() && !S_ISDIR(st.st_mode))
            m_report(below,
                     S_ISLNK(st.st_mode) ? refusal(st.st_mode) : EntryFailure::systemText(ENOTDIR));
        else
            isFolder = addFound(folder, parts[i], st.st_mode, quint64(st.st_ino), below, stored);
        if (folder >= 0)
            ::close(folder);
        if (!isFolder)
            return;
    }
    walk(below, stored);
}

void SourceTree::add(const QByteArrayList &paths)
{
    if (paths.isEmpty())
        walk({}, {});
    for (const QByteArray &path : paths)
        addPath(path);
    sort();
}

void SourceTree::sort()
{
    // Bytewise: std::string_view compares chars as unsigned, as memcmp does.
    const char *names = m_names.constData();
    const auto view = [names](const Item &item) {
        return std::string_view(names + item.start, size_t(item.size));
    };
    std::sort(m_items.begin(), m_items.end(),
              [&](const Item &a, const Item &b) { return view(a) < view(b); });
    m_items.erase(std::unique(m_items.begin(), m_items.end(),
                              [&](const Item &a, const Item &b) { return view(a) == view(b); }),
                  m_items.end());
}

int SourceTree::openFolder(const QByteArray &path)
{
    if (path.isEmpty()) // a description of its own, read from the start
        return ::openat(m_root, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int fd = -1;
    if (m_fs.openBeneath(m_root, path, fd) == FileSystem::Status::Ok)
        return fd;
    if (!FileSystem::isBeneathUnsupported(errno))
        return -1;
    // One name at a time where the kernel cannot refuse links on the way itself.
    int folder = m_root;
    for (const QByteArray &part : path.split('/')) {
        const FileSystem::Status status = m_fs.openFolder(folder, part, fd);
        const int error = errno;
        if (folder != m_root)
            ::close(folder);
        errno = error;
        if (status != FileSystem::Status::Ok)
            return -1;
        folder = fd;
    }
    return folder;
}

int SourceTree::open(qsizetype i, QString &why)
{
    const QByteArray path = this->path(i);
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : path.left(slash);
    const QByteArray leaf = path.mid(slash + 1);
    if (m_openFolder < 0 || folder != m_openPath) {
        if (m_openFolder >= 0)
            ::close(m_openFolder);
        m_openFolder = openFolder(folder);
        m_openPath = folder;
        if (m_openFolder < 0) {
            why = EntryFailure::systemText(errno);
            return -1;
        }
    }
    struct stat found, opened;
    if (::fstatat(m_openFolder, leaf.constData(), &found, AT_SYMLINK_NOFOLLOW) != 0) {
        why = EntryFailure::systemText(errno);
        return -1;
    }
    why = S_ISREG(found.st_mode) ? QString() : refusal(found.st_mode);
    if (!S_ISREG(found.st_mode) || isSkipped(quint64(found.st_dev), quint64(found.st_ino))) {
        if (!S_ISREG(found.st_mode) && why.isEmpty())
            why = QStringLiteral("no longer a file, not added");
        return -1;
    }
    // Checked before opening: never a FIFO, a socket or a device.
    const int fd = retryInterrupted([&] {
        return ::openat(m_openFolder, leaf.constData(),
                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    });
    if (fd < 0) {
        why = EntryFailure::systemText(errno);
        return -1;
    }
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != found.st_dev
        || opened.st_ino != found.st_ino) {
        ::close(fd);
        why = QStringLiteral("changed while being read, not added");
        return -1;
    }
    return fd;
}
