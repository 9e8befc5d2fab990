#pragma once

#include "EntryComparison.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class EntryTable;
class FileSystem;
class SourceTree;

// What update changes in an archive to bring it in line with the files of a SourceTree. A file
// whose name an entry has replaces that entry when its bytes differ (EntryComparison); a file
// or folder without an entry is added; a folder counts as there when an entry of its name is a
// folder or when an entry lies below it, as extraction makes both. Nothing else changes: a file
// where the archive has a folder (or the other way round), or an entry of a type this program
// cannot write, is reported and left as it is, and so is an empty file for a compressed entry,
// which no reader inflates to nothing. Each report names the path below the tree's root.
class UpdatePlan
{
public:
    using Reporter = std::function<void(const QByteArray &path, const QString &reason)>;

    UpdatePlan(FileSystem &fs, Reporter reporter);

    void make(SourceTree &tree, const EntryTable &table, const ArchiveFile &archive);

    // Rows whose entry a file replaces, with the file's item, by row.
    const std::vector<std::pair<qint32, qsizetype>> &replaced() const { return m_replaced; }
    // Items to add, in the tree's order.
    const std::vector<qsizetype> &added() const { return m_added; }
    bool isEmpty() const { return m_replaced.empty() && m_added.empty(); }

private:
    // Compares item i, a file, with the entry of row.
    void compare(SourceTree &tree, qsizetype i, qint32 row, const EntryTable &table,
                 const ArchiveFile &archive);

    FileSystem &m_fs;
    Reporter m_report;
    EntryComparison m_comparison;
    std::vector<std::pair<qint32, qsizetype>> m_replaced;
    std::vector<qsizetype> m_added;
};
