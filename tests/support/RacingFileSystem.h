#pragma once

#include "fs/FileSystem.h"

#include <QByteArray>

#include <functional>

// A file system for tests in which another process may move things while the code under test
// walks: the real one with faults (FaultyFileSystem) and the one in memory (MemoryFileSystem)
// both run this hook, so one table races both alike.
class RacingFileSystem : public FileSystem
{
public:
    // Runs before every step through a folder, with the path about to be opened: a race.
    // Folders are then opened one level at a time, so every level is a step.
    std::function<void(const QByteArray &path)> beforeOpenFolder;
};
