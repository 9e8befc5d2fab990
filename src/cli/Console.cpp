#include "Console.h"

#include "Printable.h"
#include "ProgressLine.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

Console::Console(std::FILE *out, std::FILE *err) : m_out(out), m_err(err) { }

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
    printLine({ QStringLiteral("quillon: ") + m_archive + QStringLiteral(": "),
                Printable::name(name), QStringLiteral(": ") + reason });
}

int Console::finish(qint64 entries)
{
    if (m_progress)
        m_progress->clear();
    for (qsizetype start = 0; start < m_unmatched.size();) {
        qsizetype size = 0;
        std::memcpy(&size, m_unmatched.constData() + start, sizeof size);
        start += sizeof size;
        error(m_archive + QStringLiteral(": ")
              + Printable::name(QString::fromUtf8(m_unmatched.mid(start, size)))
              + QStringLiteral(": not found in archive"));
        start += size;
    }
    if (!m_stopReason.isEmpty())
        error(m_archive
              + QStringLiteral(": %1 of %2 not written: %3")
                    .arg(m_failed + m_skipped)
                    .arg(Printable::count(entries, "entry", "entries"), m_stopReason));
    else if (m_failed > 0)
        error(m_archive
              + QStringLiteral(": %1 of %2 failed")
                    .arg(m_failed)
                    .arg(Printable::count(entries, "entry", "entries")));
    if ((std::fflush(m_out) != 0 || std::ferror(m_out)) && !m_outError)
        m_outError = errno ? errno : EIO;
    if (m_outError) {
        error(QStringLiteral("standard output: cannot write: ")
              + QString::fromLocal8Bit(std::strerror(m_outError)));
        return UsageOrArchiveError;
    }
    return m_failed > 0 || m_unmatchedCount > 0 ? EntryFailed : Success;
}
