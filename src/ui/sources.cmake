# Files of src/ui/
target_sources(quillon_ui PRIVATE
    ui/Twips.h
)
