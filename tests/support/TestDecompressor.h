#pragma once

#include "extract/EntryWriter.h"

// Stands in for the compression component's DecompressData until the component is on main:
// one work buffer of round(n * 0.01 + n + 12) zero bytes, one zlib uncompress over the whole
// input, the data replaced by zlib's output whatever the code, and zlib's code returned. An empty
// input, a capacity that is negative or does not fit 32 bits, and an output of no bytes are
// thrown as std::runtime_error, as the component raises them.
EntryWriter::Decompressor testDecompressor();
