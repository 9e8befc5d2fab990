# Files of src/ui/
