<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR" sourcelanguage="en">
<context>
    <name>cotavia::TRpStandardPreview</name>
    <message>
        <source>Print Preview</source>
        <translation>Visualizar impressão</translation>
    </message>
    <message>
        <source>Report file</source>
        <translation>Arquivo de relatório</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Página</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Página %1 de %2</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Ajustar</translation>
    </message>
    <message>
        <source>Zoom to fit</source>
        <translation>Mostrar a página inteira</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Largura</translation>
    </message>
    <message>
        <source>Zoom to width</source>
        <translation>Ajustar à largura da janela</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>Primeira página</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Página anterior</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Próxima página</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Última página</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Configurar</translation>
    </message>
    <message>
        <source>Printer setup</source>
        <translation>Escolher a impressora ou um arquivo PDF</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Imprimir</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Salvar</translation>
    </message>
    <message>
        <source>Save Report</source>
        <translation>Salvar o relatório</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Load Report</source>
        <translation>Abrir um relatório salvo</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fechar</translation>
    </message>
    <message>
        <source>Save report</source>
        <translation>Salvar o relatório</translation>
    </message>
    <message>
        <source>Load report</source>
        <translation>Abrir um relatório salvo</translation>
    </message>
    <message>
        <source>File does not exist</source>
        <translation>O arquivo não existe: escolha um relatório salvo.</translation>
    </message>
</context>
<context>
    <name>cotavia::TRpProgressForm</name>
    <message>
        <source>Printing progress</source>
        <translation>Imprimindo</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>%1%  Completed</source>
        <translation>%1% concluído</translation>
    </message>
</context>
</TS>
