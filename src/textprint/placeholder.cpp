namespace cotavia { int textprintPlaceholder = 0; }
