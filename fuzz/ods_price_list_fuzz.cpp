// Price lists in .ods files: see sheet_fuzz.h for the input's form and the properties checked.
#include "sheet_fuzz.h"

COTAVIA_SHEET_FUZZ_TARGET("precos.ods")
