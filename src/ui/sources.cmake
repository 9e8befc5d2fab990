# Files of src/ui/
target_sources(quillon_ui PRIVATE
    ui/AppIcon.cpp ui/AppIcon.h
    ui/AppLook.cpp ui/AppLook.h
    ui/ArchiveDrop.cpp ui/ArchiveDrop.h
    ui/BusyPointer.cpp ui/BusyPointer.h
    ui/DisplayField.cpp ui/DisplayField.h
    ui/EntryCommands.cpp ui/EntryCommands.h
    ui/EntryDescription.cpp ui/EntryDescription.h
    ui/EntryListModel.cpp ui/EntryListModel.h
    ui/EntryListView.cpp ui/EntryListView.h
    ui/EntryPreview.cpp ui/EntryPreview.h
    ui/ImageDecoder.cpp ui/ImageDecoder.h
    ui/LinesView.cpp ui/LinesView.h
    ui/ostrel.cpp ui/ostrel.h
    ui/PreviewLines.cpp ui/PreviewLines.h
    ui/PreviewLoader.cpp ui/PreviewLoader.h
    ui/ProgressLabel.cpp ui/ProgressLabel.h
    ui/SelectionRanges.cpp ui/SelectionRanges.h
    ui/StoppableDevice.cpp ui/StoppableDevice.h
    ui/TextRows.cpp ui/TextRows.h
    ui/TgaImage.cpp ui/TgaImage.h
    ui/Twips.h
)
