// The page renderer: one page of the job drawn with a QPainter, for the preview and for the
// Grafico model on a QPrinter.
#include "platform/codepage.h"
#include "textprint/txitem.h"
#include "textprint/txprint.h"
#include "textprint/txstate.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QPicture>

namespace cotavia {

namespace {

struct Segmento {
  int x1, y1, x2, y2;
};

// Segments of a frame letter inside its 8 x 16 cell.
QList<Segmento> segmentos(char letra) {
  switch (letra) {
    case '-':
      return {{0, 7, 8, 7}};
    case 'i':
      return {{4, 0, 4, 16}};
    case '+':
      return {{0, 7, 8, 7}, {4, 0, 4, 16}};
    case 't':
      return {{0, 7, 8, 7}, {4, 7, 4, 16}};
    case 'v':
      return {{0, 7, 8, 7}, {4, 0, 4, 7}};
    case '<':
      return {{4, 0, 4, 16}, {4, 7, 8, 7}};
    case '>':
      return {{4, 0, 4, 16}, {0, 7, 4, 7}};
    case 'a':
      return {{4, 7, 8, 7}, {4, 7, 4, 16}};
    case 'b':
      return {{0, 7, 4, 7}, {4, 7, 4, 16}};
    case 'c':
      return {{0, 7, 4, 7}, {4, 0, 4, 7}};
    case 'd':
      return {{4, 7, 8, 7}, {4, 0, 4, 7}};
    case '=':
      return {{0, 5, 8, 5}, {0, 8, 8, 8}};
    case 'I':
      return {{3, 0, 3, 16}, {6, 0, 6, 16}};
    case 'A':
      return {{3, 5, 8, 5}, {6, 8, 8, 8}, {3, 5, 3, 16}, {6, 8, 6, 16}};
    case 'B':
      return {{0, 5, 6, 5}, {0, 8, 3, 8}, {3, 8, 3, 16}, {6, 5, 6, 16}};
    case 'C':
      return {{0, 5, 3, 5}, {0, 8, 6, 8}, {3, 0, 3, 5}, {6, 0, 6, 8}};
    case 'D':
      return {{6, 5, 8, 5}, {4, 8, 8, 8}, {3, 0, 3, 8}, {6, 0, 6, 5}};
    case 'T':
      return {{6, 8, 8, 8}, {6, 8, 6, 16}, {0, 8, 3, 8}, {3, 8, 3, 16}, {0, 5, 8, 5}};
    case 'V':
      return {{0, 5, 3, 5}, {3, 0, 3, 5}, {6, 5, 8, 5}, {6, 0, 6, 5}, {0, 8, 8, 8}};
    case '[':
      return {{3, 0, 3, 16}, {6, 5, 8, 5}, {6, 0, 6, 5}, {6, 8, 8, 8}, {6, 8, 6, 16}};
    case ']':
      return {{0, 5, 3, 5}, {3, 0, 3, 5}, {0, 8, 3, 8}, {3, 8, 3, 16}, {6, 0, 6, 16}};
    case '#':
      return {{0, 5, 3, 5}, {3, 0, 3, 5},  {6, 5, 8, 5}, {6, 0, 6, 5},
              {6, 8, 8, 8}, {6, 8, 6, 16}, {0, 8, 3, 8}, {3, 8, 3, 16}};
    default:
      return {};
  }
}

const QColor kZebra(233, 254, 236);
const QColor kFaceBotao(0xF0, 0xF0, 0xF0);

}  // namespace

QSize TTxPrint::TamanhoFigura(bool preview) const {
  const int w = TamanhoQteColunas * 8, h = TamanhoQteLinhas * 16;
  if (!preview) return {w, h};
  if (OpcoesPreview.Remalina) return {w + 70, h};
  return {w + 30, h + 30};
}

bool TTxPrint::DesenhaPagina(int pagina, QPicture& picture, bool preview) {
  const QSize size = TamanhoFigura(preview);
  picture = QPicture();
  picture.setBoundingRect(QRect(QPoint(0, 0), size));
  QPainter p(&picture);
  const bool ok = DesenhaPagina(pagina, p, preview);
  p.end();
  picture.setBoundingRect(QRect(QPoint(0, 0), size));
  return ok;
}

bool TTxPrint::DesenhaPagina(int pagina, QPainter& p, bool preview) {
  TxJobState& st = *job_;
  const QSize size = TamanhoFigura(preview);
  const int w = size.width(), h = size.height();
  const bool remalina = preview && OpcoesPreview.Remalina;
  const bool zebra = preview && OpcoesPreview.PaginaZebrada;
  const QColor papel = preview ? OpcoesPreview.CorPapelPreview : QColor(Qt::white);
  const QColor letra = preview ? OpcoesPreview.CorLetraPreview : QColor(Qt::black);

  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  if (preview) {
    p.fillRect(QRect(0, 0, w, h), papel);
    if (remalina) {
      p.setPen(QPen(QColor(Qt::lightGray), 1, Qt::DotLine));
      p.drawLine(31, 0, 31, h);
      p.drawLine(w - 32, 0, w - 32, h);
      const int furos = qRound(TamanhoQteLinhas / 3.0);
      p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1));
      p.setBrush(kFaceBotao);
      for (int k = 0; k < furos; ++k) {
        const int y = 20 + 48 * k;
        p.drawEllipse(QRect(10, y, 11, 11));
        p.drawEllipse(QRect(w - 21, y, 11, 11));
      }
      p.setBrush(Qt::NoBrush);
      if (zebra)
        for (int i = 1; i < TamanhoQteLinhas; i += 2) p.fillRect(QRect(33, (i - 1) * 16, w - 66, 17), kZebra);
    } else {
      p.setPen(QPen(Qt::black, 1));
      p.drawRect(0, 0, w - 1, h - 1);
      p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1, Qt::DotLine));
      p.drawRect(QRect(QPoint(12, 12), QPoint(w - 13, h - 13)));
      if (zebra)
        for (int i = 1; i < TamanhoQteLinhas; i += 2) p.fillRect(QRect(15, (i - 1) * 16 + 15, w - 31, 18), kZebra);
    }
  }

  QFont fonte(QStringLiteral("Liberation Mono"));
  fonte.setStyleHint(QFont::Monospace);
  fonte.setFixedPitch(true);
  fonte.setPixelSize(13);
  const QPointF origemFrame = !preview ? QPointF(0, 0) : remalina ? QPointF(35, 0) : QPointF(15, 15);
  const QPen caneta(letra, 1);
  bool ok = true;

  for (qsizetype i = st.inicioPagina(pagina); i < st.itens.size(); ++i) {
    TxItem it;
    if (!LeItem(st.itens[i], it) || it.pagina != pagina) break;
    if (it.tipo == 'C') continue;
    if (!preview && passo()) {
      ok = false;
      break;
    }
    if (it.tipo == 'B') {
      p.setPen(caneta);
      for (qsizetype k = 0; k < it.texto.size(); ++k) {
        const QPointF canto = origemFrame + QPointF((it.coluna + k - 1) * 8.0, (it.linha - 1) * 16.0);
        for (const Segmento& s : segmentos(it.texto[k]))
          p.drawLine(QLineF(canto + QPointF(s.x1, s.y1), canto + QPointF(s.x2, s.y2)));
      }
      continue;
    }
    const double f = LarguraRelativa(st.seq, it.atributo);
    const double len = static_cast<double>(it.texto.size());
    QRectF r;
    if (!preview)
      r = QRectF(QPointF((it.coluna - 1) * 8.0, (it.linha - 1) * 16.0),
                 QPointF((it.coluna - 1 + len * f) * 8.0, it.linha * 16.0));
    else if (remalina)
      r = QRectF(QPointF((it.coluna - 1) * 8.0 + 36, (it.linha - 1) * 16.0),
                 QPointF((it.coluna - 1 + len * f) * 8.0 + 36, it.linha * 16.0));
    else
      r = QRectF(QPointF((it.coluna - 1) * 8.0 + 15, (it.linha - 1) * 16.0 + 15),
                 QPointF((it.coluna - 1 + len * f) * 8.0 + 16, it.linha * 16.0 + 16));
    if (preview) p.fillRect(r, zebra && (it.linha % 2 == 1) ? kZebra : papel);
    QFont fi = fonte;
    fi.setItalic(it.atributo & 1);
    fi.setBold(it.atributo & 2);
    fi.setUnderline(it.atributo & 4);
    p.setFont(fi);
    p.setPen(letra);
    const QString texto = fromCp1252(it.texto);
    const double natural = len * 8.0;
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / natural, r.height() / 16.0);
    // The text is laid out in cells of 8 x 16 units, then stretched into the item's rectangle.
    const double avanco = QFontMetricsF(fi, p.device()).horizontalAdvance(texto);
    if (avanco > 0) p.scale(natural / avanco, 1.0);
    p.drawText(QRectF(0, 0, avanco > 0 ? avanco : natural, 16.0), Qt::AlignLeft | Qt::AlignVCenter, texto);
    p.restore();
  }
  p.restore();
  return ok;
}

}  // namespace cotavia
