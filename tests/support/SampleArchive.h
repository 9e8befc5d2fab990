#pragma once

#include "ArchiveWriter.h"

// The archive shipped as examples/sample.dat: a few folders, stored and compressed files and a
// picture.
// examples/MakeSample.cpp writes it; a test checks the shipped file still matches.
ArchiveWriter sampleArchive();

// A folder, a stored and a compressed file below it, and an entry of an unknown type: one of
// every kind the commands tell apart.
QByteArray everyKind(ArchiveWriter::Count count = ArchiveWriter::Count::Records);
