#pragma once

#include "Printable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <initializer_list>

class ProgressLine;

// What quillon says: the listing or the entries' bytes on standard output, and one line per
// message on standard error. Remembers the first failed write to standard output, the entries
// that failed and the patterns that matched nothing, and turns them into the exit status.
class Console
{
public:
    enum Status { Success = 0, EntryFailed = 1, UsageOrArchiveError = 2 };

    Console(std::FILE *out, std::FILE *err);

    // The archive that messages about entries name.
    void setArchive(const QByteArray &path) { m_archive = Printable::path(path); }
    // Taken off the screen before anything else is printed there; not owned.
    void setProgress(ProgressLine *progress);

    // To standard output; false once a write has failed.
    bool write(const char *data, qint64 size);
    bool write(const QString &text) { return write(text.toUtf8()); }
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    bool outputFailed() const { return m_outError != 0; }

    // One line on standard error.
    void printLine(const QString &line);
    void printLine(std::initializer_list<QString> pieces);
    // "quillon: " and the text, on standard error.
    void error(const QString &text);
    // An error in the command line, with where to read how it goes.
    void usageError(const QString &text);
    // The one way an entry's failure is reported and counted: `quillon: ARCHIVE: NAME: REASON`.
    void entryFailed(const QString &name, const QString &reason);
    void patternUnmatched(const QString &pattern)
    {
        patternUnmatched(QByteArrayView(pattern.toUtf8()));
    }
    // The same for a pattern in UTF-8; kept as bytes, as a million -T names may be.
    void patternUnmatched(QByteArrayView pattern)
    {
        // Its size first: a -T name may hold a NUL, and is one name all the same.
        const qsizetype size = pattern.size();
        m_unmatched.append(reinterpret_cast<const char *>(&size), sizeof size).append(pattern);
        ++m_unmatchedCount;
    }
    // The command stopped with skipped entries left untried, for why: finish() then counts them
    // with the failed ones, `quillon: ARCHIVE: K of N entries not written: WHY`.
    void stopped(qint64 skipped, const QString &why)
    {
        m_skipped = skipped;
        m_stopReason = why;
    }

    // Reports the unmatched patterns, the failure count out of entries and the state of
    // standard output, and gives the exit status.
    int finish(qint64 entries);

private:
    std::FILE *m_out;
    std::FILE *m_err;
    ProgressLine *m_progress = nullptr;
    bool m_outIsTerminal = false; // checked once a progress line is set
    QString m_archive; // printable
    QByteArray m_unmatched; // each pattern's size, then its UTF-8 bytes
    qsizetype m_unmatchedCount = 0;
    qint64 m_failed = 0;
    qint64 m_skipped = 0;
    QString m_stopReason;
    int m_outError = 0; // errno of the first failed write to standard output
};
