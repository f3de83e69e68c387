#pragma once
// Job state of the text print engine. Each TTxPrint holds its own: one job open at a time per
// engine, and two engines in one process never share a job.
#include "platform/error.h"
#include "textprint/txmodels.h"

#include <QByteArray>
#include <QList>

namespace cotavia {

struct TxJobState {
  bool aberto = false;
  bool abortado = false;
  bool previewAtivo = false;
  bool cancelado = false;  // cancel flag of the running print, save or load
  int paginaAtual = 1;
  int pagIni = 1;
  int pagFim = 9999;
  int copias = 1;
  QList<QByteArray> itens;  // sorted ascending, duplicates kept
  Sequencias seq;

  void insere(const QByteArray& item);
  // Inserts many items with one sort (n log n where one insere() each would be quadratic), in
  // the order insere() one by one would give: equal items keep the order they came in.
  void insereTodos(QList<QByteArray> novos);
  // Index of the first item of page `pagina` or above.
  qsizetype inicioPagina(int pagina) const;
};

// An error of the engine with its own text (kind TextPrint), naming the file where there is one.
inline AppError erroTx(const QString& texto, const QString& arquivo = {}) {
  return AppError(ErrorKind::TextPrint, arquivo, texto.toStdString());
}

// The identification line of a job file (40 characters).
inline constexpr char kIdRelatorio[] = "ARQUIVO DE RELATORIO DE IMPRESSAO TEXTO1";

}  // namespace cotavia
