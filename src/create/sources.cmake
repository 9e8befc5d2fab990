# Files of src/create/
target_sources(quillon_core PRIVATE
    create/EntryPacker.cpp create/EntryPacker.h
    create/SourceTree.cpp create/SourceTree.h
)
