#include "textprint/txitem.h"

namespace cotavia {

namespace {

void appendNumber(QByteArray& out, int value, int width) {
  char buf[16];
  int n = 0;
  unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  for (int i = n; i < width; ++i) out.append('0');
  while (n) out.append(buf[--n]);
}

bool digits(const char* p, int n, int& value) {
  int v = 0;
  for (int i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    v = v * 10 + (p[i] - '0');
  }
  value = v;
  return true;
}

}  // namespace

QByteArray MontaItem(int pagina, int linha, int coluna, int atributo, char tipo, const QByteArray& texto) {
  QByteArray out;
  out.reserve(14 + texto.size());
  appendNumber(out, pagina, 4);
  appendNumber(out, linha, 3);
  appendNumber(out, coluna, 3);
  appendNumber(out, atributo, 3);
  out.append(tipo);
  out.append(texto);
  return out;
}

bool LeItem(const QByteArray& linha, TxItem& out) {
  if (linha.size() < 14) return false;
  const char* p = linha.constData();
  TxItem it;
  if (!digits(p, 4, it.pagina) || !digits(p + 4, 3, it.linha) || !digits(p + 7, 3, it.coluna) ||
      !digits(p + 10, 3, it.atributo))
    return false;
  it.tipo = p[13];
  if (it.tipo != 'T' && it.tipo != 'B' && it.tipo != 'C') return false;
  it.texto = linha.mid(14);
  out = std::move(it);
  return true;
}

int PaginaDoItem(const QByteArray& linha) {
  int v = -1;
  if (linha.size() < 4 || !digits(linha.constData(), 4, v)) return -1;
  return v;
}

}  // namespace cotavia
