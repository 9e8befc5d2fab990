# Files of tests/support/
target_sources(quillon_test_support PRIVATE
    support/ArchiveWriter.cpp support/ArchiveWriter.h
    support/SampleArchive.cpp support/SampleArchive.h
)
