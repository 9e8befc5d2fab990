# Files of src/compress/
