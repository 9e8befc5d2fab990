#include "EntryComparison.h"

#include "archive/EntryFailure.h"

#include <cerrno>
#include <cstring>

namespace {

// Takes an entry's bytes and compares them with the file's at the same place, stopping at the
// first difference.
class Comparing : public EntrySink
{
public:
    Comparing(int fd, qint64 size, QByteArray &piece) : m_fd(fd), m_size(size), m_piece(piece) { }

    bool write(const char *data, qint64 size) override
    {
        if (size > m_size - m_pos) {
            differs = true;
            return false;
        }
        m_piece.resize(size);
        if (!ArchiveFile::readFully(m_fd, m_piece.data(), size, m_pos)) {
            why = errno == 0 ? QStringLiteral("changed size while being read")
                             : EntryFailure::systemText(errno);
            return false;
        }
        differs = std::memcmp(m_piece.constData(), data, size_t(size)) != 0;
        m_pos += size;
        return !differs;
    }

    bool differs = false;
    QString why;

private:
    const int m_fd;
    const qint64 m_size;
    QByteArray &m_piece;
    qint64 m_pos = 0;
};

} // namespace

EntryComparison::Outcome EntryComparison::compare(const ArchiveFile &archive,
                                                  const EntryRecord &entry, int fd, qint64 size,
                                                  QString &why)
{
    if (size != entry.unpackedSize)
        return Outcome::Different;
    Comparing sink(fd, size, m_piece);
    const EntryReader::Result result = m_reader.read(archive, entry, sink);
    if (!sink.why.isEmpty()) {
        why = sink.why;
        return Outcome::FileFailed;
    }
    const bool whole = entry.entryType != CompressedEntry || m_reader.inflatedSize() == size;
    return result == EntryReader::Result::Ok && whole ? Outcome::Same : Outcome::Different;
}
