namespace cotavia { int reportGuiPlaceholder = 0; }
