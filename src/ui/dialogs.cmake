# Files of the folder chooser and the About box
