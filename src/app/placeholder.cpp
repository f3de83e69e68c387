namespace cotavia { int appPlaceholder = 0; }
