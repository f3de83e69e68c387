#include "platform/error.h"

namespace cotavia {

AppError invalidFloat(const std::string& text) { return AppError("'" + text + "' is not a valid floating point value"); }
AppError invalidInteger(const std::string& text) { return AppError("'" + text + "' is not a valid integer value"); }

} // namespace cotavia
