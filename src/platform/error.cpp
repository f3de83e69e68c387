#include "platform/error.h"

#include <cerrno>
#include <cstring>

namespace cotavia {

namespace {
// "file:line: detail", "file: detail" or "detail": the form every message of the program takes.
std::string compose(const QString& file, int line, const std::string& detail) {
  if (file.isEmpty()) return detail;
  std::string s = file.toStdString();
  if (line > 0) s.append(":").append(std::to_string(line));
  s.append(": ").append(detail);
  return s;
}
} // namespace

AppError::AppError(const std::string& message) : std::runtime_error(message), detail_(message) {}

AppError::AppError(ErrorKind kind, const QString& file, int line, const std::string& detail)
    : std::runtime_error(compose(file, line, detail)), kind_(kind), file_(file), line_(line), detail_(detail) {}

AppError systemError(const QString& file, int err) {
  switch (err) {
  case ENOSPC:
  case EDQUOT:
    return AppError(ErrorKind::NoSpace, file, "sem espaço no disco");
  case ENOENT:
    return AppError(ErrorKind::NotFound, file, "arquivo ou pasta não encontrado");
  case ELOOP:
    return AppError(ErrorKind::Link, file, "é um link simbólico");
  case EACCES:
  case EPERM:
    return AppError(ErrorKind::Io, file, "permissão negada");
  case EROFS:
    return AppError(ErrorKind::Io, file, "a pasta é somente leitura");
  case EIO:
    return AppError(ErrorKind::Io, file, "erro de entrada e saída do disco");
  default:
    return AppError(ErrorKind::Io, file, std::strerror(err));
  }
}

QString userMessage(const AppError& e) { return QString::fromStdString(e.what()); }

AppError invalidFloat(const std::string& text) { return AppError("'" + text + "' is not a valid floating point value"); }
AppError invalidInteger(const std::string& text) { return AppError("'" + text + "' is not a valid integer value"); }

} // namespace cotavia
