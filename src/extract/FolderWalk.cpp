#include "FolderWalk.h"

#include <cerrno>

namespace {

// Below the kernel's limit for one path, PATH_MAX.
constexpr qsizetype kPathLength = 4000;

} // namespace

FolderWalk::FolderWalk(FileSystem &fs, const QByteArray &extractDir) : m_fs(fs)
{
    // The one step that follows a link: the folder the user chose may be one.
    if (m_fs.openExtractDir(extractDir, m_root) != FileSystem::Status::Ok) {
        m_destinationError = errno ? errno : ENOENT;
        m_root = -1;
    }
}

FolderWalk::~FolderWalk()
{
    if (m_root >= 0)
        m_fs.close(m_root);
}

FolderWalk::Outcome FolderWalk::open(const QByteArrayList &folders, bool make,
                                     FileSystem::Descriptor &out)
{
    m_why = {};
    if (m_root < 0) {
        m_why = ExtractFailure::system(m_destinationError);
        return Outcome::Refused;
    }
    out.reset(m_root, false);
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
            m_why = ExtractFailure::system(ENOENT);
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
            m_why = { ExtractFailure::LinkInTheWay };
            return Outcome::Refused; // never made into a folder, never followed
        }
        m_why = { ExtractFailure::FileInTheWay };
    } else {
        m_why = ExtractFailure::system(error);
    }
    if (make)
        return Outcome::FolderFailed;
    return error == ENOENT || error == ENOTDIR ? Outcome::Missing : Outcome::Refused;
}
