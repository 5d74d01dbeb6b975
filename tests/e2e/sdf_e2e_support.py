"""Shared helpers of the SDF end-to-end tests: running plenvor in a folder, reading .dbf records
and .mid rows, and picking the converter's own console lines out of a transcript."""
import os
import struct
import subprocess
import tempfile
import unittest

# Lines that the file-unit manager and the GIS layer library print while the converter works.
LIBRARY_PREFIXES = ("Trying to open file", "Opened File Unit", "...Closed File Unit", "Opening GIS Layer",
                    "GIS Layer assigned", "Closing GIS Layer")


class FolderTest(unittest.TestCase):
    """A test that runs plenvor in a fresh temporary folder of its own, self.dir."""

    def setUp(self):
        self._folder = tempfile.TemporaryDirectory()
        self.dir = self._folder.name

    def tearDown(self):
        self._folder.cleanup()


def run(binary, folder, args, stdin="\n", timeout=600, preexec_fn=None):
    """Runs plenvor in folder (preexec_fn, where given, runs in the child before it starts); returns
    (exit status, console transcript)."""
    p = subprocess.run([binary] + list(args), cwd=folder, input=stdin.encode(), stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, timeout=timeout, preexec_fn=preexec_fn)
    return p.returncode, p.stdout.decode("latin-1")


def write(folder, name, text, newline="\n"):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path) or folder, exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.replace("\n", newline).encode("latin-1"))
    return path


def read_text(path):
    with open(path, "rb") as f:
        return f.read().decode("latin-1")


def converter_lines(transcript):
    """The non-blank console lines that are not the library's, in order."""
    out = []
    for line in transcript.split("\n"):
        if not line.strip() or line.startswith(LIBRARY_PREFIXES):
            continue
        out.append(line)
    return out


def read_dbf(path):
    """Records of a .dbf as lists of field texts without trailing blanks (numbers stripped)."""
    with open(path, "rb") as f:
        data = f.read()
    nrec, hlen, rlen = struct.unpack_from("<IHH", data, 4)
    fields = []
    pos = 32
    while data[pos] != 0x0D:
        name = data[pos:pos + 11].split(b"\0")[0].decode("latin-1")
        ftype = chr(data[pos + 11])
        flen = data[pos + 16]
        fields.append((name, ftype, flen))
        pos += 32
    records = []
    for r in range(nrec):
        start = hlen + r * rlen + 1
        values = []
        for name, ftype, flen in fields:
            raw = data[start:start + flen].decode("latin-1")
            values.append(raw.strip() if ftype in "NF" else raw.rstrip())
            start += flen
        records.append(values)
    return [f[0] for f in fields], records


def read_mid(path):
    return read_text(path).splitlines()


def shp_shape_count(path):
    """Number of records in a .shp, read from its .shx."""
    return (os.path.getsize(path[:-4] + ".shx") - 100) // 8
