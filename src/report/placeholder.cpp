namespace cotavia { int reportPlaceholder = 0; }
