# Files of src/ui/: the main window, its commands and the About box
target_sources(quillon_ui PRIVATE
    ui/AppIcon.cpp ui/AppIcon.h
    ui/AppLook.cpp ui/AppLook.h
    ui/ArchiveDrop.cpp ui/ArchiveDrop.h
    ui/BusyPointer.cpp ui/BusyPointer.h
    ui/DisplayField.cpp ui/DisplayField.h
    ui/EntryCommands.cpp ui/EntryCommands.h
    ui/EntryListModel.cpp ui/EntryListModel.h
    ui/EntryListView.cpp ui/EntryListView.h
    ui/OpenArchive.h
    ui/frmAbout.cpp ui/frmAbout.h
    ui/ostrel.cpp ui/ostrel.h
    ui/ProgressLabel.cpp ui/ProgressLabel.h
    ui/SelectionRanges.cpp ui/SelectionRanges.h
)
