# Files of src/ui/preview/: the viewer
target_sources(quillon_ui PRIVATE
    ui/preview/EntryPreview.cpp ui/preview/EntryPreview.h
    ui/preview/PreviewLines.cpp ui/preview/PreviewLines.h
    ui/preview/dlgPreview.cpp ui/preview/dlgPreview.h
)
