#pragma once

#include "support/ArchiveWriter.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>

// The bodies of the fuzz targets. libFuzzer drives them in the fuzz build; the test suite replays
// every corpus file through the same functions, so what fuzzing found stays fixed.
namespace FuzzTargets {

// The directory reader on a whole file's bytes.
void reader(const std::uint8_t *data, std::size_t size);
// Extraction of every entry of an archive into a fresh folder.
void extract(const std::uint8_t *data, std::size_t size);
// The compression component's members on arbitrary data and sizes.
void packwell(const std::uint8_t *data, std::size_t size);
// A new archive of a tree of files and folders that data describes, in memory, read back;
// then update and delete on an archive laid out as other programs lay theirs out.
void create(const std::uint8_t *data, std::size_t size);
void update(const std::uint8_t *data, std::size_t size);

// An archive drawn from seed with what other programs do: both count conventions, aux values,
// bytes before the data and after the records, gaps or alignment, blocks shared by two records,
// data in another order than the records, files in folders without folder entries.
ArchiveWriter foreignArchive(quint32 seed);
// Why after does not keep every record of before whose name is not in touched as it was: its
// bytes but the offset, its packed bytes, its order, its shared block, the alignment, the count's
// convention and the bytes before the footer. Empty when it does.
QString keptAsItWas(const QByteArray &before, const QByteArray &after,
                    const QSet<QByteArray> &touched);

// Makes a folder or a file at a path relative to the tree's root; false when it cannot.
struct TreeMaker
{
    std::function<bool(const QString &path)> folder;
    std::function<bool(const QString &path, const QByteArray &bytes)> file;
};

// Makes the tree of files and folders that data describes (names with spaces and Windows-1252
// letters, empty files and folders, files up to a few MiB); returns what it made as
// FileTree::contents() lists it.
QMap<QString, QByteArray> makeTree(const TreeMaker &make, const std::uint8_t *data,
                                   std::size_t size);
// The same on disk, under root.
QMap<QString, QByteArray> makeTree(const QString &root, const std::uint8_t *data, std::size_t size);

} // namespace FuzzTargets
