// The tutorial shown by the start screen's tutorial panel.
#include "app/screens/start_screen.h"

#include <QStringList>

namespace cotavia {

namespace {

struct Section {
  const char* title;
  const char* text;
};

// Each paragraph is one line; the panel wraps it to its width.
const Section kSections[] = {
    {"Primeiro acesso",
     "Na primeira vez em que o programa é aberto, aparece um quadro vermelho pedindo o CNPJ (pessoa "
     "jurídica) ou o CPF (pessoa física) do fornecedor.\n"
     "Digite somente os números, sem pontos, barras ou traços. O número é pedido uma única vez: ele fica "
     "gravado e passa a identificar todas as propostas feitas neste computador, fazendo parte do nome do "
     "arquivo de proposta que será entregue."},
    {"Selecionando a proposta",
     "Copie o arquivo de proposta recebido do órgão (um arquivo com nome iniciado por P e terminado em "
     ".KVT, por exemplo P0001.KVT) para a pasta do programa. Ele aparece na lista \"Selecione:\"; se o "
     "arquivo foi copiado com o programa aberto, pressione F5 para atualizar a lista.\n"
     "Clique sobre o arquivo desejado e depois no botão \"VISUALIZAR\" (ou dê um duplo clique no arquivo).\n"
     "Para remover arquivos de propostas antigas, clique sobre um deles e depois no botão \"EXCLUIR\"; o "
     "programa pede uma confirmação antes de apagar."},
    {"Informando a proposta",
     "A tela da proposta mostra o Licitante, a Modalidade, o Objeto, a data e a hora de entrega e de "
     "abertura das propostas e, abaixo, a lista de itens.\n"
     "No primeiro uso, preencha também os dados do fornecedor: nome, endereço e cidade (a tecla ENTER "
     "passa para o campo seguinte).\n"
     "Use as setas do teclado para escolher o item e pressione ENTER para abri-lo. Digite a marca, o preço "
     "unitário, o desconto e o acréscimo (valores em reais para o item todo, não em porcentagem), "
     "pressionando ENTER após cada um; o total do item é calculado sozinho. Pressione ENTER sobre o botão "
     "\"OK\" para confirmar, ou \"Cancelar\" para deixar o item como estava.\n"
     "Os itens para os quais não vai dar lance ficam simplesmente em branco.\n"
     "Pressione \"GRAVAR\" a qualquer momento, quantas vezes quiser: só o que foi gravado fica guardado "
     "ao sair com \"VOLTAR\".\n"
     "Quem mantém os preços numa planilha pode usar \"Importar preços...\": a planilha, salva como texto "
     "separado por ponto e vírgula com as colunas item;marca;preco_unitario;desconto;acrescimo, preenche "
     "os itens de uma vez. Confira os valores e pressione \"GRAVAR\"."},
    {"Imprimindo a proposta",
     "Grave a proposta e pressione \"IMPRIMIR\". Escolha antes, na lista ao lado, o tipo de impressão: "
     "\"0 - Texto (matricial)\" para impressoras matriciais ou \"1 - Gráfico\" para as demais.\n"
     "Aparece uma prévia da impressão, na qual se escolhe a impressora. A impressão mostra sempre a "
     "proposta como foi gravada pela última vez."},
    {"Exportando a proposta",
     "Para entregar a proposta, grave-a numa mídia removível (pen drive). Depois de \"GRAVAR\", aparece "
     "no canto superior direito um quadro vermelho.\n"
     "Conecte o pen drive, escolha-o na primeira caixa de seleção do quadro (os pen drives aparecem no "
     "início da lista; \"Outra pasta...\" permite escolher qualquer pasta) e pressione o botão de "
     "exportação, \"EXPORTAR\" (Gerar Arquivo de Proposta). Confirme a pergunta com \"Sim\".\n"
     "Uma mensagem confirma a gravação. Antes de retirar o pen drive, use a opção \"Ejetar\" ou \"Remover "
     "com segurança\" do sistema."},
    {"Dúvidas sobre o Aplicativo",
     "Dúvidas sobre os itens, as quantidades ou os prazos da licitação devem ser enviadas ao setor de "
     "licitações do órgão que publicou a proposta, pelos contatos indicados no edital.\n"
     "Dúvidas sobre o uso deste aplicativo: consulte o arquivo README.md que acompanha o programa ou "
     "procure o setor de licitações do órgão, que fornece o aplicativo aos seus fornecedores."},
};

}  // namespace

QString TTCotavia::tutorialText() {
  QStringList lines;
  lines << QStringLiteral("Bem vindo ao Cotavia !!!")
        << QStringLiteral("Aplicativo versátil para informar as propostas.") << QString()
        << QString(8, QLatin1Char(' ')) + QStringLiteral("Conteúdo:");
  for (const Section& s : kSections)
    lines << QString(16, QLatin1Char(' ')) + QStringLiteral(". ") + QString::fromUtf8(s.title);
  lines << QString();
  for (const Section& s : kSections) {
    lines << QString(88, QLatin1Char('_'));
    lines << QStringLiteral(" . ") + QString::fromUtf8(s.title) + QStringLiteral(":");
    lines << QString();
    for (const QString& para : QString::fromUtf8(s.text).split(QLatin1Char('\n'))) lines << para << QString();
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace cotavia
