#include "FolderWalk.h"

#include <cerrno>

#include <sys/resource.h>

namespace {

// Folders kept open at the most, and never more than a quarter of what the process may open.
constexpr rlim_t kMaxKept = 256;
// Below the kernel's limit for one path, PATH_MAX.
constexpr qsizetype kPathLength = 4000;

} // namespace

FolderWalk::FolderWalk(FileSystem &fs, const QByteArray &extractDir) : m_fs(fs)
{
    // The one step that follows a link: the folder the user chose may be one.
    if (m_fs.openChosenFolder(extractDir, m_root) != FileSystem::Status::Ok) {
        m_destinationError = errno ? errno : ENOENT;
        m_root = -1;
    }
    struct rlimit limit;
    const rlim_t open = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 64;
    m_maxKept = qsizetype(qMax(rlim_t(1), qMin(open / 4, kMaxKept)));
}

FolderWalk::~FolderWalk()
{
    forget();
    if (m_root >= 0)
        m_fs.close(m_root);
}

void FolderWalk::forget()
{
    for (const Kept &kept : std::as_const(m_kept))
        m_fs.close(kept.fd);
    m_kept.clear();
    if (m_watch >= 0) // its watches go with it
        m_fs.close(m_watch);
    m_watch = -1;
}

bool FolderWalk::openKept(const QByteArrayList &folders, FileSystem::Descriptor &out,
                          Outcome &outcome)
{
    if (m_watch >= 0 && m_fs.watchedChanged(m_watch))
        forget();
    if (m_watch < 0 && m_canWatch) {
        // The destination is watched too, for a folder removed from it.
        m_watch = m_fs.openWatch();
        m_canWatch = m_watch >= 0 && m_fs.watch(m_watch, m_root);
        if (!m_canWatch)
            forget(); // closes the watch, if one was opened
    }
    if (m_watch < 0)
        return false; // no watches here: each entry walks afresh
    const QByteArray key = folders.join('/');
    auto found = m_kept.find(key);
    if (found == m_kept.end()) {
        // From the folder above where that is kept, its levels watched already: a tree walked
        // depth first costs one level per folder, however deep it goes.
        FileSystem::Descriptor level(m_fs);
        level.reset(m_root, false);
        qsizetype depth = 0;
        if (folders.size() > 1) {
            const auto parent = m_kept.constFind(key.left(key.size() - folders.last().size() - 1));
            if (parent != m_kept.cend()) {
                level.reset(parent->fd, false);
                depth = folders.size() - 1;
            }
        }
        for (; depth < folders.size(); ++depth) {
            const QByteArray &folder = folders.at(depth);
            int fd = -1;
            if (m_fs.openFolder(level.fd(), folder, fd) != FileSystem::Status::Ok)
                return false;
            FileSystem::Descriptor next(m_fs);
            next.reset(fd);
            // Something moving folders about, or no watch to be had: all that is kept goes, with
            // the watches it holds, and this entry walks afresh.
            if (!watchInPlace(level.fd(), folder, fd)) {
                forget();
                return false;
            }
            level.reset(next.release());
        }
        // A level moved after its watch took hold but before its name was checked shows now.
        if (m_fs.watchedChanged(m_watch)) {
            forget();
            return false;
        }
        if (m_kept.size() >= m_maxKept)
            dropLeastUsed();
        found = m_kept.insert(key, { level.release(), 0 });
    }
    found->used = ++m_uses;
    out.reset(found->fd, false);
    outcome = Outcome::Reached;
    return true;
}

void FolderWalk::dropLeastUsed()
{
    auto oldest = m_kept.begin();
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it)
        if (it->used < oldest->used)
            oldest = it;
    m_fs.close(oldest->fd); // its watches stay, harmless until forget()
    m_kept.erase(oldest);
}

bool FolderWalk::watchInPlace(int folder, const QByteArray &name, int fd)
{
    // Watching a name would watch whatever it led to when the kernel looked, which a rename in
    // between makes another folder than the one opened. Watching the opened folder sees every
    // move from now on, and the name checked after that sees any made before.
    if (!m_fs.watch(m_watch, fd)) {
        m_canWatch = false; // none left, or no /proc: every later entry walks afresh
        return false;
    }
    FileSystem::Info opened;
    FileSystem::Info named;
    return m_fs.info(fd, opened) && m_fs.info(folder, name, named) == FileSystem::Status::Ok
        && named.identity == opened.identity;
}

FolderWalk::Outcome FolderWalk::open(const QByteArrayList &folders, bool make,
                                     FileSystem::Descriptor &out)
{
    m_why = {};
    if (m_root < 0) {
        m_why = EntryFailure::system(m_destinationError);
        return Outcome::Refused;
    }
    out.reset(m_root, false);
    Outcome kept;
    if (!make && !folders.isEmpty() && openKept(folders, out, kept))
        return kept;
    qsizetype depth = 0;
    while (depth < folders.size()) {
        // As many levels as one path may hold go in one step; a failure is walked again level
        // by level, to make what is missing or to learn why.
        QByteArray path = folders.at(depth);
        qsizetype end = depth + 1;
        for (; end < folders.size() && path.size() + folders.at(end).size() < kPathLength; ++end)
            path += '/' + folders.at(end);
        int next = -1;
        if (end - depth > 1 && m_beneath) {
            if (m_fs.openBeneath(out.fd(), path, next) == FileSystem::Status::Ok) {
                out.reset(next);
                depth = end;
                continue;
            }
            m_beneath = !FileSystem::isBeneathUnsupported(errno);
        }
        for (; depth < end; ++depth) {
            const Outcome outcome = step(out.fd(), folders.at(depth), make, depth == 0, next);
            if (outcome != Outcome::Reached) {
                out.close();
                return outcome;
            }
            out.reset(next);
        }
    }
    return Outcome::Reached;
}

FolderWalk::Outcome FolderWalk::step(int folder, const QByteArray &name, bool make, bool top,
                                     int &fd)
{
    FileSystem::Status status = m_fs.openFolder(folder, name, fd);
    if (status == FileSystem::Status::PathNotFound && errno == ENOENT && make) {
        status = m_fs.createFolder(folder, name);
        // Nothing can be made in the extract directory once it has been removed: the entry
        // fails as it is, with no folder to report.
        if (top && status == FileSystem::Status::PathNotFound && errno == ENOENT) {
            m_why = EntryFailure::system(ENOENT);
            return Outcome::Refused;
        }
        if (status == FileSystem::Status::Ok || status == FileSystem::Status::AlreadyExists)
            status = m_fs.openFolder(folder, name, fd);
    }
    return status == FileSystem::Status::Ok ? Outcome::Reached : failed(folder, name, make);
}

FolderWalk::Outcome FolderWalk::failed(int folder, const QByteArray &name, bool make)
{
    const int error = errno;
    FileSystem::Info info;
    if (error == ENOTDIR && m_fs.info(folder, name, info) == FileSystem::Status::Ok) {
        if (info.kind == FileSystem::Kind::Link) {
            m_why = { EntryFailure::LinkInTheWay };
            return Outcome::Refused; // never made into a folder, never followed
        }
        m_why = { EntryFailure::FileInTheWay };
    } else {
        m_why = EntryFailure::system(error);
    }
    if (make)
        return Outcome::FolderFailed;
    return error == ENOENT || error == ENOTDIR ? Outcome::Missing : Outcome::Refused;
}
