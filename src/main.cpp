// cotavia: with a subcommand it runs headless; without one it starts the proposal screens.
#include "app/screens/gui_main.h"
#include "cli/cli.h"

int main(int argc, char** argv) {
  if (cotavia::cli::hasSubcommand(argc, argv)) return cotavia::cli::run(argc, argv);
  return cotavia::runGui(argc, argv);
}
