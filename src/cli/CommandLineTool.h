#pragma once

#include "CommandLineOptions.h"
#include "Console.h"

#include "archive/ArchiveFile.h"
#include "archive/DirectoryReader.h"
#include "extract/ExtractReporter.h"

#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

class EntryWriter;

// The companion command `quillon`: lists, extracts and tests one archive per call. It opens
// and reads the archive with the window's reader (DirectoryReader::open), reads every entry
// through the one core path (EntryReader) on the descriptor it opened, and writes entries to
// disk with the window's writers (EntryWriter), inflating in pieces instead of at once.
//
//   quillon list    [-l] [-0] ARCHIVE [PATTERN...]
//   quillon extract [-C DIR] [-k] [-O] [-v] ARCHIVE [PATTERN...]
//   quillon test    [-v] ARCHIVE [PATTERN...]
//
// A PATTERN is a NamePattern. Every failed entry is one line on standard error,
// `quillon: ARCHIVE: NAME: REASON`. Exit status: 0 when all is done, 1 when an entry failed or
// a pattern matched nothing, 2 for a usage error, an unreadable archive or standard output that
// cannot be written.
class CommandLineTool : private ExtractReporter
{
public:
    CommandLineTool(std::FILE *out, std::FILE *err);
    ~CommandLineTool() override;

    // arguments includes the program name, as CommandLineOptions::parse() takes them; returns
    // the exit status.
    int run(const QStringList &arguments);

private:
    int list();
    int extract();
    int test();
    void extractToDisk(const std::vector<qint32> &rows);

    // The rows the patterns select, in table order; notes the patterns that select nothing.
    std::vector<qint32> selectedRows();
    const EntryTable &table() const { return m_reader.table(); }

    // The writers' reports: the first cause of each entry's failure is kept for its line.
    void message(const QString &) override { }
    void failed(const QString &text, const QString &name, const ExtractFailure &why) override;

    CommandLineOptions m_options;
    Console m_console;
    ArchiveFile m_archive;
    DirectoryReader m_reader;
    std::unique_ptr<EntryWriter> m_writer;
    std::optional<ExtractFailure> m_cause;
};
