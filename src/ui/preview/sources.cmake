# Files of src/ui/preview/: the viewer
target_sources(quillon_ui PRIVATE
    ui/preview/EntryPreview.cpp ui/preview/EntryPreview.h
    ui/preview/ImageDecoder.cpp ui/preview/ImageDecoder.h
    ui/preview/LinesView.cpp ui/preview/LinesView.h
    ui/preview/PreviewLines.cpp ui/preview/PreviewLines.h
    ui/preview/PreviewLoader.cpp ui/preview/PreviewLoader.h
    ui/preview/StoppableDevice.cpp ui/preview/StoppableDevice.h
    ui/preview/TextRows.cpp ui/preview/TextRows.h
    ui/preview/TgaImage.cpp ui/preview/TgaImage.h
    ui/preview/dlgPreview.cpp ui/preview/dlgPreview.h
)
