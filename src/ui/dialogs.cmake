# Files of the folder chooser, the About box and the viewer
target_sources(quillon_ui PRIVATE
    ui/DirListBox.cpp
    ui/DirListBox.h
    ui/DriveListBox.cpp
    ui/DriveListBox.h
    ui/FolderPaths.cpp
    ui/FolderPaths.h
    ui/Volumes.cpp
    ui/Volumes.h
    ui/dlgDir.cpp
    ui/dlgDir.h
    ui/dlgPreview.cpp
    ui/dlgPreview.h
    ui/frmAbout.cpp
    ui/frmAbout.h
)
