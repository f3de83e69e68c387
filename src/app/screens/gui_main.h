#pragma once

class QCoreApplication;

namespace cotavia {
// Starts the proposal screens on the program folder (or --dir FOLDER); returns the exit status.
int runGui(int argc, char** argv);
// Loads Qt's own Portuguese texts (qtbase_pt_BR from Qt's translations folder) into the
// application and makes Brazilian Portuguese the default locale; false when the translations
// are not installed.
bool installQtTranslations(QCoreApplication& app);
}  // namespace cotavia
