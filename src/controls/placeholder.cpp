namespace cotavia { int controlsPlaceholder = 0; }
