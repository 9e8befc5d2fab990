#include "Console.h"

#include <cerrno>
#include <cstring>

Console::Console(std::FILE *out, std::FILE *err) : m_out(out), m_err(err) { }

QString Console::printableName(const QString &name, bool backslashSeparates)
{
    QString printable;
    printable.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'\\' && backslashSeparates)
            printable += u'/';
        else if (u == u'\n')
            printable += QLatin1String("\\n");
        else if (u == u'\t')
            printable += QLatin1String("\\t");
        else if (u == u'\r')
            printable += QLatin1String("\\r");
        // C1 controls too: the bytes Windows-1252 leaves undefined decode to them.
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            printable += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else
            printable += c;
    }
    return printable;
}

bool Console::write(const char *data, qint64 size)
{
    if (m_outError)
        return false;
    if (size > 0 && std::fwrite(data, 1, size_t(size), m_out) != size_t(size)) {
        m_outError = errno ? errno : EIO;
        return false;
    }
    return true;
}

void Console::printLine(const QString &line)
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_err);
    std::fflush(m_err);
}

void Console::error(const QString &text)
{
    printLine(QStringLiteral("quillon: ") + text);
}

void Console::entryFailed(const QString &name, const QString &reason)
{
    ++m_failed;
    error(printableName(m_archive) + QStringLiteral(": ") + printableName(name)
          + QStringLiteral(": ") + reason);
}

int Console::finish(qint64 entries)
{
    for (const QString &pattern : std::as_const(m_unmatched))
        error(printableName(m_archive) + QStringLiteral(": ") + printableName(pattern)
              + QStringLiteral(": not found in archive"));
    if (m_failed > 0)
        error(printableName(m_archive)
              + QStringLiteral(": %1 of %2 entries failed").arg(m_failed).arg(entries));
    if ((std::fflush(m_out) != 0 || std::ferror(m_out)) && !m_outError)
        m_outError = errno ? errno : EIO;
    if (m_outError) {
        error(QStringLiteral("cannot write to standard output: ")
              + QString::fromLocal8Bit(std::strerror(m_outError)));
        return UsageOrArchiveError;
    }
    return m_failed > 0 || !m_unmatched.isEmpty() ? EntryFailed : Success;
}
