# Files of tests/support/
target_sources(quillon_test_support PRIVATE
    support/ArchiveWriter.cpp support/ArchiveWriter.h
    support/CommandRun.cpp support/CommandRun.h
    support/FaultyFileSystem.cpp support/FaultyFileSystem.h
    support/FileTree.cpp support/FileTree.h
    support/Files.h
    support/JpegBytes.cpp support/JpegBytes.h
    support/PngBytes.cpp support/PngBytes.h
    support/RacingFileSystem.h
    support/SampleArchive.cpp support/SampleArchive.h
    support/TestDecompressor.cpp support/TestDecompressor.h
)
