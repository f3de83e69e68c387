#!/usr/bin/python3
"""The peer of `cotavia print-report --pdf` in the benchmark: the same proposal report drawn
straight to PDF with ReportLab (Debian's python3-reportlab). Letter landscape, the page header
(title, bidding body, address, supplier, four header texts, column titles, rules, page number, date
and time), 27 detail lines of 10 columns a page, the summary with the grand total; Liberation Sans
(regular, bold, italic) registered as TrueType fonts, so they are embedded as subsets.

    reportlab_peer.py FOLDER PROPOSAL OUT.pdf
"""
import datetime
import os
import re
import sys

from reportlab.lib.pagesizes import landscape, letter
from reportlab.lib.units import mm
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas

FONTS = "/usr/share/fonts/truetype/liberation"
for name, file in (("LS", "LiberationSans-Regular.ttf"), ("LS-B", "LiberationSans-Bold.ttf"),
                   ("LS-I", "LiberationSans-Italic.ttf")):
    pdfmetrics.registerFont(TTFont(name, os.path.join(FONTS, file)))


def amount(digits, divisor, decimals):
    """'1234567', 100, 2 -> '12.345,67' (Brazilian separators)."""
    text = f"{int(digits) / divisor:,.{decimals}f}"
    return text.replace(",", "_").replace(".", ",").replace("_", ".")


def first_line(s, font, size, width):
    """What a word-wrapped label of that width shows when only one line fits its height: the words
    (each up to and including its break character) that fit, or as much of a first long word."""
    words, line = [], ""
    for w in re.findall(r"[^ -]*[ -]?", s):
        if w and pdfmetrics.stringWidth(line + w, font, size) <= width:
            line += w
        elif w:
            if not line:
                while w and pdfmetrics.stringWidth(line + w[0], font, size) < width:
                    line, w = line + w[0], w[1:]
            break
    return line


def main(folder, proposal, out):
    with open(os.path.join(folder, proposal), "rb") as f:
        lines = f.read().decode("cp1252").split("\r\n")
    header = [l[1:].rstrip() for l in lines if l.startswith("C")][:6]
    header += [""] * (6 - len(header))
    items = [l for l in lines if l.startswith("I")]
    supplier = ""
    try:
        with open(os.path.join(folder, "FORNEC.KSD"), "rb") as f:
            supplier = f.read().decode("cp1252").split("\r\n")[0].rstrip()
    except OSError:
        pass

    width, height = landscape(letter)
    c = canvas.Canvas(out, pagesize=(width, height), pageCompression=1)
    c.setCreator("Cotavia benchmark peer")
    left, top = 5 * mm, 10 * mm  # margins
    now = datetime.datetime.now()

    def y(v):  # mm from the top of the page to PDF points from the bottom; text baseline ~ 3/4 of a line
        return height - v * mm

    def text(font, size, x, yy, s, align="left", color=(0, 0, 0)):
        c.setFont(font, size)
        c.setFillColorRGB(*color)
        base = y(yy) - size * 0.905
        if align == "left":
            c.drawString(left + x * mm, base, s)
        elif align == "right":
            c.drawRightString(left + x * mm, base, s)
        else:
            c.drawCentredString(left + x * mm, base, s)

    def rule(yy, w):
        c.setLineWidth(w)
        c.line(left + 0.3 * mm, y(yy), left + 268.6 * mm, y(yy))

    def page_header(page):
        t = top
        text("LS-B", 16, 69.3 + 135.5 / 2, t + 1.3, "Licitação - Proposta Eletrônica", "centre")
        text("LS", 8, 252.4, t + 0.3, "Página")
        text("LS", 8, 261.4 + 6.3, t + 0.3, str(page), "right")
        text("LS", 8, 239.4 + 19.8, t + 4.5, now.strftime("%d/%m/%Y"), "right")
        text("LS", 8, 259.6 + 9.0, t + 4.5, now.strftime("%H:%M"), "right")
        text("LS-B", 16, 1.1 + 267.2 / 2, t + 9.5, header[0], "centre", (1, 0, 0))
        text("LS-I", 12, 1.1 + 267.5 / 2, t + 15.6, header[1], "centre")
        text("LS-B", 14, 4.5, t + 22.2, supplier, color=(0, 0, 1))
        for i, v in enumerate((29.1, 34.1, 39.2, 44.2)):
            text("LS", 10, 4.2, t + v, header[2 + i])
        rule(t + 51.0, 1)
        for x, s in ((1.1, "Item"), (8.2, "Código"), (19.6, "Descrição"), (134.1, "Quantidade"), (152.1, "Un."),
                     (165.9, "Pr. Unit."), (184.9, "Desconto"), (205.3, "Acréscimo"), (235.2, "Total"),
                     (245.3, "Marca")):
            text("LS-B", 8, x, t + 51.6, s)
        rule(t + 56.5, 1)

    total = 0.0
    page, row = 0, 27
    detail_top = top + 58.7
    for line in items:
        line = line.ljust(192)
        if row == 27:
            if page:
                c.showPage()
            page += 1
            row = 0
            page_header(page)
        t = detail_top + row * 5.0 + 0.5
        text("LS", 8, 0.8 + 6.9 / 2, t, line[1:5], "centre")
        text("LS", 8, 7.9 + 10.6 / 2, t, line[5:11], "centre")
        text("LS", 8, 19.1, t, first_line(line[11:111].rstrip(), "LS", 8, 107.2 * mm))
        text("LS", 8, 127.0 + 24.3, t, amount(line[111:124], 10000, 4), "right")
        text("LS", 8, 152.1, t, line[124:128])
        for x, (a, b), div, dec in ((157.2, (128, 139), 10000, 4), (178.9, (139, 150), 100, 2),
                                    (200.6, (150, 161), 100, 2)):
            if line[a:b].strip():
                text("LS", 8, x + 21.2, t, amount(line[a:b], div, dec), "right")
        if line[161:172].strip():
            text("LS-B", 8, 222.2 + 21.2, t, amount(line[161:172], 100, 2), "right")
            total += int(line[161:172]) / 100
        text("LS", 8, 245.0, t, line[172:192].rstrip())
        row += 1
    if page:
        if row == 27:
            c.showPage()
            page += 1
            page_header(page)
            row = 0
        t = detail_top + row * 5.0
        rule(t + 0.3, 0.5)
        text("LS-B", 8, 213.3, t + 0.8, "Total:")
        text("LS-B", 8, 222.5 + 21.2, t + 0.8, amount(round(total * 100), 100, 2), "right")
        rule(t + 4.8, 1)
        c.showPage()
    c.save()


if __name__ == "__main__":
    main(*sys.argv[1:4])
