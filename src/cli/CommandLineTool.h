#pragma once

#include "extract/FileSystem.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <vector>

class EntryTable;

// The companion command `quillon`: lists, extracts and tests one archive per call with the
// same reader and writers as the window.
//
//   quillon list    [-l] [-0] ARCHIVE [PATTERN...]
//   quillon extract [-C DIR] [-k] [-O] [-v] ARCHIVE [PATTERN...]
//   quillon test    [-v] ARCHIVE [PATTERN...]
//
// A PATTERN is a shell wildcard matched against entry names with "\" and "/" alike; one that
// matches a folder selects everything below it. Every failed entry is one line on standard
// error, `quillon: ARCHIVE: NAME: REASON`. Exit status: 0 when all is done, 1 when an entry
// failed or a pattern matched nothing, 2 for a usage error, an unreadable archive or standard
// output that cannot be written.
class CommandLineTool
{
public:
    CommandLineTool(std::FILE *out, std::FILE *err);
    ~CommandLineTool();

    enum Status { Success = 0, EntryFailed = 1, UsageOrArchiveError = 2 };

    // arguments includes the program name; each holds one character for each byte of the
    // argument as the system gave it (Latin-1), so that a path is used exactly as given.
    int run(const QStringList &arguments);

    // A name as it is printed: "/" between folders, control characters as \n, \t, \r or \xHH,
    // so that one name is always one line and nothing reaches a terminal raw.
    static QString printableName(const QString &name);
    // Whether a pattern selects an entry: the name or one of the folders above it matches.
    static bool selects(const QString &pattern, const QString &name);

private:
    struct Options;
    class ArchiveData;

    int list(const EntryTable &table, qint32 entryCount, const Options &options);
    int extract(const EntryTable &table, const Options &options);
    int test(const EntryTable &table, const Options &options);
    // Writes every selected entry to disk through the writers the window uses.
    void extractToDisk(const EntryTable &table, const std::vector<qint32> &rows,
                       const Options &options);
    // Copies or inflates one file entry into sink; returns the reason when it fails.
    template<typename Sink>
    QString readEntry(ArchiveData &archive, qint32 row, const EntryTable &table, Sink &&sink);

    // The rows the patterns select, in table order; notes the patterns that select nothing.
    std::vector<qint32> select(const EntryTable &table, const QStringList &patterns);
    // The one way an entry's failure is reported and counted.
    void entryFailed(const QString &name, const QString &reason);
    // The unmatched patterns, the failure count and the state of standard output, as status.
    int finish(qint64 entries);

    bool write(const char *data, qint64 size);
    bool write(const QString &text) { return write(text.toUtf8()); }
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // "quillon: " and the text on standard error.
    void error(const QString &text);
    // One line on standard error.
    void say(const QString &line);

    std::FILE *m_out;
    std::FILE *m_err;
    QString m_archive; // as given, for messages
    QByteArray m_archivePath; // as given, for the file system
    FileSystem::Info m_archiveInfo;
    std::unique_ptr<ArchiveData> m_data;
    QStringList m_unmatched;
    qint64 m_failed = 0;
    int m_outError = 0; // errno of the first failed write to standard output
};
