#!/usr/bin/python3
"""Checksums of everything plenvor writes, to show that a change leaves every output byte as it was.

    bench/checksums.py BINARY [OTHER_BINARY] [--bench-size R S P] [--samples DIR]

Converts every SDF of the shared samples folder, examples/river.sdf and a synthetic benchmark
file with each option (-shp, -mif, none, -notrim), each run in a temporary folder of its own, and
prints one line per file written and per console transcript: input, option, file, SHA-256. The
date in a .dbf header (bytes 1 to 3) is zeroed first, and the run's folder in a transcript reads
as "<run>". With a second binary the two listings are compared: the differences are printed and
the exit status is 1 when there are any.
"""
import argparse
import concurrent.futures
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import bench  # noqa: E402  (the synthetic SDF)

OPTIONS = (["-shp"], ["-mif"], [], ["-notrim"])
MIF_HEADER = ('Version 300\nCharset "WindowsLatin1"\nDelimiter ","\n'
              'CoordSys Earth Projection 8, 104, "m", 153, 0, 0.9996, 500000, 10000000\n')


def content(path):
    """The file's bytes, the date in a .dbf header zeroed."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    if path.lower().endswith(".dbf") and len(data) >= 4:
        data[1:4] = b"\0\0\0"  # the day the file was written
    return bytes(data)


def digest(path):
    return hashlib.sha256(content(path)).hexdigest()


def written(folder, inputs):
    """The files under folder that a run wrote (not named in inputs), relative to it, sorted."""
    found = []
    for base, _, files in os.walk(folder):
        for f in files:
            rel = os.path.relpath(os.path.join(base, f), folder)
            if rel not in inputs:
                found.append(rel)
    return sorted(found)


def run_one(binary, sdf, option, root):
    """Runs binary on sdf with option in a new folder; the lines of its listing."""
    tag = "%s %s" % (os.path.basename(sdf), " ".join(option) or "(none)")
    folder = tempfile.mkdtemp(dir=root)
    name = os.path.basename(sdf)
    shutil.copy(sdf, os.path.join(folder, name))
    shutil.copy(os.path.join(SOURCE, "examples", "Projection.prj"), os.path.join(folder, "Projection.prj"))
    with open(os.path.join(folder, "Projection.mif"), "w") as f:
        f.write(MIF_HEADER)
    inputs = set(os.listdir(folder))
    p = subprocess.run([binary] + option + [name], cwd=folder, input=b"\n", stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, timeout=1200)
    console = p.stdout.replace(os.path.realpath(folder).encode(), b"<run>").replace(folder.encode(), b"<run>")
    lines = ["%s console %s status %d" % (tag, hashlib.sha256(console).hexdigest(), p.returncode)]
    for rel in written(folder, inputs):
        lines.append("%s %s %s" % (tag, rel.replace(" ", "%20"), digest(os.path.join(folder, rel))))
    shutil.rmtree(folder, ignore_errors=True)
    return lines


def listing(binary, inputs, jobs):
    root = tempfile.mkdtemp(prefix="plenvor-sums-")
    try:
        with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
            futures = [pool.submit(run_one, binary, sdf, opt, root) for sdf in inputs for opt in OPTIONS]
            return [line for fut in futures for line in fut.result()]
    finally:
        shutil.rmtree(root, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("binary")
    ap.add_argument("other", nargs="?", help="a second binary to compare with the first")
    ap.add_argument("--bench-size", nargs=3, type=int, default=[3, 60, 100], metavar=("R", "S", "P"),
                    help="reaches, sections per reach and points of the synthetic file")
    ap.add_argument("--samples", default=os.path.join(SOURCE, "..", "shared", "samples", "sdf"))
    ap.add_argument("--jobs", type=int, default=3)
    a = ap.parse_args()

    work = tempfile.mkdtemp(prefix="plenvor-sums-in-")
    try:
        bench_sdf = os.path.join(work, "bench_%dx%dx%d.sdf" % tuple(a.bench_size))
        bench.write_sdf(bench_sdf, *a.bench_size)
        samples = sorted(os.path.join(a.samples, f) for f in os.listdir(a.samples) if f.lower().endswith(".sdf"))
        inputs = samples + [os.path.join(SOURCE, "examples", "river.sdf"), bench_sdf]

        first = listing(os.path.abspath(a.binary), inputs, a.jobs)
        if not a.other:
            print("\n".join(first))
            return 0
        second = listing(os.path.abspath(a.other), inputs, a.jobs)
        only_first = sorted(set(first) - set(second))
        only_second = sorted(set(second) - set(first))
        for line in only_first:
            print("- " + line)
        for line in only_second:
            print("+ " + line)
        print("%d inputs x %d options, %d checksums: %s" %
              (len(inputs), len(OPTIONS), len(first),
               "identical" if not only_first and not only_second else "DIFFERENT"))
        return 1 if only_first or only_second else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
