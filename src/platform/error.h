#pragma once
// Errors raised by the proposal screens' core code. The GUI shows what() in a message box;
// the command line prints it as one line on standard error.
#include <stdexcept>
#include <string>

namespace cotavia {

class AppError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The runtime's conversion message: "'%s' is not a valid floating point value".
AppError invalidFloat(const std::string& text);
// "'%s' is not a valid integer value".
AppError invalidInteger(const std::string& text);

} // namespace cotavia
