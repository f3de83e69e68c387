#pragma once
// The program's one family of errors. Every core (files, proposal files, engines) throws an
// AppError carrying what went wrong (its kind), the file, the line where there is one, and the
// technical detail. Cores never show a box: the window's edge shows userMessage() through the
// dialog service and the command line prints the same text on standard error.
#include <stdexcept>
#include <string>

#include <QString>

namespace cotavia {

enum class ErrorKind {
  Refused,     // a rule of the program refused the input or the action (the default)
  NotFound,    // a file or folder that should exist does not
  NotRegular,  // a FIFO, device or folder where a regular file should be
  Link,        // a symbolic link at a path the program writes
  NoSpace,     // the disk is full (or over quota)
  Io,          // any other failure of the operating system to read or write
  Damaged,     // a file whose content cannot be read back (bad number, broken record)
  Busy,        // another save of the same proposal is running
  BadCopy,     // a copy read back differs from what was written (a faulty or full medium)
  NotSaved,    // a proposal never saved (no response file) asked to be printed or exported
  Printer,     // the spooler refused the job (file: the printer, empty for the default; detail: the cause)
  Report,      // the report engine could not lay out, keep or write a report
  TextPrint,   // the text print engine refused a call or failed a run; the detail is its own text
  TempFolder,  // the system's temporary folder (file: that folder) could not hold a working file
};

class AppError : public std::runtime_error {
 public:
  // A refusal whose text already says everything (kind Refused, no file).
  explicit AppError(const std::string& message);
  AppError(ErrorKind kind, const QString& file, int line, const std::string& detail);
  AppError(ErrorKind kind, const QString& file, const std::string& detail) : AppError(kind, file, 0, detail) {}

  ErrorKind kind() const { return kind_; }
  const QString& file() const { return file_; }
  int line() const { return line_; }  // 1-based; 0 when the error has no line
  const std::string& detail() const { return detail_; }

 private:
  ErrorKind kind_ = ErrorKind::Refused;
  QString file_;
  int line_ = 0;
  std::string detail_;
};

// The error from errno after a failed system call on `file` (ENOSPC and EDQUOT give NoSpace,
// ENOENT NotFound, ELOOP Link, anything else Io); the detail is the system's text in Portuguese
// where the program knows one ("sem espaço no disco").
AppError systemError(const QString& file, int err);

// The error from errno after a failed system call on a working file in the system's temporary
// folder (QDir::tempPath(), which TMPDIR sets): kind TempFolder naming that folder, so the user
// is told to free space there or point TMPDIR elsewhere instead of blaming the output folder.
AppError tempFolderError(int err);

// The text a user reads for an error, the same in the windows and on the command line: a
// Portuguese sentence saying what happened and what to do, then, on a line of its own, the
// technical detail ("file:line: detail", a runtime text kept as it is). A refusal (kind
// Refused) already is that sentence. Printer errors name the printer and carry the cause in the
// sentence itself. The text print engine's errors are its own texts ("Erro #01 - ..."), shown as
// they are.
QString userMessage(const AppError& e);
// Any exception: userMessage of an AppError; otherwise a general sentence and the exception's
// text as the detail.
QString userMessage(const std::exception& e);
// The same text on one line (the command line's form): the detail follows the sentence.
QString userMessageLine(const std::exception& e);

// The runtime's conversion message: "'%s' is not a valid floating point value".
AppError invalidFloat(const std::string& text);
// "'%s' is not a valid integer value".
AppError invalidInteger(const std::string& text);

}  // namespace cotavia
