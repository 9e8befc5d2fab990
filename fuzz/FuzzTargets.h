#pragma once

#include <cstddef>
#include <cstdint>

// The bodies of the fuzz targets. libFuzzer drives them in the fuzz build; the test suite replays
// every corpus file through the same functions, so what fuzzing found stays fixed.
namespace FuzzTargets {

// The directory reader on a whole file's bytes.
void reader(const std::uint8_t *data, std::size_t size);

} // namespace FuzzTargets
