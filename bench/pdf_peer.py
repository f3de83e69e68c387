#!/usr/bin/env python3
"""Whole-process comparison of `cotavia print-report --pdf` with its peer, the same report drawn by
ReportLab (bench/reportlab_peer.py): wall and processor time (median of five alternating runs),
file size and peak memory over the benchmark proposal of 9000 items (334 pages), with the time
and size ratios of that one run; then checks of our file (qpdf --check, every font embedded, the
grand total on the last page) and the peak memory of both over 90170 items (3340 pages).

    pdf_peer.py BUILD_DIR OUT_DIR
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

build, out = Path(sys.argv[1]), Path(sys.argv[2])
here = Path(__file__).resolve().parent
peer = ["/usr/bin/python3", str(here / "reportlab_peer.py")]
cotavia = str(build / "cotavia")


def run(argv):
    """Runs a program; returns wall seconds, processor seconds (user + system) and peak memory (MB)."""
    with tempfile.TemporaryFile() as errors:  # a file, not a pipe: a talkative child cannot block
        start = time.perf_counter()
        p = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=errors)
        _, status, usage = os.wait4(p.pid, 0)
        wall = time.perf_counter() - start
        errors.seek(0)
        err = errors.read().decode(errors="replace")
    if status != 0:
        sys.exit(f"{argv[0]} failed: {err}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def checks(folder, pdf):
    """What the tools say of our file: qpdf's check, the fonts pdffonts lists, the grand total (the sum
    of the item totals of the proposal, in Brazilian notation) in the text of the last page."""
    def tool(argv):
        try:
            return subprocess.run(argv, capture_output=True, text=True).stdout
        except FileNotFoundError:
            return None

    out = []
    qpdf = tool(["qpdf", "--check", str(pdf)])
    out.append("qpdf not installed" if qpdf is None else
               "qpdf --check clean" if "No syntax or stream encoding errors" in qpdf else "qpdf --check FAILED")
    fonts = tool(["pdffonts", str(pdf)])
    if fonts is None:
        out.append("pdffonts not installed")
    else:
        rows = [l.split() for l in fonts.splitlines()[2:] if l.strip()]
        # name, type (one or two words), encoding, emb, sub, uni, object, generation
        embedded = [r[-5] == "yes" for r in rows]
        out.append(f"{sum(embedded)} of {len(rows)} fonts embedded" + ("" if rows and all(embedded) else " (NOT ALL)"))
    with open(folder / "P0001.KVT", "rb") as f:
        cents = sum(int(l[161:172]) for l in f.read().split(b"\r\n") if l.startswith(b"I") and l[161:172].strip())
    total = f"{cents / 100:,.2f}".replace(",", "_").replace(".", ",").replace("_", ".")
    pages = tool(["pdfinfo", str(pdf)])
    last = next((l.split()[-1] for l in (pages or "").splitlines() if l.startswith("Pages:")), "0")
    text = tool(["pdftotext", "-f", last, "-l", last, str(pdf), "-"])
    out.append("pdftotext not installed" if text is None else
               f"grand total {total} on the last page" if total in text else f"grand total {total} NOT on the last page")
    return out


with tempfile.TemporaryDirectory() as tmp:
    tmp = Path(tmp)
    for items, folder in ((9000, tmp / "p334"), (90170, tmp / "p3340")):
        folder.mkdir()
        subprocess.run([str(build / "bench" / "report_pdf_bench"), "--folder", str(folder), str(items)], check=True,
                       stderr=subprocess.DEVNULL)

    def ours(folder, pdf):
        return run([cotavia, "print-report", "--dir", str(folder), "--proposal", "P0001.KVT", "--pdf", str(pdf)])

    def theirs(folder, pdf):
        return run(peer + [str(folder), "P0001.KVT", str(pdf)])

    a, b = [], []
    for _ in range(5):  # alternating, so both meet the same load
        a.append(ours(tmp / "p334", tmp / "ours.pdf"))
        b.append(theirs(tmp / "p334", tmp / "peer.pdf"))
    med = lambda runs, i: statistics.median(r[i] for r in runs)
    size_a, size_b = (tmp / "ours.pdf").stat().st_size, (tmp / "peer.pdf").stat().st_size
    print(f"pdf_peer 334 pages: ours {med(a, 0):.3f} s (cpu {med(a, 1):.3f} s), peer {med(b, 0):.3f} s "
          f"(cpu {med(b, 1):.3f} s)")
    print(f"pdf_peer 334 pages: ours {size_a} bytes, peer {size_b} bytes")
    print(f"pdf_peer 334 pages: peak memory ours {max(r[2] for r in a):.1f} MB, peer {max(r[2] for r in b):.1f} MB")
    print(f"pdf_peer 334 pages: ratios to the peer in this run: time {med(a, 0) / med(b, 0):.2f}, "
          f"size {size_a / size_b:.2f}")
    print(f"pdf_peer 334 pages: checks: {'; '.join(checks(tmp / 'p334', tmp / 'ours.pdf'))}")
    big_a = ours(tmp / "p3340", tmp / "ours.pdf")
    big_b = theirs(tmp / "p3340", tmp / "peer.pdf")
    print(f"pdf_peer 3340 pages: ours {big_a[0]:.3f} s, peer {big_b[0]:.3f} s; "
          f"ours {(tmp / 'ours.pdf').stat().st_size} bytes, peer {(tmp / 'peer.pdf').stat().st_size} bytes")
    print(f"pdf_peer 3340 pages: peak memory ours {big_a[2]:.1f} MB, peer {big_b[2]:.1f} MB")
