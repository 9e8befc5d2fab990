#include "PreviewLines.h"

#include "compress/Windows1252.h"

namespace {

constexpr int kHexWidth = 16;

} // namespace

PreviewLines::PreviewLines(const QByteArray &bytes, Kind kind, TextRows rows, QObject *parent)
    : QAbstractListModel(parent), m_bytes(bytes), m_kind(kind), m_rows(std::move(rows))
{ }

int PreviewLines::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (m_kind == Kind::Hex)
        return int((m_bytes.size() + kHexWidth - 1) / kHexWidth);
    return m_rows.count();
}

QVariant PreviewLines::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    return m_kind == Kind::Hex ? hexRow(index.row()) : textRow(index.row());
}

QString PreviewLines::textRow(int row) const
{
    const auto [start, end] = m_rows.span(m_bytes, row);
    const QByteArrayView bytes = QByteArrayView(m_bytes).sliced(start, end - start);
    const QString text = m_kind == Kind::Utf8 ? QString::fromUtf8(bytes)
                                              : Windows1252::decode(bytes.data(), bytes.size());
    if (!text.contains(u'\t'))
        return text;
    QString expanded;
    for (const QChar c : text) {
        if (c == u'\t')
            expanded += QString(TextRows::kTabWidth - expanded.size() % TextRows::kTabWidth, u' ');
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
