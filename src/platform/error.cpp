#include "platform/error.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace cotavia {

namespace {
// "file:line: detail", "file: detail" or "detail": the form every message of the program takes.
// Not inlined: GCC 12 sees a false overlap in the inlined string appends (-Wrestrict).
[[gnu::noinline]] std::string compose(const QString& file, int line, const std::string& detail) {
  if (file.isEmpty()) return detail;
  std::string s = file.toStdString();
  if (line > 0) s.append(":").append(std::to_string(line));
  s.append(": ").append(detail);
  return s;
}
}  // namespace

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

AppError tempFolderError(int err) {
  return AppError(ErrorKind::TempFolder, QDir::tempPath(),
                  "pasta temporária do sistema (TMPDIR): " + systemError(QString(), err).detail());
}

namespace {

// A refusal's own text as a sentence: first letter in upper case, a full stop at the end.
QString asSentence(QString s) {
  s = s.trimmed();
  if (s.isEmpty()) return s;
  s[0] = s[0].toUpper();
  const QChar last = s.back();
  if (last != '.' && last != '!' && last != '?') s += '.';
  return s;
}

QString sentenceFor(const AppError& e) {
  // The sentence names the file without its folder; the detail after it has the whole path.
  const QString path = e.file();
  QString name = QFileInfo(path).fileName();
  if (name.isEmpty()) name = path;
  const QString detail = QString::fromStdString(e.detail());
  switch (e.kind()) {
    case ErrorKind::Refused:
      if (path.isEmpty()) return asSentence(detail);
      if (e.line() > 0)
        return QStringLiteral("A linha %1 de \"%2\" não pôde ser aceita. Corrija essa linha e tente de novo.")
            .arg(e.line())
            .arg(name);
      return QStringLiteral("\"%1\" não pôde ser usado. Corrija o que está indicado abaixo e tente de novo.").arg(name);
    case ErrorKind::NotFound:
      return QStringLiteral(
                 "O arquivo ou pasta \"%1\" não foi encontrado. Verifique se ele não foi movido ou apagado "
                 "(ou se o pen drive está conectado) e tente de novo.")
          .arg(name);
    case ErrorKind::NotRegular:
      return QStringLiteral(
                 "\"%1\" não é um arquivo comum (é uma pasta ou um dispositivo). Remova-o da pasta ou "
                 "escolha outro arquivo.")
          .arg(name);
    case ErrorKind::Link:
      return QStringLiteral(
                 "\"%1\" é um link simbólico, e o programa não grava através de links. Troque o "
                 "link por um arquivo comum ou use outra pasta.")
          .arg(name);
    case ErrorKind::NoSpace:
      return QStringLiteral(
                 "Não há espaço no disco para gravar \"%1\". Libere espaço no disco (ou no pen drive) e "
                 "tente de novo.")
          .arg(name);
    case ErrorKind::Io:
      return QStringLiteral(
                 "Não foi possível ler ou gravar \"%1\". Verifique se a pasta existe e se você tem "
                 "permissão para gravar nela, e tente de novo.")
          .arg(name);
    case ErrorKind::Damaged:
      if (path.isEmpty())
        return QStringLiteral(
            "Um valor não pôde ser lido como número. Corrija o valor indicado abaixo e tente de "
            "novo.");
      if (e.line() > 0)
        return QStringLiteral(
                   "O arquivo \"%1\" tem, na linha %2, um conteúdo que o programa não consegue ler. Peça um "
                   "novo arquivo a quem o enviou ou corrija essa linha.")
            .arg(name)
            .arg(e.line());
      return QStringLiteral(
                 "O arquivo \"%1\" está danificado ou não é do tipo esperado. Peça um novo arquivo a quem o "
                 "enviou.")
          .arg(name);
    case ErrorKind::NotSaved:
      return asSentence(detail);
    case ErrorKind::TextPrint:
      return detail;
    case ErrorKind::BadCopy:
      return QStringLiteral(
                 "A cópia de \"%1\" não confere com o original quando lida de volta: o pen drive (ou o disco) "
                 "pode estar com defeito ou cheio. Use outro pen drive, ou libere espaço nele, e gere o arquivo "
                 "de novo.")
          .arg(name);
    case ErrorKind::Busy:
      return QStringLiteral("A proposta já está sendo gravada. Aguarde o fim dessa gravação e tente de novo.");
    case ErrorKind::Printer: {
      QString cause = detail.trimmed();
      while (cause.endsWith('.')) cause.chop(1);
      return QStringLiteral(
                 "Não foi possível imprimir %1: %2. Verifique se a impressora está instalada e ligada, ou "
                 "escolha outra em Configurar.")
          .arg(path.isEmpty() ? QStringLiteral("na impressora padrão") : QStringLiteral("em \"%1\"").arg(path), cause);
    }
    case ErrorKind::TempFolder:
      return QStringLiteral(
                 "O programa não conseguiu usar a pasta temporária do sistema, \"%1\", onde guarda seus "
                 "arquivos de trabalho. Verifique se há espaço livre nessa pasta e se você pode gravar nela (ou "
                 "indique outra pasta na variável de ambiente TMPDIR) e tente de novo.")
          .arg(QDir::toNativeSeparators(path));
    case ErrorKind::Report:
      if (!path.isEmpty())
        return QStringLiteral(
                   "O relatório não pôde ser lido ou gravado em \"%1\". Verifique o arquivo e a pasta e "
                   "tente de novo.")
            .arg(name);
      return QStringLiteral(
          "O relatório não pôde ser concluído. Tente de novo; se o problema continuar, informe ao "
          "suporte o texto abaixo.");
  }
  return asSentence(detail);
}

}  // namespace

QString userMessage(const AppError& e) {
  const QString sentence = sentenceFor(e);
  // A refusal says everything in its sentence; the printer's cause is inside its sentence.
  if ((e.kind() == ErrorKind::Refused && e.file().isEmpty()) || e.kind() == ErrorKind::Printer ||
      e.kind() == ErrorKind::NotSaved || e.kind() == ErrorKind::TextPrint)
    return sentence;
  return sentence + '\n' + QString::fromStdString(e.what());
}

QString userMessage(const std::exception& e) {
  if (const auto* app = dynamic_cast<const AppError*>(&e)) return userMessage(*app);
  return QStringLiteral(
             "A operação não pôde ser concluída. Tente de novo; se o problema continuar, informe ao suporte "
             "o texto abaixo.\n") +
         QString::fromUtf8(e.what());
}

QString userMessageLine(const std::exception& e) {
  QString s = userMessage(e);
  s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  s.replace('\r', ' ');
  s.replace('\n', ' ');
  return s;
}

AppError invalidFloat(const std::string& text) {
  return AppError(ErrorKind::Damaged, QString(), "'" + text + "' is not a valid floating point value");
}
AppError invalidInteger(const std::string& text) {
  return AppError(ErrorKind::Damaged, QString(), "'" + text + "' is not a valid integer value");
}

}  // namespace cotavia
