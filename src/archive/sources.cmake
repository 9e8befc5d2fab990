# Files of src/archive/
target_sources(quillon_core PRIVATE
    archive/DirectoryReader.cpp archive/DirectoryReader.h
    archive/EntryRecord.h
    archive/EntryTable.cpp archive/EntryTable.h
    archive/Windows1252.cpp archive/Windows1252.h
)
