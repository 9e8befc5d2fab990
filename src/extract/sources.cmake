# Files of src/extract/
target_sources(quillon_core PRIVATE
    extract/EntryWriter.cpp extract/EntryWriter.h
    extract/Extraction.cpp extract/Extraction.h
    extract/ExtractReporter.h
)
