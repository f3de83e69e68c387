namespace cotavia { int textprintGuiPlaceholder = 0; }
