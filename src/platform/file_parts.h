#pragma once
// What the parts of the file layer share among themselves (files.cpp, atomic_save.cpp,
// save_journal.cpp, save_lock.cpp, stale_files.cpp); callers use platform/files.h.
#include "platform/error.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace cotavia {
enum class FileStep;  // platform/files.h
}

namespace cotavia::fileparts {

// Every file of our own in a folder starts with this: temporary files, journals, locks.
inline constexpr char kOwnPrefix[] = ".cotavia.";

AppError notRegular(const QString& path, const char* outcome);
AppError linkRefused(const QString& path);

// Appends what is read from `fd` to `data`, in blocks, until `enough` says the bytes read so far
// are enough (given the last block) or the file ends. Returns 0, or the errno of a failed read.
int readBlocks(int fd, QByteArray& data, const std::function<bool(const char*, qsizetype)>& enough);

// The errno the test hook injects before `step` on `file` (0: none).
int injected(FileStep step, const QString& file);

QString folderOf(const QString& path);
QString nameOf(const QString& path);
// Makes the renames in a folder durable; a file system that cannot sync a folder is left as is.
void syncFolder(const QString& folder);

// ".cotavia.<name>.<pid>.<unique>.tmp": the process that wrote a temporary file of ours (0 when
// the name is not one of them).
qint64 writerOf(const QString& name);

struct Rename {
  QString temp, target;  // names in the folder
};
// The renames a journal lists. Throws AppError (Damaged) on anything but our own format.
QList<Rename> readJournal(const QString& path);

}  // namespace cotavia::fileparts
