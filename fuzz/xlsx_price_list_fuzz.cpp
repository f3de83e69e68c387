// Price lists in .xlsx files: see sheet_fuzz.h for the input's form and the properties checked.
#include "sheet_fuzz.h"

using namespace cotavia;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::startApp();
  fuzz::sheetBaseProposal();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz::sheetPriceListOneInput(data, size, QStringLiteral("precos.xlsx"));
}
