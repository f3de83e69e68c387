// What the user reads for an error: the same text in the windows and on the command line, a
// Portuguese sentence (what happened, what to do) and then the technical detail.
#include "app/core/proposal_file.h"
#include "core_fixtures.h"
#include "platform/error.h"
#include "platform/files.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <cerrno>

using namespace cotavia;
using namespace cotavia::test;

namespace {

AppError caught(const std::function<void()>& f) {
  try {
    f();
  } catch (const AppError& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return AppError("none");
}

}  // namespace

TEST(UserMessage, SentenceFirstThenTheDetailUnchanged) {
  TempDir dir;
  Item bad;
  bad.quantity = "12a";
  dir.write("P0002.KVT", joinCrLf(standardHeader() << itemLine(bad)));
  struct Case {
    AppError error;
    QString message;
  };
  const Case cases[] = {
      // A failing queue: the printer named, the spooler's cause (its full stop not doubled).
      {AppError(ErrorKind::Printer, "fila_inexistente", "The printer or class does not exist."),
       "Não foi possível imprimir em \"fila_inexistente\": The printer or class does not exist. Verifique se a "
       "impressora está instalada e ligada, ou escolha outra em Configurar."},
      // A missing file: the name, what to do, then the path and the runtime's "File not found".
      {caught([&] { readWholeFile(dir.file("P0404.KVT")); }),
       "O arquivo ou pasta \"P0404.KVT\" não foi encontrado. Verifique se ele não foi movido ou apagado (ou se o pen "
       "drive está conectado) e tente de novo.\n" +
           dir.file("P0404.KVT") + ": File not found"},
      // A number that does not convert: the runtime's text byte for byte after the sentence.
      {caught([&] { loadProposal(dir.file("P0002.KVT")); }),
       "O arquivo \"P0002.KVT\" tem, na linha 7, um conteúdo que o programa não consegue ler. Peça um novo arquivo a "
       "quem o enviou ou corrija essa linha.\n" +
           dir.file("P0002.KVT") + ":7: '          12a' is not a valid floating point value"},
      // A bad identity: the refusal is the sentence.
      {caught([] { checkIdentityForFileName("../x"); }),
       "O CNPJ/CPF '../x' não pode fazer parte de um nome de arquivo: informe somente os números."},
      // No space: the file named, what to do, the system's text.
      {systemError(dir.file("E1_P0001.KVT"), ENOSPC),
       "Não há espaço no disco para gravar \"E1_P0001.KVT\". Libere espaço no disco (ou no pen drive) e tente de "
       "novo.\n" +
           dir.file("E1_P0001.KVT") + ": sem espaço no disco"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(userMessage(c.error).toStdString(), c.message.toStdString());
    // The command line's one line says the same.
    QString line = c.message;
    line.replace('\n', ' ');
    EXPECT_EQ(userMessageLine(c.error).toStdString(), line.toStdString());
  }
  // Any other exception still starts with a sentence, its text after it.
  const std::runtime_error other("List index out of bounds (-1)");
  EXPECT_TRUE(userMessage(other).startsWith("A operação não pôde ser concluída."));
  EXPECT_TRUE(userMessage(other).endsWith("\nList index out of bounds (-1)"));
}
