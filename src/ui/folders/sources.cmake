# Files of src/ui/folders/: the folder chooser and its lists
target_sources(quillon_ui PRIVATE
    ui/folders/DirListBox.cpp ui/folders/DirListBox.h
    ui/folders/DriveListBox.cpp ui/folders/DriveListBox.h
    ui/folders/FolderPaths.cpp ui/folders/FolderPaths.h
    ui/folders/Volumes.cpp ui/folders/Volumes.h
    ui/folders/dlgDir.cpp ui/folders/dlgDir.h
)
