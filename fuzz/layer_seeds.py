"""Writes the seed corpus of the layer fuzz target: small shapefile sets, a .dbf alone and MIF/MID
pairs, each behind an options byte and with its files joined by the marker "~~~~" (layer_fuzz.cpp).

Run as: python3 fuzz/layer_seeds.py [FOLDER]   (default: fuzz/corpus/layer beside this script)
"""
import os
import struct
import sys

MARKER = b"~~~~"


def dbf(fields, records, deleted=(), end_mark=True):
    """fields: (name, type, length); records: tuples of text values."""
    header_length = 32 + 32 * len(fields) + 1
    record_length = 1 + sum(f[2] for f in fields)
    b = struct.pack("<4BiHH20x", 3, 124, 1, 2, len(records), header_length, record_length)
    for name, kind, length in fields:
        b += name.encode().ljust(11, b"\0") + kind.encode() + b"\0" * 4 + bytes([length]) + b"\0" * 15
    b += b"\x0d"
    for i, values in enumerate(records):
        b += b"*" if i in deleted else b" "
        for (name, kind, length), v in zip(fields, values):
            v = v.encode()
            b += v.ljust(length) if kind == "C" else v.rjust(length)
    return b + (b"\x1a" if end_mark else b"")


def shp(shape_type, contents):
    records = b""
    for i, c in enumerate(contents, 1):
        records += struct.pack(">ii", i, len(c) // 2) + c
    head = struct.pack(">i20xi", 9994, (100 + len(records)) // 2)
    head += struct.pack("<ii4d4d", 1000, shape_type, 0, 0, 10, 10, 0, 0, 0, 0)
    return head + records


def point(x, y):
    return struct.pack("<i2d", 1, x, y)


def poly(shape_type, parts):
    points = [p for part in parts for p in part]
    c = struct.pack("<i4d2i", shape_type, 0, 0, 10, 10, len(parts), len(points))
    start = 0
    for part in parts:
        c += struct.pack("<i", start)
        start += len(part)
    for x, y in points:
        c += struct.pack("<2d", x, y)
    return c


def multipoint(points):
    c = struct.pack("<i4di", 8, 0, 0, 10, 10, len(points))
    for x, y in points:
        c += struct.pack("<2d", x, y)
    return c


FIELDS = [("ID", "N", 4), ("NAME", "C", 8), ("WET", "L", 1)]
ROWS = [("1", "Mill", "T"), ("2", "Creek", "F"), ("3", "Weir", "T")]
SQUARE = [(0, 0), (1, 0), (1, 1), (0, 1), (0, 0)]
HOLE = [(0.2, 0.2), (0.4, 0.2), (0.4, 0.4), (0.2, 0.2)]

MIF_HEAD = (b"Version 300\nCharset \"Neutral\"\nDelimiter \",\"\n"
            b"CoordSys NonEarth Units \"m\" Bounds (0, 0) (10, 10)\nColumns 2\n  ID Integer\n  Name Char(8)\nData\n\n")
MIF_OBJECTS = (b"Point 1.5 2.5\n    Symbol (35,0,12)\nLine 0 0 3 4\n    Pen (1,2,0)\nPline 3\n0 0\n2 0\n4 0\n"
               b"Pline Multiple 2\n  2\n0 0\n0 2\n  3\n5 5\n6 5\n7 5\nRegion 2\n  5\n0 0\n1 0\n1 1\n0 1\n0 0\n"
               b"  4\n0.2 0.2\n0.4 0.2\n0.4 0.4\n0.2 0.2\n    Brush (2,16777215,0)\n    Center 0.5 0.5\n"
               b"Multipoint 2\n1 1\n2 2\nRect 0 0 1 1\nText\n  \"label\"\n  0 0 1 1\nNone\n")
MID_ROWS = b"".join(b"%d,\"row%d\"\n" % (i, i) for i in range(1, 10))


def seeds():
    table = dbf(FIELDS, ROWS)
    yield "shp_points", 0, shp(1, [point(1, 2), point(3, 4), point(5, 6)]) + MARKER + table
    yield "shp_lines", 16, shp(3, [poly(3, [[(0, 0), (2, 0), (4, 0)]]), poly(3, [[(0, 0), (0, 2)], [(5, 5), (6, 5)]]),
                                   b"\0\0\0\0"]) + MARKER + table
    yield "shp_regions", 8, shp(5, [poly(5, [SQUARE]), poly(5, [SQUARE, HOLE])]) + MARKER + dbf(FIELDS, ROWS[:2])
    yield "shp_multipoint_skip", 4, shp(8, [multipoint([(1, 1), (2, 2), (3, 3)])]) + MARKER + dbf(FIELDS, ROWS[:1])
    yield "shp_deleted_small", 32, shp(3, [poly(3, [[(0, 0), (1, 1)]])] * 3) + MARKER + dbf(FIELDS, ROWS, deleted={1})
    yield "dbf_alone", 1, table
    yield "dbf_alone_no_mark", 9, dbf(FIELDS, ROWS, deleted={0}, end_mark=False)
    yield "mif_all", 2, MIF_HEAD + MIF_OBJECTS + MARKER + MID_ROWS
    yield "mif_skip_rewind", 14, MIF_HEAD + MIF_OBJECTS + MARKER + MID_ROWS
    yield "mif_small_arrays", 66, MIF_HEAD + MIF_OBJECTS + MARKER + MID_ROWS


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for name, options, body in seeds():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bytes([options]) + body)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "layer"))
