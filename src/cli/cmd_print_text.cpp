#include "cli/cli.h"

#include <cstdio>

namespace cotavia::cli {

int cmdPrintText(const Args&) {
  std::fprintf(stderr, "cotavia: this subcommand is not available yet\n");
  return 1;
}

} // namespace cotavia::cli
