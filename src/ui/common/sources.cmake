# Files of src/ui/common/: what the windows share
target_sources(quillon_ui PRIVATE
    ui/common/EntryDescription.cpp ui/common/EntryDescription.h
    ui/common/Twips.h
)
