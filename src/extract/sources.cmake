# Files of src/extract/
target_sources(quillon_core PRIVATE
    extract/ExtractReporter.h
    extract/FileSystem.cpp extract/FileSystem.h
)
