# Files of src/create/
target_sources(quillon_create PRIVATE
    create/ArchiveOutput.cpp create/ArchiveOutput.h
    create/EntryPacker.cpp create/EntryPacker.h
    create/SourceTree.cpp create/SourceTree.h
)
