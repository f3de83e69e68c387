// Writes the demo proposal demo/P0001.KVT (and a price list for `cotavia fill`) through the
// program's own proposal code, so the demo is always a file the program itself could have saved.
//   make_demo FOLDER          writes FOLDER/P0001.KVT and FOLDER/precos.csv
//   make_demo --check FOLDER  exit status 1 when the files in FOLDER differ from what it writes
#include "app/core/item_entry.h"
#include "app/core/proposal_file.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

using namespace cotavia;

namespace {

struct DemoItem {
  const char* code;
  const char* description;  // UTF-8 here, Windows-1252 in the file
  const char* unit;
  long long quantity;  // x 10000
  // Pre-priced items: unit price, discount, surcharge, brand (price < 0: not priced).
  long double price = -1, discount = 0, surcharge = 0;
  const char* brand = "";
};

const DemoItem kItems[] = {
    {"101234", "Caneta esferográfica azul, ponta média 1,0 mm, corpo sextavado transparente", "UN", 5000000, 0.89L, 0,
     0, "Bic Cristal"},
    {"101235", "Caneta esferográfica vermelha, ponta média 1,0 mm", "UN", 2000000, 0.89L, 0, 0, "Bic Cristal"},
    {"101240", "Lápis preto nº 2, grafite HB, sextavado", "UN", 3000000},
    {"101251", "Borracha branca macia, 40 x 20 x 10 mm, atóxica", "UN", 1500000},
    {"102003", "Papel sulfite A4 (210 x 297 mm), 75 g/m², alvura mínima 90%, caixa com 10 resmas de 500 folhas", "CX",
     1200000, 229.9L, 150, 0, "Chamex"},
    {"102010", "Papel sulfite ofício 2 (216 x 330 mm), 75 g/m², resma com 500 folhas", "RM", 400000},
    {"102050", "Envelope pardo kraft 24 x 34 cm, 80 g/m²", "UN", 10000000},
    {"102051", "Envelope branco ofício 114 x 229 mm, com janela", "UN", 5000000},
    {"103001", "Grampeador de mesa para 25 folhas, metálico", "UN", 250000},
    {"103002", "Grampo 26/6 galvanizado, caixa com 5.000 unidades", "CX", 800000, 4.35L, 0, 0, "Cis"},
    {"103010", "Clipe nº 2/0 galvanizado, caixa com 100 unidades", "CX", 600000},
    {"103020", "Perfurador de papel 2 furos, capacidade 20 folhas", "UN", 150000},
    {"104001", "Pasta suspensa marmorizada com visor e etiqueta", "UN", 2000000},
    {"104005", "Pasta AZ lombo largo, ofício, cor preta", "UN", 1200000},
    {"104010", "Caixa-arquivo de polionda azul 350 x 250 x 130 mm", "UN", 3000000},
    {"105001", "Fita adesiva transparente 12 mm x 40 m", "RL", 1000000},
    {"105002", "Fita crepe 18 mm x 50 m", "RL", 800000},
    {"105010", "Cola branca líquida lavável, frasco com 90 g", "UN", 600000},
    {"105011", "Cola bastão 10 g, atóxica", "UN", 900000},
    {"106001", "Marca-texto amarelo fluorescente, ponta chanfrada", "UN", 1200000},
    {"106002", "Pincel atômico azul, ponta redonda, recarregável", "UN", 300000},
    {"106010", "Corretivo líquido à base d'água, 18 ml", "UN", 400000},
    {"107001", "Calculadora de mesa 12 dígitos, solar e bateria", "UN", 50000},
    {"107010", "Tesoura multiuso 21 cm, lâmina em aço inoxidável", "UN", 200000},
    {"107020", "Régua acrílica transparente 30 cm", "UN", 500000},
    {"108001",
     "Toner para impressora laser, rendimento mínimo de 3.000 páginas, compatível com o modelo em uso na "
     "Secretaria de Administração",
     "UN", 300000, 189.5L, 0, 25, "Printerm"},
    {"108002", "Cartucho de tinta preta, 12 ml", "UN", 200000},
    {"109001", "Água sanitária, teor de cloro ativo 2,0% a 2,5%, frasco de 1 litro", "FR", 4800000},
    {"109002", "Detergente líquido neutro, frasco de 500 ml, biodegradável", "FR", 3600000, 1.79L, 0, 0, "Ypê"},
    {"109003", "Sabão em pó, caixa com 1 kg", "CX", 1200000},
    {"109010", "Desinfetante líquido, fragrância eucalipto, galão de 5 litros", "GL", 600000},
    {"109020", "Saco para lixo 100 litros, preto, reforçado, pacote com 100 unidades", "PC", 1500000},
    {"109021", "Saco para lixo 30 litros, azul, pacote com 100 unidades", "PC", 1000000},
    {"109030", "Papel higiênico folha dupla, 30 m, fardo com 64 rolos", "FD", 2500000},
    {"109031", "Papel toalha interfolhado branco, 2 dobras, pacote com 1.000 folhas", "PC", 3000000},
    {"109040", "Esponja dupla face 110 x 75 x 20 mm", "UN", 2400000},
    {"109041", "Pano de chão alvejado 45 x 70 cm", "UN", 1200000},
    {"109050", "Luva de látex para limpeza, tamanho M, par", "PR", 800000},
    {"110001", "Café torrado e moído, embalagem a vácuo de 500 g, selo de pureza ABIC", "PC", 1800000},
    {"110002", "Açúcar cristal, pacote de 5 kg", "PC", 605000},
};

QByteArray cp(const char* utf8) { return toCp1252(QString::fromUtf8(utf8)); }

QByteArray right(const QByteArray& text, int width) { return text.rightJustified(width, ' ', true); }

QList<QByteArray> proposalLines() {
  Proposal p;
  p.header = {cp("    PREFEITURA MUNICIPAL DE SANTA LUZIA DO OESTE"),
              cp("Rua Sete de Setembro, 1250 - Centro - CEP 85900-000 - Santa Luzia do Oeste/PR"),
              cp("Modalidade: Pregão Presencial nº 012/2026 - Processo Administrativo nº 0345/2026"),
              cp("Objeto: Aquisição de material de expediente, de limpeza e de copa para as Secretarias Municipais"),
              cp("Entrega: 16/03/2026 até as 08:30 horas"),
              cp("Abertura: 16/03/2026 às 09:00 horas")};
  int number = 1;
  for (const DemoItem& d : kItems) {
    // The item record as the bidding body publishes it, read back as the editor does.
    const QByteArray line = "I" + QByteArray::number(number++).rightJustified(4, '0') + QByteArray(d.code) +
                            cp(d.description).leftJustified(100, ' ', true) +
                            right(QByteArray::number(d.quantity), 13) + QByteArray(d.unit).leftJustified(4, ' ');
    GridRow row = parseItemLine(line);
    if (d.price >= 0) applyItemEntry(row, cp(d.brand), d.price, d.discount, d.surcharge);
    p.rows.append(row);
  }
  return responseFileLines(p);
}

QByteArray joined(const QList<QByteArray>& lines) {
  QByteArray out;
  for (const QByteArray& l : lines) out += l + "\r\n";
  return out;
}

// A price list for items the demo leaves unpriced (UTF-8, as a spreadsheet saves it).
const char kPrices[] =
    "item;marca;preco_unitario;desconto;acrescimo\r\n"
    "0003;Faber-Castell;0,45;;\r\n"
    "0004;Mercur;0,38;;\r\n"
    "0007;Foroni;0,21;5,00;\r\n"
    "0016;Adelbras;3,19;;\r\n"
    "0028;Qboa;2,89;10,00;\r\n"
    "0034;Neve;98,5;;\r\n"
    "0039;Café Pelé;17,98;;\r\n";

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const bool check = argc == 3 && QByteArray(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: make_demo [--check] FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[argc - 1]);
  const QByteArray proposal = joined(proposalLines());
  const QByteArray prices = kPrices;
  try {
    if (check) {
      bool same = true;
      for (auto [name, bytes] : {std::pair{"P0001.KVT", proposal}, std::pair{"precos.csv", prices}}) {
        QFile f(joinPath(folder, name));
        if (!f.open(QIODevice::ReadOnly) || f.readAll() != bytes) {
          std::fprintf(stderr, "%s differs from what make_demo writes; run make_demo %s\n",
                       joinPath(folder, name).toLocal8Bit().constData(), folder.toLocal8Bit().constData());
          same = false;
        }
      }
      return same ? 0 : 1;
    }
    atomicWrite(joinPath(folder, "P0001.KVT"), proposal);
    atomicWrite(joinPath(folder, "precos.csv"), prices);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_demo: %s\n", e.what());
    return 1;
  }
  return 0;
}
