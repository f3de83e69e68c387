#!/usr/bin/env python3
"""Reads the outputs of the benchmarks (one <name>.txt per program in the folder given) and prints
one table: figure, value, target, and whether the target is met. Rows whose line is missing from
an output say so, so a changed benchmark output shows up instead of vanishing."""
import re
import sys
from pathlib import Path

out = Path(sys.argv[1])


def text(name):
    p = out / f"{name}.txt"
    return p.read_text(errors="replace") if p.exists() else ""


rows = []  # (figure, value, unit, target text, ok or None, note)


def find(name, pattern, pick=min):
    vals = [float(m.group(1)) for m in re.finditer(pattern, text(name), re.M)]
    return pick(vals) if vals else None


def add(figure, value, unit, target=None, higher_is_better=False, note=""):
    if value is None:
        rows.append((figure, "missing", "", "" if target is None else f"{target}", False, note))
        return
    ok = None
    tgt = ""
    if target is not None:
        ok = value >= target if higher_is_better else value < target
        tgt = f"{'>=' if higher_is_better else '<'} {target:g} {unit}"
    shown = f"{value:.3f}" if unit == "s" else (f"{value:.0f}" if unit == "MB/s" else f"{value:.1f}")
    rows.append((figure, f"{shown} {unit}", "", tgt, ok, note))


# Proposal data files (best of 15 runs each).
add("proposal read, 8999 items", find("proposal_bench", r"^read\s+([\d.]+) ms"), "ms", 20)
add("proposal total, 8999 items", find("proposal_bench", r"^total\s+([\d.]+) ms"), "ms", 20)
add("proposal write, 8999 items", find("proposal_bench", r"^write\s+([\d.]+) ms"), "ms", 20)
add("proposal Gravar (3 files)", find("proposal_bench", r"^gravar\s+([\d.]+) ms"), "ms")
# Proposal editor (best of 3 runs).
add("editor open until grid shown", find("editor_bench", r"grid shown after (\d+) ms"), "ms", 300)
# Text printout of 8999 items.
tp = "textprint_bench"
add("text printout into the job", find(tp, r"printout into the job\s*:\s*([\d.]+) ms"), "ms")
add("text printer bytes (.PRN)", find(tp, r"printer bytes \(\.PRN\)\s*:\s*([\d.]+) ms"), "ms")
add("text job file (.RTX)", find(tp, r"job file \(\.RTX\)\s*:\s*([\d.]+) ms"), "ms")
add("text export (.TXT)", find(tp, r"text export \(\.TXT\)\s*:\s*([\d.]+) ms"), "ms")
add("text printout, all four", find(tp, r"all four\s*:\s*([\d.]+) ms"), "ms", 300)
add("text job file load, 400000 items reversed", find(tp, r"reverse order loaded:\s*([\d.]+) ms"), "ms", 2000)
# Report engine.
rb = "report_bench"
add("report generation, uncompressed", find(rb, r"generation uncompressed.*: ([\d.]+) s"), "s", 0.6)
add("report generation, compressed", find(rb, r"generation compressed.*: ([\d.]+) s"), "s", 0.6)
add("label cut of a 100,000-character word", find(rb, r"label cut of a 100000-character word: ([\d.]+) s"), "s", 0.1)
zc = find(rb, r"^zlib.*compress ([\d.]+) MB/s")
ze = find(rb, r"^zlib.*expand ([\d.]+) MB/s")
zr = find(rb, r"^zlib.*ratio ([\d.]+)")
sr = find(rb, r"^splay coder.*ratio ([\d.]+)")
add("splay coder compress", find(rb, r"^splay coder.*compress ([\d.]+) MB/s"), "MB/s", 30, True,
    f"zlib -6: {zc:.0f} MB/s" if zc is not None else "zlib: missing")
add("splay coder expand", find(rb, r"^splay coder.*expand ([\d.]+) MB/s"), "MB/s", 30, True,
    f"zlib -6: {ze:.0f} MB/s" if ze is not None else "zlib: missing")
rows.append(("splay coder size ratio", f"{sr:.2f}" if sr is not None else "missing", "", "",
             None if sr is not None else False, f"zlib -6: {zr:.2f}" if zr is not None else "zlib: missing"))
# Price lists nested millions of levels deep: refused within 2 s and 300 MB.
for kind in ("xlsx", "ods"):
    add(f"nested .{kind} price list refused", find("sheet_bench", rf"^nested \.{kind}, .*: refused in ([\d.]+) s"), "s", 2)
    add(f"nested .{kind} price list, peak memory",
        find("sheet_bench", rf"^nested \.{kind}, .*: refused in .*peak memory ([\d.]+) MB"), "MB", 300)
# Graphic proposal report and PDF (best of 3 rounds).
add("proposal report + PDF, 9000 items", find("report_pdf_bench", r"best total ([\d.]+) s"), "s", 1.2)
# `cotavia print-report --pdf` against ReportLab drawing the same report (whole processes, median
# of five alternating runs): at most half its time, at most two thirds of its file size.
pp = "pdf_peer"
ours_s, peer_s = find(pp, r"334 pages: ours ([\d.]+) s"), find(pp, r"334 pages: .*peer ([\d.]+) s")
ours_cpu, peer_cpu = find(pp, r"334 pages: ours .*?cpu ([\d.]+) s"), find(pp, r"peer [\d.]+ s \(cpu ([\d.]+) s")
ours_b, peer_b = find(pp, r"334 pages: ours (\d+) bytes"), find(pp, r"334 pages: .*peer (\d+) bytes")


def versus(figure, ours, peer, unit, fmt, limit=None, limit_text=None):
    if ours is None or peer is None:
        rows.append((figure, "missing", "", "", False, "ReportLab: missing"))
        return
    ratio = ours / peer
    ok = None if limit is None else ratio <= limit
    rows.append((figure, f"{fmt(ours)} {unit}", "", "" if limit is None else f"<= {limit_text or f'{limit:g}'} x ReportLab", ok,
                 f"ReportLab: {fmt(peer)} {unit}, ratio {ratio:.2f}"))


versus("print-report --pdf, 334 pages, wall", ours_s, peer_s, "s", lambda v: f"{v:.3f}", 0.5)
versus("print-report --pdf, 334 pages, cpu", ours_cpu, peer_cpu, "s", lambda v: f"{v:.3f}")
versus("PDF file size, 334 pages", ours_b and ours_b / 1e6, peer_b and peer_b / 1e6, "MB", lambda v: f"{v:.3f}", 2 / 3, "2/3")
# The checks of our file (qpdf, embedded fonts, the grand total on the last page).
checked = re.search(r"334 pages: checks: (.*)$", text(pp), re.M)
sound = bool(checked) and not re.search(r"NOT|FAILED|not installed", checked.group(1))
rows.append(("PDF file checks, 334 pages", "missing" if not checked else "ok" if sound else "failed", "",
             "all pass", sound, checked.group(1) if checked else ""))
for pages in (334, 3340):
    versus(f"peak memory, {pages} pages", find(pp, rf"{pages} pages: peak memory ours ([\d.]+) MB"),
           find(pp, rf"{pages} pages: peak memory .*peer ([\d.]+) MB"), "MB", lambda v: f"{v:.1f}")

# The price memory against a book of 500,000 entries.
pb = "price_book_bench"
add("price book: record a 9000-item save", find(pb, r"^record a 9000-item save: ([\d.]+) ms"), "ms", 150)
add("price book: record a 9000-item save, book opened and closed", find(pb, r"^record a 9000-item save as Gravar.*: ([\d.]+) ms"), "ms", 150)
add("price book: record it again, a tenth changed", find(pb, r"^record it again.*: ([\d.]+) ms"), "ms", 150)
add("price book: suggest 9000 items, words reordered", find(pb, r"words in another order: ([\d.]+) s"), "s", 2)
add("price book: suggest 9000 items, a word changed", find(pb, r"a word changed: ([\d.]+) s"), "s", 2)
add("price book: suggest 9000 items by code", find(pb, r"by code: ([\d.]+) s"), "s", 2)
add("price book: suggest one item (median)", find(pb, r"^suggest one item: ([\d.]+) ms"), "ms", 20)
add("price book: 500,000 entries on disk", find(pb, r"^book on disk: ([\d.]+) MB"), "MB", 300)

w = [max(len(r[i]) for r in rows + [("figure", "value", "", "target", None, "compared with")]) for i in (0, 1, 3, 5)]
line = f"{'figure':<{w[0]}}  {'value':>{w[1]}}  {'target':<{w[2]}}  {'':<6}  compared with"
print(line)
print("-" * len(line))
missed = 0
for fig, val, _, tgt, ok, note in rows:
    verdict = "" if ok is None else ("ok" if ok else "MISSED")
    missed += ok is False
    print(f"{fig:<{w[0]}}  {val:>{w[1]}}  {tgt:<{w[2]}}  {verdict:<6}  {note}".rstrip())
print(f"{missed} target(s) missed" if missed else "every target met")
