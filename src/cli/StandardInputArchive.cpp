#include "StandardInputArchive.h"

#include "archive/ArchiveFile.h"
#include "archive/EntryFailure.h"
#include "archive/SystemCall.h"
#include "fs/FileSystem.h"

#include <QByteArray>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An archive's offsets and sizes are 32-bit: no readable one is longer.
constexpr qint64 kLongest = qint64(1) << 32;
constexpr qint64 kPieceSize = 1 << 20;

} // namespace

bool StandardInputArchive::open(ArchiveFile &archive, QString &why)
{
    struct stat st;
    if (::fstat(STDIN_FILENO, &st) != 0) {
        why = EntryFailure::systemText(errno);
        return false;
    }
    if (::isatty(STDIN_FILENO)) {
        why = QStringLiteral("a terminal, not an archive");
        return false;
    }
    if (S_ISREG(st.st_mode) && ::lseek(STDIN_FILENO, 0, SEEK_CUR) == 0) {
        if (archive.adopt(::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)))
            return true;
        why = archive.errorString();
        return false;
    }
    int fd = -1;
    if (FileSystem::standard().createScratchFile(fd) != FileSystem::Status::Ok) {
        why = QStringLiteral("cannot make a temporary file: ") + EntryFailure::systemText(errno);
        return false;
    }
    QByteArray piece(kPieceSize, Qt::Uninitialized);
    qint64 copied = 0;
    for (qint64 n;; copied += n) {
        n = retryInterrupted(
            [&] { return ::read(STDIN_FILENO, piece.data(), size_t(kPieceSize)); });
        if (n == 0)
            break;
        QString failed;
        if (n < 0)
            failed = EntryFailure::systemText(errno);
        else if (copied + n > kLongest)
            failed = QStringLiteral("longer than any archive can be");
        else if (!FileSystem::standard().writeFully(fd, piece.constData(), n))
            failed = QStringLiteral("cannot copy to a temporary file: ")
                + EntryFailure::systemText(errno);
        if (!failed.isEmpty()) {
            ::close(fd);
            why = failed;
            return false;
        }
    }
    if (archive.adopt(fd))
        return true;
    why = archive.errorString();
    return false;
}
