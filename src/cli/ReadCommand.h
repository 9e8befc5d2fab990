#pragma once

#include "CommandLineOptions.h"
#include "Console.h"
#include "NameList.h"
#include "ProgressLine.h"

#include "archive/ArchiveFile.h"
#include "archive/DirectoryReader.h"
#include "extract/ExtractReporter.h"

#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

class EntryWriter;

// quillon list, extract and test: the commands that read one archive. It opens and reads the
// archive with the window's reader (DirectoryReader::open), reads every entry through the one
// core path (EntryReader) on the descriptor it opened, and writes entries to disk with the
// window's writers (EntryWriter), inflating in pieces instead of at once.
//
// A PATTERN is a NamePattern; the names -T reads are literal ones. Every failed entry is one
// line on standard error, `quillon: ARCHIVE: NAME: REASON`; an entry of a type that cannot be
// written, or whose inflated size differs from the directory's, fails too. An extraction stops
// at the first entry that finds no space left: the entries after it could not be written either.
class ReadCommand : private ExtractReporter
{
public:
    // err: where the progress line goes when it is a terminal.
    ReadCommand(const CommandLineOptions &options, Console &console, std::FILE *err);
    ~ReadCommand() override;

    // The exit status.
    int run();

private:
    int list();
    void extractToDisk(const std::vector<qint32> &rows);
    // Reads each file entry into standard output (extract -O), or only to see that it can be
    // read (test); test looks at folders and names too.
    void readEach(const std::vector<qint32> &rows, bool test);
    // The archive as messages name it.
    QByteArray archiveName() const;
    // Opens the archive, "-" from standard input, and reads its directory; false with why set.
    bool openArchive(QString &why);
    // Reads the names -T gives into m_names; false, said, when the file cannot be read or
    // holds a name no archive can.
    bool readNames();
    // The progress line's totals, when it is shown.
    void startProgress(const std::vector<qint32> &rows);

    // The rows the patterns and names select, in table order; notes the patterns and names
    // that select nothing.
    std::vector<qint32> selectedRows();
    const EntryTable &table() const { return m_reader.table(); }

    // The writers' reports: the first cause of each entry's failure is kept for its line.
    void message(const QString &) override { }
    void failed(const QString &text, const QString &name, const EntryFailure &why) override;

    const CommandLineOptions &m_options;
    Console &m_console;
    NameList m_names; // from -T
    ProgressLine m_progress;
    ArchiveFile m_archive;
    DirectoryReader m_reader;
    std::unique_ptr<EntryWriter> m_writer;
    std::optional<EntryFailure> m_cause;
};
