#pragma once

#include "extract/EntryWriter.h"

// The compression component's DecompressData, as the window hands it to the writers, on an
// instance of the component's core in user mode.
EntryWriter::Decompressor testDecompressor();
