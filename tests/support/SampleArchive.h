#pragma once

#include "ArchiveWriter.h"

// The archive shipped as examples/sample.dat: a few folders, stored and compressed files and a
// picture.
// examples/MakeSample.cpp writes it; a test checks the shipped file still matches.
ArchiveWriter sampleArchive();
