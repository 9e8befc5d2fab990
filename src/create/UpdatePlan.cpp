#include "UpdatePlan.h"

#include "EntryMatch.h"
#include "SourceTree.h"

#include "archive/EntryFailure.h"
#include "archive/EntryTable.h"
#include "fs/FileSystem.h"

#include <QSet>

#include <algorithm>
#include <cerrno>

namespace {

// Whether a folder above name is one of folders.
bool isBelow(const QByteArray &name, const QSet<QByteArray> &folders)
{
    for (qsizetype k = name.indexOf('\\'); k > 0; k = name.indexOf('\\', k + 1))
        if (folders.contains(name.left(k)))
            return true;
    return false;
}

} // namespace

UpdatePlan::UpdatePlan(FileSystem &fs, Reporter reporter) : m_fs(fs), m_report(std::move(reporter))
{ }

void UpdatePlan::make(SourceTree &tree, const EntryTable &table, const ArchiveFile &archive)
{
    const EntryMatch match(tree, table);
    QSet<QByteArray> left; // folders left out with everything below them
    for (qsizetype i = 0; i < tree.count(); ++i) {
        const QByteArray name = tree.name(i);
        if (!left.isEmpty() && isBelow(name, left))
            continue;
        const qint32 row = match.row(i);
        const qint32 type = row >= 0 ? table.entryType(row) : 0;
        const bool folderThere = type == FolderEntry || match.holdsBelow(i);
        QString why;
        if (row < 0 && !match.holdsBelow(i) && tree.holdsControl(i))
            why = SourceTree::controlRefusal(); // only names the archive has are taken so
        else if (tree.isFolder(i) && !folderThere && row >= 0)
            why = QStringLiteral("the archive has a file of this name, not added");
        else if (!tree.isFolder(i) && folderThere)
            why = QStringLiteral("the archive has a folder of this name, not added");
        else if (!tree.isFolder(i) && row >= 0 && !isFileEntry(type))
            why = QStringLiteral("the archive's entry of this name is of type %1, not replaced")
                      .arg(type);
        if (!why.isEmpty()) {
            m_report(tree.path(i), why);
            if (tree.isFolder(i))
                left.insert(name);
        } else if (row < 0 && !folderThere) {
            m_added.push_back(i);
        } else if (!tree.isFolder(i)) {
            compare(tree, i, row, table, archive);
        }
    }
    std::sort(m_replaced.begin(), m_replaced.end());
}

void UpdatePlan::compare(SourceTree &tree, qsizetype i, qint32 row, const EntryTable &table,
                         const ArchiveFile &archive)
{
    const EntryRecord entry = table.at(row);
    QString why;
    FileSystem::Descriptor file(m_fs);
    file.reset(tree.open(i, why));
    if (file.fd() < 0) {
        if (!why.isEmpty()) // the archive itself is passed over without a word
            m_report(tree.path(i), why);
        return;
    }
    FileSystem::Info info;
    if (!m_fs.info(file.fd(), info)) {
        m_report(tree.path(i), EntryFailure::systemText(errno) + QStringLiteral(", not replaced"));
        return;
    }
    switch (m_comparison.compare(archive, entry, file.fd(), info.size, why)) {
    case EntryComparison::Outcome::Same:
        return;
    case EntryComparison::Outcome::FileFailed:
        m_report(tree.path(i), why + QStringLiteral(", not replaced"));
        return;
    case EntryComparison::Outcome::Different:
        break;
    }
    if (entry.entryType == CompressedEntry && info.size == 0)
        m_report(tree.path(i),
                 QStringLiteral("empty, which a compressed entry cannot hold, not replaced"));
    else
        m_replaced.emplace_back(row, i);
}
