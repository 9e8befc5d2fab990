# Files of src/archive/
target_sources(quillon_core PRIVATE
    archive/ArchiveBuilder.cpp archive/ArchiveBuilder.h
    archive/ArchiveFile.cpp archive/ArchiveFile.h
    archive/DirectoryReader.cpp archive/DirectoryReader.h
    archive/EntryFailure.cpp archive/EntryFailure.h
    archive/EntryName.cpp archive/EntryName.h
    archive/EntryReader.cpp archive/EntryReader.h
    archive/EntryRecord.h
    archive/EntryTable.cpp archive/EntryTable.h
    archive/ExactNames.cpp archive/ExactNames.h
    archive/NamePattern.cpp archive/NamePattern.h
    archive/PatternAutomaton.cpp archive/PatternAutomaton.h
    archive/SystemCall.h
)
