#pragma once
// One job item: a fixed-key text line. Characters 1-4 page, 5-7 line, 8-10 column, 11-13
// attribute code, 14 kind ("T" text, "B" frame characters, "C" raw control codes), then the text.
#include <QByteArray>

namespace cotavia {

// A job holds at most this many pages (the page key has four digits).
inline constexpr int kTxMaximoPaginas = 9999;

struct TxItem {
  int pagina = 0;
  int linha = 0;
  int coluna = 0;
  int atributo = 0;
  char tipo = 'T';
  QByteArray texto;
};

// Builds the item line. The numbers must fit their widths (page <= 9999, line, column and
// attribute <= 999).
QByteArray MontaItem(int pagina, int linha, int coluna, int atributo, char tipo, const QByteArray& texto);

// Reads an item line. False when the line is shorter than 14 characters, a key field holds
// anything but digits, or the kind is not T, B or C.
bool LeItem(const QByteArray& linha, TxItem& out);

// Page number of an item line (characters 1-4); -1 when they are not digits.
int PaginaDoItem(const QByteArray& linha);

}  // namespace cotavia
