# Files of src/create/
target_sources(quillon_create PRIVATE
    create/ArchiveLayout.cpp create/ArchiveLayout.h
    create/ArchiveOutput.cpp create/ArchiveOutput.h
    create/ArchiveRewriter.cpp create/ArchiveRewriter.h
    create/EntryComparison.cpp create/EntryComparison.h
    create/EntryMatch.cpp create/EntryMatch.h
    create/EntryPacker.cpp create/EntryPacker.h
    create/FilePacker.cpp create/FilePacker.h
    create/SourceTree.cpp create/SourceTree.h
    create/UpdatePlan.cpp create/UpdatePlan.h
)
