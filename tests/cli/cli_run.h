#pragma once
// The real program (COTAVIA_BIN, its path in the build), run headless by the command-line tests.
#include "support/support.h"

namespace cotavia::test {

inline ProgramRun cotaviaRun(const QStringList& args) { return runHeadless(QStringLiteral(COTAVIA_BIN), args); }

}  // namespace cotavia::test
