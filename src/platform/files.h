#pragma once
// File helpers shared by every subsystem: the program folder, whole-file reads, line splitting,
// and atomic saves (temporary file in the same folder, then rename).
#include <QByteArray>
#include <QList>
#include <QString>

namespace cotavia {

// The program's folder: the folder of the executable, unless overridden (--dir FOLDER).
// An installed copy (its executable has ../share/cotavia/installed beside it) keeps its data in
// the folder "Cotavia" of the user's documents instead, created on first use.
QString programFolder();
void setProgramFolder(const QString& folder);
// True when this run created the installed copy's data folder (the start screen names it).
bool programFolderCreated();
// folder + "/" + name (plain concatenation, as the program forms every path).
QString joinPath(const QString& folder, const QString& name);

// Reads a whole file. Throws AppError naming the file ("File not found" for a missing one).
QByteArray readWholeFile(const QString& path);

// Splits file content into lines. A line ends at CR LF, a lone LF or a lone CR.
// A final line without a line end counts; an empty content gives no lines.
QList<QByteArray> splitLines(const QByteArray& content);

// Writes bytes atomically: a temporary file in the same folder, flushed, then renamed over the
// target. On failure the target is untouched and AppError names the file.
void atomicWrite(const QString& path, const QByteArray& bytes);
// Joins the lines with CR LF (each line ended) and writes them atomically.
void atomicWriteLines(const QString& path, const QList<QByteArray>& lines);
// Copies src over dst atomically and checks the result; throws AppError naming the failing file.
void copyFileChecked(const QString& src, const QString& dst);

} // namespace cotavia
