#include "Console.h"

#include "ProgressLine.h"

#include <QByteArrayView>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QString hex(uint byte)
{
    return QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
}

// Appends c, or its escape when it is a control character.
void appendPrintable(QString &printable, QChar c)
{
    const char16_t u = c.unicode();
    if (u == u'\n')
        printable += QLatin1String("\\n");
    else if (u == u'\t')
        printable += QLatin1String("\\t");
    else if (u == u'\r')
        printable += QLatin1String("\\r");
    // C1 controls too: the bytes Windows-1252 leaves undefined decode to them.
    else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
        printable += hex(u);
    else
        printable += c;
}

} // namespace

Console::Console(std::FILE *out, std::FILE *err) : m_out(out), m_err(err) { }

QString Console::printableName(const QString &name)
{
    QString printable;
    printable.reserve(name.size());
    for (const QChar c : name)
        appendPrintable(printable, c == u'\\' ? QChar(u'/') : c);
    return printable;
}

QString Console::printablePath(const QByteArray &path)
{
    QString printable;
    for (qsizetype i = 0; i < path.size();) {
        // How long the character that starts here is; 0 for a byte that starts none.
        const uchar lead = uchar(path.at(i));
        const qsizetype length = lead < 0x80 ? 1
            : lead < 0xc2                    ? 0
            : lead < 0xe0                    ? 2
            : lead < 0xf0                    ? 3
            : lead < 0xf5                    ? 4
                                             : 0;
        const QByteArrayView bytes(path.constData() + i, qMin(length, path.size() - i));
        if (length == 0 || bytes.size() < length || !bytes.isValidUtf8()) {
            printable += hex(lead);
            ++i;
            continue;
        }
        for (const QChar c : QString::fromUtf8(bytes))
            appendPrintable(printable, c);
        i += length;
    }
    return printable;
}

QString Console::count(qint64 n, const char *one, const char *many)
{
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

void Console::setProgress(ProgressLine *progress)
{
    m_progress = progress;
    m_outIsTerminal = ::isatty(::fileno(m_out)) == 1;
}

bool Console::write(const char *data, qint64 size)
{
    if (m_outError)
        return false;
    // On the terminal the progress line is on, the text comes out whole before it is redrawn.
    const bool shared = m_outIsTerminal && m_progress;
    if (shared)
        m_progress->clear();
    if (size > 0 && std::fwrite(data, 1, size_t(size), m_out) != size_t(size)) {
        m_outError = errno ? errno : EIO;
        return false;
    }
    if (shared)
        std::fflush(m_out);
    return true;
}

void Console::printLine(const QString &line)
{
    printLine({ line });
}

void Console::printLine(std::initializer_list<QString> pieces)
{
    if (m_progress)
        m_progress->clear();
    // Piece by piece: a name may be megabytes long, and is never copied into one more text.
    for (const QString &piece : pieces) {
        const QByteArray bytes = piece.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_err);
    }
    std::fputc('\n', m_err);
    std::fflush(m_err);
}

void Console::error(const QString &text)
{
    printLine(QStringLiteral("quillon: ") + text);
}

void Console::usageError(const QString &text)
{
    error(text);
    printLine(QStringLiteral("Try 'quillon --help'."));
}

void Console::entryFailed(const QString &name, const QString &reason)
{
    ++m_failed;
    printLine({ QStringLiteral("quillon: ") + m_archive + QStringLiteral(": "), printableName(name),
                QStringLiteral(": ") + reason });
}

int Console::finish(qint64 entries)
{
    if (m_progress)
        m_progress->clear();
    for (const QString &pattern : std::as_const(m_unmatched))
        error(m_archive + QStringLiteral(": ") + printableName(pattern)
              + QStringLiteral(": not found in archive"));
    if (m_failed > 0)
        error(m_archive
              + QStringLiteral(": %1 of %2 failed")
                    .arg(m_failed)
                    .arg(count(entries, "entry", "entries")));
    if ((std::fflush(m_out) != 0 || std::ferror(m_out)) && !m_outError)
        m_outError = errno ? errno : EIO;
    if (m_outError) {
        error(QStringLiteral("standard output: cannot write: ")
              + QString::fromLocal8Bit(std::strerror(m_outError)));
        return UsageOrArchiveError;
    }
    return m_failed > 0 || !m_unmatched.isEmpty() ? EntryFailed : Success;
}
