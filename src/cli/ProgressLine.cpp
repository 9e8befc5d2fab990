#include "ProgressLine.h"

#include "Printable.h"

#include <QLocale>

#include <cwchar>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr qint64 kInterval = 100; // ms: ten drawings a second at most

QString size(qint64 bytes)
{
    return QLocale::c().formattedDataSize(qMax(bytes, qint64(0)), 1);
}

// The columns a character takes on a terminal; one where the locale cannot tell.
int columns(char32_t c)
{
    const int width = ::wcwidth(wchar_t(c));
    return width < 0 ? 1 : width;
}

qsizetype columns(const QList<uint> &chars)
{
    qsizetype used = 0;
    for (const uint c : chars)
        used += columns(char32_t(c));
    return used;
}

// The end of text that fits in room columns, with "..." in front when it had to be cut; empty
// when not even that fits.
QString tail(const QString &text, qsizetype room)
{
    const QList<uint> chars = text.toUcs4();
    qsizetype used = columns(chars);
    if (used <= room)
        return text;
    qsizetype from = 0;
    while (from < chars.size() && used > room - 3)
        used -= columns(char32_t(chars.at(from++)));
    return from < chars.size() ? QStringLiteral("...")
            + QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.constData()) + from,
                                chars.size() - from)
                               : QString();
}

} // namespace

ProgressLine::ProgressLine(std::FILE *err) : m_err(err), m_enabled(::isatty(::fileno(err)) == 1) { }

void ProgressLine::start(qint64 entries, qint64 bytes)
{
    m_entries = entries;
    m_bytes = bytes;
    m_clock.start();
}

void ProgressLine::entry(const QString &name)
{
    m_entryStart = m_bytesDone;
    if (!m_enabled)
        return;
    m_name = name;
    update();
}

void ProgressLine::addBytes(qint64 bytes)
{
    if (!m_enabled)
        return;
    m_bytesDone += bytes;
    update();
}

void ProgressLine::entryDone()
{
    ++m_entriesDone;
}

void ProgressLine::entryDone(qint64 bytes)
{
    m_bytesDone = m_entryStart + bytes;
    ++m_entriesDone;
}

void ProgressLine::update()
{
    if (m_clock.elapsed() < m_due)
        return;
    m_due = m_clock.elapsed() + kInterval;
    struct winsize size = {};
    const qsizetype width
        = ::ioctl(::fileno(m_err), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
    // The last column stays free: a line that reaches it wraps on some terminals.
    QString line = QStringLiteral("%1 of %2, %3 of %4")
                       .arg(m_entriesDone)
                       .arg(Printable::count(m_entries, "entry", "entries"))
                       .arg(::size(m_bytesDone), ::size(m_bytes))
                       .left(width - 1);
    const QString name = tail(Printable::name(m_name), width - 3 - line.size());
    if (!name.isEmpty())
        line += QStringLiteral("  ") + name;
    const qsizetype shown = columns(line.toUcs4());
    const QByteArray bytes
        = (u'\r' + line + QString(qMax(m_shown - shown, qsizetype(0)), u' ')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_err);
    std::fflush(m_err);
    m_shown = shown;
}

void ProgressLine::clear()
{
    if (m_shown == 0)
        return;
    const QByteArray blank = '\r' + QByteArray(m_shown, ' ') + '\r';
    std::fwrite(blank.constData(), 1, size_t(blank.size()), m_err);
    std::fflush(m_err);
    m_shown = 0;
}
