#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// The names -T gives, read from a file or standard input in pieces and split at each newline,
// or at each NUL. They are kept back to back in large blocks, never one allocation each, so the
// list takes little more memory than the names themselves; empty names are passed over. A name
// longer than an archive can hold ends the reading, so an endless one (-T /dev/zero) is refused
// at once instead of filling the memory. Endless empty names (--null -T /dev/zero) take time
// until interrupted, as in other tools that read such lists, but no memory.
class NameList
{
public:
    // Reads path ("-": standard input). False, with errorString(), when it cannot be read or a
    // name is too long.
    bool read(const QByteArray &path, char separator);
    QString errorString() const { return m_error; }

    qsizetype size() const { return qsizetype(m_starts.size()); }
    QByteArrayView at(qsizetype i) const;

private:
    // Adds the name that pending holds, then piece; false when the name is too long.
    bool take(QByteArrayView piece, bool ends);
    void store(QByteArrayView name);

    std::vector<QByteArray> m_blocks;
    std::vector<qint64> m_starts; // block index × block size + offset in the block
    std::vector<quint32> m_sizes;
    QByteArray m_pending; // the start of a name that goes on in the next piece read
    qsizetype m_pendingCharacters = 0;
    QString m_error;
};
