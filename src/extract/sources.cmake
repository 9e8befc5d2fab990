# Files of src/extract/
