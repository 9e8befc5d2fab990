#include "SourceTree.h"

#include "archive/ArchiveBuilder.h"
#include "archive/EntryFailure.h"
#include "archive/EntryName.h"
#include "archive/ExactNames.h"
#include "archive/PatternAutomaton.h"
#include "compress/Windows1252.h"
#include "fs/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

namespace {

// Why something of this kind is never added; empty for files and folders.
QString refusal(FileSystem::Kind kind)
{
    switch (kind) {
    case FileSystem::Kind::File:
    case FileSystem::Kind::Folder:
        return {};
    case FileSystem::Kind::Link:
        return QStringLiteral("symbolic link, not added");
    case FileSystem::Kind::Fifo:
        return QStringLiteral("FIFO, not added");
    case FileSystem::Kind::Socket:
        return QStringLiteral("socket, not added");
    case FileSystem::Kind::Device:
        return QStringLiteral("device, not added");
    case FileSystem::Kind::Other:
        break;
    }
    return QStringLiteral("not a file or folder, not added");
}

} // namespace

struct SourceTree::Exclusions
{
    explicit Exclusions(const QList<NamePattern> &patterns)
        : exact(patterns, {}), automaton(patterns)
    { }

    ExactNames exact;
    PatternAutomaton automaton;
    PatternAutomaton::Scratch scratch;
};

SourceTree::SourceTree(FileSystem &fs, Reporter reporter)
    : m_fs(fs), m_report(std::move(reporter)), m_openFolder(fs)
{ }

SourceTree::~SourceTree() = default;

int SourceTree::openRoot(const QByteArray &path)
{
    m_walk = std::make_unique<FolderWalk>(m_fs, path);
    return m_walk->destinationError();
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

void SourceTree::exclude(const QList<NamePattern> &patterns)
{
    m_excluded = patterns.isEmpty() ? nullptr : std::make_unique<Exclusions>(patterns);
}

bool SourceTree::isExcluded(const QByteArray &stored)
{
    return m_excluded
        && (m_excluded->exact.matches(stored, nullptr)
            || m_excluded->automaton.matches(stored, m_excluded->scratch, nullptr));
}

void SourceTree::reportMissing(const QByteArray &path, const QString &why)
{
    ++m_missing;
    m_report(path, why);
}

bool SourceTree::isSkipped(const ArchiveFile::Identity &file) const
{
    return std::find(m_skipped.begin(), m_skipped.end(), file) != m_skipped.end();
}

void SourceTree::addItem(const QByteArray &stored, bool folder)
{
    m_items.push_back({ m_names.size(), stored.size(), folder });
    m_names.append(stored);
}

bool SourceTree::addFound(int folder, const FileSystem::Listed &found, const QByteArray &path,
                          QByteArray &stored)
{
    if (FileSystem::isTemporaryName(found.name))
        return false;
    const bool maybeSkipped
        = std::any_of(m_skipped.begin(), m_skipped.end(),
                      [&](const auto &file) { return file.inode == found.inode; });
    FileSystem::Kind kind = found.kind.value_or(FileSystem::Kind::Other);
    qint64 size = 0;
    if (!found.kind || (kind == FileSystem::Kind::File && (maybeSkipped || m_measuring))) {
        FileSystem::Info info;
        if (m_fs.info(folder, found.name, info) != FileSystem::Status::Ok) {
            m_report(path, EntryFailure::systemText(errno));
            return false;
        }
        kind = info.kind;
        size = kind == FileSystem::Kind::File ? info.size : 0;
        if (kind == FileSystem::Kind::File && isSkipped(info.identity))
            return false;
    }
    const bool isFolder = kind == FileSystem::Kind::Folder;
    QString why = refusal(kind);
    QString nameWhy;
    const QByteArray component = storedName(found.name, nameWhy);
    if (component.isEmpty()) {
        why = why.isEmpty() ? nameWhy : why;
    } else {
        const QByteArray full = stored.isEmpty() ? component : stored + '\\' + component;
        if (isExcluded(full))
            return false;
        // Names an extraction would refuse are never written.
        const auto refused = why.isEmpty() ? EntryName(Windows1252::decode(full)).refusal(!isFolder)
                                           : std::nullopt;
        if (refused)
            why = refused->text() + QStringLiteral(", not added");
        stored = full;
    }
    if (!why.isEmpty()) {
        m_report(path, why);
        return false;
    }
    addItem(stored, isFolder);
    m_bytes += size;
    return isFolder;
}

bool SourceTree::reach(const QByteArray &path, FileSystem::Descriptor &out, QString &why)
{
    const QByteArrayList folders = path.isEmpty() ? QByteArrayList() : path.split('/');
    if (m_walk->open(folders, false, out) == FolderWalk::Outcome::Reached)
        return true;
    why = m_walk->failure().text();
    return false;
}

void SourceTree::walk(QByteArray path, QByteArray stored, bool given)
{
    // Folders still to read, each reached afresh from the root when its turn comes, so no
    // descriptor is held per level however deep the tree.
    std::vector<std::pair<QByteArray, QByteArray>> folders { { path, stored } };
    while (!folders.empty()) {
        std::tie(path, stored) = std::move(folders.back());
        folders.pop_back();
        // The folder given must be read; one found below it is left out when it cannot be.
        const auto report = [&](const QString &why) {
            const QByteArray shown = path.isEmpty() ? QByteArray(".") : path;
            given ? reportMissing(shown, why) : m_report(shown, why);
        };
        FileSystem::Descriptor folder(m_fs);
        QString why;
        if (!reach(path, folder, why)) {
            report(why);
            given = false;
            continue;
        }
        // Read whole and sorted, so what is reported comes in the same order every time.
        std::vector<FileSystem::Listed> found;
        if (!m_fs.list(folder.fd(), found))
            report(EntryFailure::systemText(errno));
        given = false;
        std::sort(found.begin(), found.end(),
                  [](const auto &a, const auto &b) { return a.name < b.name; });
        const size_t walked = folders.size();
        for (const FileSystem::Listed &f : found) {
            const QByteArray below = path.isEmpty() ? f.name : path + '/' + f.name;
            QByteArray belowStored = stored;
            if (addFound(folder.fd(), f, below, belowStored))
                folders.emplace_back(below, belowStored);
        }
        std::reverse(folders.begin() + qsizetype(walked), folders.end()); // first one first
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
    // Each folder on the way is added too, so the archive holds the folder of every entry; the
    // way is taken one level at a time from the root's descriptor, never through a link. A path
    // that is not there or cannot be read at all is a mistake in the command line.
    FileSystem::Descriptor folder(m_fs);
    QString why;
    if (!reach({}, folder, why))
        return reportMissing(path, why);
    QByteArray below, stored;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        FileSystem::Info info;
        const bool found = m_fs.info(folder.fd(), parts[i], info) == FileSystem::Status::Ok;
        const int error = errno;
        if (!below.isEmpty())
            below += '/';
        below += parts[i];
        if (!found)
            return reportMissing(path, EntryFailure::systemText(error));
        const bool last = i + 1 == parts.size();
        if (!last && !info.isFolder())
            return info.kind == FileSystem::Kind::Link
                ? m_report(below, refusal(info.kind))
                : reportMissing(below, EntryFailure::systemText(ENOTDIR));
        if (last && info.kind == FileSystem::Kind::File) {
            int fd = -1;
            if (m_fs.openFile(folder.fd(), parts[i], fd) != FileSystem::Status::Ok)
                return reportMissing(below, EntryFailure::systemText(errno));
            m_fs.close(fd);
        }
        if (!addFound(folder.fd(), { parts[i], info.kind, info.identity.inode }, below, stored))
            return;
        int next = -1;
        if (!last) {
            if (m_fs.openFolder(folder.fd(), parts[i], next) != FileSystem::Status::Ok)
                return reportMissing(below, EntryFailure::systemText(errno));
            folder.reset(next);
        }
    }
    walk(below, stored, true);
}

void SourceTree::add(const QByteArrayList &paths)
{
    if (paths.isEmpty())
        walk({}, {}, true);
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

int SourceTree::open(qsizetype i, QString &why)
{
    const QByteArray path = this->path(i);
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : path.left(slash);
    const QByteArray leaf = path.mid(slash + 1);
    if (m_openFolder.fd() < 0 || folder != m_openPath) {
        m_openFolder.close();
        if (!reach(folder, m_openFolder, why))
            return -1;
        m_openPath = folder;
    }
    FileSystem::Info found;
    if (m_fs.info(m_openFolder.fd(), leaf, found) != FileSystem::Status::Ok) {
        why = EntryFailure::systemText(errno);
        return -1;
    }
    if (found.kind != FileSystem::Kind::File) {
        why = found.kind == FileSystem::Kind::Folder ? QStringLiteral("no longer a file, not added")
                                                     : refusal(found.kind);
        return -1;
    }
    if (isSkipped(found.identity))
        return -1;
    // Checked before opening: never a FIFO, a socket or a device.
    int fd = -1;
    if (m_fs.openFile(m_openFolder.fd(), leaf, fd) != FileSystem::Status::Ok) {
        why = EntryFailure::systemText(errno);
        return -1;
    }
    FileSystem::Info opened;
    if (!m_fs.info(fd, opened) || opened.kind != FileSystem::Kind::File
        || opened.identity != found.identity) {
        m_fs.close(fd);
        why = QStringLiteral("changed while being read, not added");
        return -1;
    }
    return fd;
}
