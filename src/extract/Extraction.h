#pragma once

#include "archive/EntryTable.h"

#include <QString>

#include <functional>
#include <vector>

class EntryWriter;

// Walks entries of an Entry table, handing each to the writer for its type: stored, compressed
// or folder. Entries of any other type are passed over. Failures are the writer's to report;
// the walk always goes on with the next entry.
class Extraction
{
public:
    // Told each entry's output path just before its writer runs.
    using Progress = std::function<void(const QString &outputPath)>;

    Extraction(const EntryTable &table, const QString &extractDir, EntryWriter &writer,
               Progress progress = {});

    // One entry: report its path, then write it. False when its writer failed.
    bool extractRow(qint32 row);
    // Every row the directory reader filled, in row order; returns how many entries failed.
    qint64 extractAll();
    // The given rows in the given order; returns how many entries failed.
    qint64 extractRows(const std::vector<qint32> &rows);

private:
    const EntryTable &m_table;
    QString m_extractDir;
    EntryWriter &m_writer;
    Progress m_progress;
};
