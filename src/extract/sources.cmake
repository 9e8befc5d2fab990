# Files of src/extract/
target_sources(quillon_core PRIVATE
    extract/EntryName.cpp extract/EntryName.h
    extract/EntryWriter.cpp extract/EntryWriter.h
    extract/Extraction.cpp extract/Extraction.h
    extract/ExtractFailure.cpp extract/ExtractFailure.h
    extract/ExtractReporter.h
    extract/FileSystem.cpp extract/FileSystem.h
    extract/FolderWalk.cpp extract/FolderWalk.h
    extract/OutputFile.cpp extract/OutputFile.h
    extract/OutputTracker.h
)
