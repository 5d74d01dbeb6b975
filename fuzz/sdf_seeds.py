"""Writes a seed corpus for the SDF fuzz target: each SDF export given, once per options byte
(0 no format option, 1 -shp, 2 -mif, 5 -shp -notrim; sdf_fuzz.cpp), put before its bytes.

Run as: python3 fuzz/sdf_seeds.py FOLDER SDF_FILE...
"""
import os
import sys

OPTIONS = (0, 1, 2, 5)


def main(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name in files:
        with open(name, "rb") as f:
            body = f.read()
        stem = os.path.splitext(os.path.basename(name))[0]
        for options in OPTIONS:
            with open(os.path.join(folder, f"{stem}_{options}"), "wb") as f:
                f.write(bytes([options]) + body)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
