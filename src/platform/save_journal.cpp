// Saving several files together through a journal, and finishing a save a kill interrupted.
#include "platform/error.h"
#include "platform/file_parts.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace cotavia {

using namespace fileparts;

namespace {

QString journalPath(const QString& folder, const QString& key) {
  return joinPath(folder, QLatin1String(kOwnPrefix) + key + QStringLiteral(".journal"));
}

bool plainName(const QString& n) {
  return !n.isEmpty() && n != "." && n != ".." && !n.contains('/') && !n.contains(QChar(0));
}

// A journal lists one rename a line, "<temporary name>\t<target name>". Its first version held
// the names as they are, which a name holding a tab or a line end breaks; the second holds them
// percent-encoded, so any name a folder can hold is read back as it was written.
const char kJournalV1[] = "cotavia-journal 1";
const char kJournalV2[] = "cotavia-journal 2";

QByteArray journalName(const QString& name) { return QFile::encodeName(name).toPercentEncoding(); }

}  // namespace

QList<Rename> fileparts::readJournal(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode)) throw linkRefused(path);
  const QList<QByteArray> lines = readWholeFile(path).split('\n');
  auto damaged = [&] {
    return AppError(ErrorKind::Damaged, path,
                    "o registro de uma gravação interrompida está ilegível; apague este arquivo e grave de novo");
  };
  if (lines.isEmpty() || (lines[0] != kJournalV1 && lines[0] != kJournalV2)) throw damaged();
  const bool encoded = lines[0] == kJournalV2;
  QList<Rename> renames;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    if (lines[i].isEmpty()) continue;
    const QList<QByteArray> f = lines[i].split('\t');
    if (f.size() != 2) throw damaged();
    Rename r = encoded ? Rename{QFile::decodeName(QByteArray::fromPercentEncoding(f[0])),
                                QFile::decodeName(QByteArray::fromPercentEncoding(f[1]))}
                       : Rename{QString::fromUtf8(f[0]), QString::fromUtf8(f[1])};
    if (!plainName(r.temp) || !plainName(r.target) || writerOf(r.temp) == 0) throw damaged();
    renames.append(r);
  }
  return renames;
}

namespace {

// Makes the renames a journal lists (those not made yet) and removes the journal. The caller
// holds the proposal's lock.
void finishJournal(const QString& folder, const QString& key) {
  const QString path = journalPath(folder, key);
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return;
  const QList<Rename> renames = readJournal(path);
  for (const Rename& r : renames) {
    const QString temp = joinPath(folder, r.temp), target = joinPath(folder, r.target);
    if (::lstat(QFile::encodeName(temp).constData(), &st) != 0) continue;  // renamed before the kill
    if (!S_ISREG(st.st_mode)) continue;
    if (::lstat(QFile::encodeName(target).constData(), &st) == 0 && S_ISLNK(st.st_mode)) throw linkRefused(target);
    if (int e = injected(FileStep::Rename, target)) throw systemError(target, e);
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0)
      throw systemError(target, errno);
  }
  syncFolder(folder);
  ::unlink(QFile::encodeName(path).constData());
}

}  // namespace

void saveTogether(const QString& folder, const QString& key, const QList<FileContent>& files) {
  std::vector<std::unique_ptr<AtomicFile>> parts;
  QByteArray journal = QByteArray(kJournalV2) + '\n';
  for (const FileContent& f : files) {
    parts.push_back(std::make_unique<AtomicFile>(f.path));
    AtomicFile& a = *parts.back();
    a.create();
    a.writeAll(f.bytes);
    a.prepare();
    journal += journalName(nameOf(a.temporaryPath())) + '\t' + journalName(nameOf(f.path)) + '\n';
  }
  const QString jpath = journalPath(folder, key);
  atomicWrite(jpath, journal);
  // From here on the save is decided: the renames are the journal's, made as an interrupted save
  // is finished, and what a failure leaves undone is finished the next time.
  for (auto& a : parts) a->keep();
  try {
    finishJournal(folder, key);
  } catch (const AppError& e) {
    throw AppError(e.kind(), e.file(),
                   e.detail() + "; a gravação será concluída na próxima vez que a proposta for aberta ou gravada");
  }
}

void finishInterruptedSave(const QString& folder, const QString& key, const SaveLock&) {
  finishJournal(folder, key);
  removeStaleTemporaryFiles(folder);
}

void finishInterruptedSave(const QString& folder, const QString& key) {
  struct stat st {};
  if (::lstat(QFile::encodeName(journalPath(folder, key)).constData(), &st) == 0) {
    SaveLock lock(folder, key);
    finishJournal(folder, key);
  }
  removeStaleTemporaryFiles(folder);
}

void finishInterruptedSaves(const QString& folder) {
  const QString prefix = QLatin1String(kOwnPrefix);
  const QStringList journals =
      QDir(folder).entryList({prefix + "*.journal"}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& j : journals) {
    const QString key = j.mid(prefix.size(), j.size() - prefix.size() - int(sizeof(".journal") - 1));
    if (!key.isEmpty()) {
      SaveLock lock(folder, key);
      finishJournal(folder, key);
    }
  }
  removeStaleTemporaryFiles(folder);
}

}  // namespace cotavia
