#pragma once

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

} // namespace FuzzTargets
