# Files of src/compress/
target_sources(quillon_core PRIVATE
    compress/PackwellCore.cpp compress/PackwellCore.h
    compress/ParallelDeflate.cpp compress/ParallelDeflate.h
    compress/PackwellError.cpp compress/PackwellError.h
    compress/PackwellHost.cpp compress/PackwellHost.h
    compress/StreamInflater.cpp compress/StreamInflater.h
    compress/Windows1252.cpp compress/Windows1252.h
)
# The work capacity must be rounded step by step, never fused into a multiply-add.
set_source_files_properties(compress/PackwellCore.cpp PROPERTIES
    COMPILE_OPTIONS "$<$<CXX_COMPILER_ID:GNU,Clang,AppleClang>:-ffp-contract=off>")
target_sources(quillon_ui PRIVATE
    compress/Packwell.cpp compress/Packwell.h
)
