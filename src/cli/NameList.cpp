#include "NameList.h"

#include "archive/EntryFailure.h"
#include "archive/EntryName.h"
#include "archive/SystemCall.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 kBlockSize = 1 << 20; // a name never spans two, so at most one name is wasted
constexpr qint64 kPieceSize = 64 * 1024;

// Characters of UTF-8: every byte but the continuations; a stray byte counts as one.
qsizetype characters(QByteArrayView bytes)
{
    qsizetype n = 0;
    for (const char c : bytes)
        n += (uchar(c) & 0xc0) != 0x80;
    return n;
}

} // namespace

QByteArrayView NameList::at(qsizetype i) const
{
    const qint64 start = m_starts[size_t(i)];
    return QByteArrayView(m_blocks[size_t(start / kBlockSize)])
        .sliced(start % kBlockSize, m_sizes[size_t(i)]);
}

void NameList::store(QByteArrayView name)
{
    if (name.isEmpty())
        return;
    if (m_blocks.empty() || m_blocks.back().size() + name.size() > kBlockSize) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(qMax(kBlockSize, qint64(name.size())));
    }
    QByteArray &block = m_blocks.back();
    m_starts.push_back(qint64(m_blocks.size() - 1) * kBlockSize + block.size());
    m_sizes.push_back(quint32(name.size()));
    block.append(name);
}

bool NameList::take(QByteArrayView piece, bool ends)
{
    // Only a name this long in bytes can be too long in characters, so most are never counted.
    if (m_pending.size() + piece.size() > EntryName::kMaxLength
        && characters(m_pending) + characters(piece) > EntryName::kMaxLength) {
        m_error = QStringLiteral("a name longer than %L1 characters, more than an archive can hold")
                      .arg(EntryName::kMaxLength);
        return false;
    }
    if (!ends) {
        m_pending.append(piece);
    } else if (m_pending.isEmpty()) {
        store(piece);
    } else {
        m_pending.append(piece);
        store(m_pending);
        m_pending.clear();
    }
    return true;
}

bool NameList::read(const QByteArray &path, char separator)
{
    const bool standardInput = path == "-";
    const int fd = standardInput
        ? STDIN_FILENO
        : retryInterrupted([&] { return ::open(path.constData(), O_RDONLY | O_CLOEXEC); });
    if (fd < 0) {
        m_error = EntryFailure::systemText(errno);
        return false;
    }
    QByteArray buffer(kPieceSize, Qt::Uninitialized);
    bool ok = true;
    for (qint64 n; ok;) {
        n = retryInterrupted([&] { return ::read(fd, buffer.data(), size_t(buffer.size())); });
        if (n <= 0) {
            if (n < 0)
                m_error = EntryFailure::systemText(errno);
            ok = n == 0 && take({}, true); // the last name needs no separator after it
            break;
        }
        QByteArrayView rest(buffer.constData(), n);
        for (qsizetype end; ok && !rest.isEmpty(); rest = rest.sliced(end + 1)) {
            const void *found = std::memchr(rest.data(), separator, size_t(rest.size()));
            end = found ? static_cast<const char *>(found) - rest.data() : rest.size();
            ok = take(rest.first(end), found != nullptr);
            if (!found)
                break;
        }
    }
    if (!standardInput)
        ::close(fd);
    return ok;
}
