#pragma once

#include "archive/EntryTable.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

class SourceTree;

// Which entries of an archive the files and folders of a SourceTree stand for: the entry an
// extraction writes at an item's path, and whether entries lie below it. Names are compared as
// extraction writes them: "\" and "/" alike, without empty or "." components, so "\a//b" is
// the "a\b" that create names; where several entries are written to one path, the last one in
// the directory is what the file holds.
//
// The directory is read once, each name and the folders above it looked up among the tree's
// names, so a large archive costs one pass and memory for the tree's names only.
class EntryMatch
{
public:
    EntryMatch(const SourceTree &tree, const EntryTable &table);

    // The row written at item i's path, or -1.
    qint32 row(qsizetype i) const { return m_rows[size_t(i)]; }
    // Whether some entry's name lies below item i.
    bool holdsBelow(qsizetype i) const { return m_below[size_t(i)]; }

    // The name as create would store the path extraction writes it to.
    static QByteArrayView canonical(QByteArrayView name, QByteArray &buffer);

private:
    std::vector<qint32> m_rows;
    std::vector<bool> m_below;
};
