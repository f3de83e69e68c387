#pragma once

namespace cotavia {
// Starts the proposal screens on the program folder (or --dir FOLDER); returns the exit status.
int runGui(int argc, char** argv);
}
