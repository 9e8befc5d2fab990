# Files of src/fs/
target_sources(quillon_core PRIVATE
    fs/FileSystem.cpp fs/FileSystem.h
    fs/FolderWalk.cpp fs/FolderWalk.h
    fs/NewArchiveFile.cpp fs/NewArchiveFile.h
    fs/OutputFile.cpp fs/OutputFile.h
    fs/OutputTracker.h
)
