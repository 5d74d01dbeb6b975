"""Writes a seed corpus for the SDF fuzz target: each SDF export given, once per options byte
(0 no format option, 1 -shp, 2 -mif, 5 -shp -notrim; sdf_fuzz.cpp), put before its bytes.

An export longer than the fuzzer's input limit (-max_len in README.md, "Fuzzing") is cut to fit,
keeping every block: each block keeps its first few data lines, and the cross-sections that still
do not fit go, the lines after the last one kept. (The fuzzer would cut it at the limit instead,
which leaves a large export no cross-section at all.)

Run as: python3 fuzz/sdf_seeds.py FOLDER SDF_FILE...
"""
import os
import sys

OPTIONS = (0, 1, 2, 5)
LIMIT = 16384  # the -max_len of the README's command, options byte included
DATA_LINES = 8  # kept of each block of an export that is cut to fit


def fitted(body, limit):
    if len(body) <= limit:
        return body
    lines, run = [], 0
    for line in body.splitlines(keepends=True):
        text = line.lstrip()
        run = run + 1 if text and text[0] in b"0123456789-+." else 0
        if run <= DATA_LINES:
            lines.append(line)
    starts = [i for i, line in enumerate(lines) if b"CROSS-SECTION:" in line]
    end = next((i for i, line in enumerate(lines) if b"END CROSS-SECTIONS" in line), len(lines))
    if not starts:
        return b"".join(lines)
    head, tail = lines[:starts[0]], lines[end:]
    kept = b"".join(head)
    for first, last in zip(starts, starts[1:] + [end]):
        section = b"".join(lines[first:last])
        if len(kept) + len(section) + len(b"".join(tail)) > limit:
            break
        kept += section
    return kept + b"".join(tail)


def main(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name in files:
        with open(name, "rb") as f:
            body = fitted(f.read(), LIMIT - 1)
        stem = os.path.splitext(os.path.basename(name))[0]
        for options in OPTIONS:
            with open(os.path.join(folder, f"{stem}_{options}"), "wb") as f:
                f.write(bytes([options]) + body)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
