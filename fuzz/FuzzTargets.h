#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <cstddef>
#include <cstdint>

// The bodies of the fuzz targets. libFuzzer drives them in the fuzz build; the test suite replays
// every corpus file through the same functions, so what fuzzing found stays fixed.
namespace FuzzTargets {

// The directory reader on a whole file's bytes.
void reader(const std::uint8_t *data, std::size_t size);
// Extraction of every entry of an archive into a fresh folder.
void extract(const std::uint8_t *data, std::size_t size);
// The compression component's members on arbitrary data and sizes.
void packwell(const std::uint8_t *data, std::size_t size);
// A new archive of a tree of files and folders that data describes, read back.
void create(const std::uint8_t *data, std::size_t size);

// Makes the tree of files and folders that data describes under root (names with spaces and
// Windows-1252 letters, empty files and folders, files up to a few MiB); returns what it made
// as FileTree::contents() lists it.
QMap<QString, QByteArray> makeTree(const QString &root, const std::uint8_t *data, std::size_t size);

} // namespace FuzzTargets
