#!/usr/bin/env python3
"""Writes starting inputs for the fuzzers from saved NCBI answers.

Large EFetch answers are cut into smaller answers of a few whole records
each (header + records + closing tag), so that every seed fits -max_len and
still reaches the extraction.
usage: fuzz/make_seeds.py TESTDATA_DIR OUT_DIR [MAX_BYTES]
"""
import os
import re
import sys

def efetch_pieces(data, max_bytes):
    if len(data) <= max_bytes:
        return [data]
    starts = [m.start() for m in re.finditer(rb"<Pubmed(Book)?Article>", data)]
    close = data.rfind(b"</PubmedArticleSet>")
    if not starts or close < 0:
        return [data[:max_bytes]]
    head, tail = data[:starts[0]], data[close:]
    records = [data[a:b] for a, b in zip(starts, starts[1:] + [close])]
    pieces, group = [], b""
    for record in records:
        if group and len(head) + len(group) + len(record) + len(tail) > max_bytes:
            pieces.append(head + group + tail)
            group = b""
        if len(head) + len(record) + len(tail) <= max_bytes:
            group += record
    if group:
        pieces.append(head + group + tail)
    return pieces

def main():
    src, out = sys.argv[1], sys.argv[2]
    max_bytes = int(sys.argv[3]) if len(sys.argv) > 3 else 65536
    for kind in ("efetch", "esearch"):
        folder = os.path.join(src, kind)
        os.makedirs(os.path.join(out, kind), exist_ok=True)
        for name in sorted(os.listdir(folder)):
            with open(os.path.join(folder, name), "rb") as f:
                data = f.read()
            pieces = efetch_pieces(data, max_bytes) if kind == "efetch" else [data]
            for i, piece in enumerate(pieces):
                with open(os.path.join(out, kind, "%s.%03d" % (name, i)), "wb") as f:
                    f.write(piece)

if __name__ == "__main__":
    main()
