#include "PreviewLines.h"

#include "compress/Windows1252.h"

namespace {

constexpr int kTabWidth = 8;
constexpr int kHexWidth = 16;

} // namespace

PreviewLines::PreviewLines(const QByteArray &bytes, Kind kind, QObject *parent)
    : QAbstractListModel(parent), m_bytes(bytes), m_kind(kind)
{
    if (kind == Kind::Hex)
        return;
    // A row ends at a line feed, or before the character that would pass kColumns. UTF-8
    // continuation bytes take no column, so a row never splits a character.
    const auto width = [kind](uchar c, int column) {
        if (c == '\t')
            return kTabWidth - column % kTabWidth;
        return kind == Kind::Utf8 && (c & 0xc0) == 0x80 ? 0 : 1;
    };
    m_starts.push_back(0);
    int column = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        if (c == '\n') {
            m_starts.push_back(qint32(i + 1));
            column = 0;
            continue;
        }
        int w = width(c, column);
        if (column > 0 && column + w > kColumns) {
            m_starts.push_back(qint32(i));
            column = 0;
            w = width(c, 0);
        }
        column += w;
    }
    if (m_starts.size() > 1 && m_starts.back() == bytes.size())
        m_starts.pop_back(); // the last line's feed starts no row of its own
}

int PreviewLines::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (m_kind == Kind::Hex)
        return int((m_bytes.size() + kHexWidth - 1) / kHexWidth);
    return int(m_starts.size());
}

QVariant PreviewLines::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::SizeHintRole && m_rowSize.isValid())
        return m_rowSize;
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    return m_kind == Kind::Hex ? hexRow(index.row()) : textRow(index.row());
}

QString PreviewLines::textRow(int row) const
{
    const qsizetype start = m_starts[size_t(row)];
    qsizetype end = size_t(row) + 1 < m_starts.size() ? m_starts[size_t(row) + 1] : m_bytes.size();
    while (end > start && (m_bytes[end - 1] == '\n' || m_bytes[end - 1] == '\r'))
        --end;
    const QByteArrayView bytes = QByteArrayView(m_bytes).sliced(start, end - start);
    const QString text = m_kind == Kind::Utf8 ? QString::fromUtf8(bytes)
                                              : Windows1252::decode(bytes.data(), bytes.size());
    if (!text.contains(u'\t'))
        return text;
    QString expanded;
    for (const QChar c : text) {
        if (c == u'\t')
            expanded += QString(kTabWidth - expanded.size() % kTabWidth, u' ');
        else
            expanded += c;
    }
    return expanded;
}

QString PreviewLines::hexRow(int row) const
{
    const qsizetype offset = qsizetype(row) * kHexWidth;
    const QByteArrayView bytes = QByteArrayView(m_bytes).sliced(
        offset, qMin<qsizetype>(kHexWidth, m_bytes.size() - offset));
    QString line = QStringLiteral("%1 ").arg(offset, 8, 16, QLatin1Char('0'));
    QString chars;
    for (int i = 0; i < kHexWidth; ++i) {
        if (i == kHexWidth / 2)
            line += u' ';
        if (i >= bytes.size()) {
            line += QLatin1String("   ");
            continue;
        }
        const uchar c = uchar(bytes[i]);
        line += QStringLiteral(" %1").arg(c, 2, 16, QLatin1Char('0'));
        chars += c >= 0x20 && c < 0x7f ? QChar(c) : QChar(u'.');
    }
    return line + QStringLiteral("  |") + chars + u'|';
}
