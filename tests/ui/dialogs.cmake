# Tests of the folder chooser and the About box
