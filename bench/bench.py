#!/usr/bin/python3
"""Benchmark of plenvor on a large synthetic SDF export.

Writes an SDF of REACHES reaches x SECTIONS cross-sections x POINTS surface points (each section
with a cut line, NVALUES and two levee markers), runs a Release build of plenvor on it (-shp) and
reports the time, MB of SDF read per second, MB written per second and peak memory. Where ogr2ogr
is on the PATH it also writes the surface points as a CSV, times ogr2ogr writing them to a
shapefile with the same five fields, and prints the ratio of the two times.

    bench/bench.py [REACHES [SECTIONS [POINTS]]] [--binary PATH] [--repeat N] [--memory-check]
                   [--work DIR] [--keep]

The default size, 10 x 500 x 100, gives an SDF of about 22 MB. Without --binary the script
configures and builds build/release (CMAKE_BUILD_TYPE=Release) in the source tree. Both programs
run in the same work folder, in memory by default.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PRJ = os.path.join(SOURCE, "examples", "Projection.prj")


# ---- The synthetic SDF ---------------------------------------------------------------------------

def write_sdf(path, reaches, sections, points, seed=12):
    """Writes the SDF; the same arguments always give the same bytes."""
    rnd = random.Random(seed)
    stream = "Bench River"
    spacing = 50.0  # metres between sections along a reach
    width = 4.0 * (points - 1)  # each surface point 4 m from the next
    x0, y0 = 500000.0, 6000000.0
    with open(path, "w", newline="\n") as f:
        w = f.write
        w("# Synthetic export written by bench/bench.py\n\n")
        w("BEGIN HEADER:\n   UNITS: METRIC\n   DTM TYPE: GRID\n   STREAM LAYER: Bench/StreamCenterlines\n")
        w("   NUMBER OF REACHES: %d\n   CROSS-SECTION LAYER: Bench/XSCutLines\n" % reaches)
        w("   NUMBER OF CROSS-SECTIONS: %d\nEND HEADER:\n\n" % (reaches * sections))
        w("BEGIN STREAM NETWORK:\n")
        for r in range(reaches):
            w("\n   REACH:\n      STREAM ID:%s\n      REACH ID:R%03d\n      CENTERLINE:\n" % (stream, r + 1))
            rx = x0 + r * (width + 200.0)
            for k in range(sections + 1):
                w("         %.2f, %.2f, %.2f\n" % (rx, y0 + (sections - k) * spacing, 100.0 - 0.01 * k))
            w("   END:\n")
        w("\nEND STREAM NETWORK:\n\nBEGIN CROSS-SECTIONS:\n")
        for r in range(reaches):
            rx = x0 + r * (width + 200.0)
            for s in range(sections):
                station = (sections - s) * spacing
                y = y0 + station
                left = rx - width / 2.0
                w("\n  CROSS-SECTION:\n    STREAM ID:%s\n    REACH ID:R%03d\n" % (stream, r + 1))
                w("    STATION:%.2f\n    NODE NAME:\n    CUT LINE:\n" % station)
                w("      %.6f , %.6f\n      %.6f , %.6f\n" % (left, y, left + width, y))
                w("    NVALUES:\n      0.0, 0.06\n      0.3, 0.035\n      0.7, 0.06\n")
                w("    LEVEE POSITIONS:\n      1, 0.005, %.2f\n      2, 0.995, %.2f\n" %
                  (112.0 - 0.01 * s, 112.5 - 0.01 * s))
                w("    SURFACE LINE:\n")
                bed = 100.0 - 0.01 * s
                for i in range(points):
                    t = i / (points - 1)
                    z = bed + 12.0 * abs(2.0 * t - 1.0) ** 1.5 + rnd.uniform(-0.05, 0.05)
                    w("     %.2f,   %.2f,   %.2f\n" % (left + 4.0 * i, y, z))
                w("  END:\n")
        w("\nEND CROSS-SECTIONS:\n")


def write_surface_csv(sdf_path, csv_path):
    """The surface points of the SDF as a CSV with X, Y and the five fields of the surface-point
    layer, and the .csvt that gives their types."""
    with open(sdf_path) as src, open(csv_path, "w", newline="\n") as out:
        out.write("X,Y,Stream_ID,Reach_ID,Station,Elevation,Mannings\n")
        names = None
        in_surface = False
        stream = reach = station = ""
        for line in src:
            text = line.strip()
            if text.startswith("STREAM ID:"):
                stream = text[10:]
            elif text.startswith("REACH ID:"):
                reach = text[9:]
            elif text.startswith("STATION:"):
                station = text[8:]
                names = '"%s","%s","%s"' % (stream, reach, station)
            elif text == "SURFACE LINE:":
                in_surface = True
            elif in_surface and text and (text[0].isdigit() or text[0] == "-"):
                x, y, z = (v.strip() for v in text.split(","))
                out.write("%s,%s,%s,%s,0.0350\n" % (x, y, names, z))
            else:
                in_surface = False
    with open(csv_path + "t", "w") as t:
        t.write("Real,Real,String(100),String(100),String(100),Real(16.5),Real(16.5)\n")


# ---- Running and measuring -----------------------------------------------------------------------

def run_measured(cmd, cwd, stdin_text, log_path):
    """Runs cmd; returns (wall seconds, user+system seconds, peak resident MB) of that child alone.
    The peak comes from /usr/bin/time where it is installed: the child's own figure as Python sees
    it would count the pages of the Python process it was forked from."""
    peak_path = log_path + ".peak"
    timed = os.path.exists("/usr/bin/time")
    if timed:
        cmd = ["/usr/bin/time", "-o", peak_path, "-f", "%M"] + cmd
    with open(log_path, "wb") as log:
        start = time.perf_counter()
        p = subprocess.Popen(cmd, cwd=cwd, stdin=subprocess.PIPE, stdout=log, stderr=subprocess.STDOUT)
        p.stdin.write(stdin_text.encode())
        p.stdin.close()
        _, status, usage = os.wait4(p.pid, 0)
        wall = time.perf_counter() - start
        p.returncode = os.waitstatus_to_exitcode(status)
    if p.returncode != 0:
        sys.exit("%s failed with status %d; see %s" % (cmd[0], p.returncode, log_path))
    peak = usage.ru_maxrss / 1024.0
    if timed:
        with open(peak_path) as f:
            peak = int(f.read().split()[-1]) / 1024.0
        os.remove(peak_path)
    return wall, usage.ru_utime + usage.ru_stime, peak


def folder_bytes(folder, skip):
    total = 0
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            if os.path.abspath(path) not in skip:
                total += os.path.getsize(path)
    return total


def build_release(*tools):
    """Builds plenvor and the named bench programs in build/release, as the README does; their paths."""
    build = os.path.join(SOURCE, "build", "release")
    subprocess.run(["cmake", "-S", SOURCE, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DPLENVOR_TESTS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    targets = ("plenvor",) + tools
    subprocess.run(["cmake", "--build", build, "-j3", "--target", *targets], check=True, stdout=subprocess.DEVNULL)
    return [os.path.join(build, t) for t in targets]


def convert(binary, work, sdf_name, repeat):
    """Best of repeat runs of plenvor -shp in a clean output folder: (wall, cpu, peak MB, bytes out)."""
    best = None
    for k in range(repeat):
        # A folder of its own for each run, and nothing deleted until the end: the file system
        # makes creating files slow for a while after as many were deleted.
        out = os.path.join(work, "out_%s_%d" % (os.path.splitext(sdf_name)[0], k + 1))
        os.makedirs(out)
        os.symlink(os.path.join(work, sdf_name), os.path.join(out, sdf_name))
        shutil.copy(PRJ, os.path.join(out, "Projection.prj"))
        skip = {os.path.abspath(os.path.join(out, n)) for n in (sdf_name, "Projection.prj", "console.txt")}
        wall, cpu, peak = run_measured([binary, "-shp", sdf_name], out, "\n", os.path.join(out, "console.txt"))
        written = folder_bytes(out, skip)
        if best is None or wall < best[0]:
            best = (wall, cpu, peak, written)
    return best


def ogr_surface_points(work, sdf_path, repeat):
    """Best wall time of ogr2ogr writing the surface points to a shapefile, or None without it."""
    ogr = shutil.which("ogr2ogr")
    if not ogr:
        return None
    csv_path = os.path.join(work, "surface_points.csv")
    write_surface_csv(sdf_path, csv_path)
    best = None
    for k in range(repeat):
        out = os.path.join(work, "ogr_%d" % (k + 1))
        os.makedirs(out)
        cmd = [ogr, "-f", "ESRI Shapefile", os.path.join(out, "surface_points.shp"), csv_path,
               "-oo", "X_POSSIBLE_NAMES=X", "-oo", "Y_POSSIBLE_NAMES=Y", "-oo", "KEEP_GEOM_COLUMNS=NO",
               "-a_srs", PRJ, "-nln", "surface_points"]
        wall, _, peak = run_measured(cmd, work, "", os.path.join(work, "ogr2ogr.txt"))
        if best is None or wall < best[0]:
            best = (wall, peak, folder_bytes(out, set()))
    return best


def add_size_arguments(ap):
    """The size of the synthetic SDF, the same for every benchmark that writes one."""
    ap.add_argument("reaches", nargs="?", type=int, default=10)
    ap.add_argument("sections", nargs="?", type=int, default=500, help="cross-sections per reach")
    ap.add_argument("points", nargs="?", type=int, default=100, help="surface points per section")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    add_size_arguments(ap)
    ap.add_argument("--binary", help="plenvor to measure (default: build build/release)")
    ap.add_argument("--repeat", type=int, default=3, help="runs of each program; the best counts")
    ap.add_argument("--memory-check", action="store_true",
                    help="also convert an SDF of twice the reaches and compare the peaks")
    ap.add_argument("--work", default="/dev/shm" if os.path.isdir("/dev/shm") else None,
                    help="folder in which the temporary work folder is made (default: /dev/shm, in memory,"
                         " so that the figures are the programs' own work rather than the disk's)")
    ap.add_argument("--keep", action="store_true", help="keep the work folder and print its name")
    ap.add_argument("--sdf-only", metavar="PATH", help="only write the SDF to PATH")
    a = ap.parse_args()
    if a.reaches < 1 or a.sections < 1 or a.points < 2:
        ap.error("at least 1 reach, 1 section and 2 points")

    if a.sdf_only:
        write_sdf(a.sdf_only, a.reaches, a.sections, a.points)
        return

    binary = os.path.abspath(a.binary) if a.binary else build_release()[0]
    work = tempfile.mkdtemp(prefix="plenvor-bench-", dir=a.work)
    print("work folder: %s" % work)
    try:
        sdf_name = "bench_%dx%dx%d.sdf" % (a.reaches, a.sections, a.points)
        sdf_path = os.path.join(work, sdf_name)
        write_sdf(sdf_path, a.reaches, a.sections, a.points)
        sdf_mb = os.path.getsize(sdf_path) / 1e6
        print("SDF: %d reaches x %d sections x %d points, %.1f MB" % (a.reaches, a.sections, a.points, sdf_mb))

        wall, cpu, peak, written = convert(binary, work, sdf_name, a.repeat)
        print("plenvor -shp: %.2f s (cpu %.2f s), read %.1f MB/s, wrote %.1f MB (%.1f MB/s), peak %.1f MB"
              % (wall, cpu, sdf_mb / wall, written / 1e6, written / 1e6 / wall, peak))

        ogr = ogr_surface_points(work, sdf_path, a.repeat)
        if ogr is None:
            print("ogr2ogr: not on the PATH, no comparison")
        else:
            ogr_wall, ogr_peak, ogr_written = ogr
            print("ogr2ogr surface points only: %.2f s, wrote %.1f MB, peak %.1f MB"
                  % (ogr_wall, ogr_written / 1e6, ogr_peak))
            print("ratio ogr2ogr / plenvor: %.2f" % (ogr_wall / wall))

        if a.memory_check:
            big_name = "bench_%dx%dx%d.sdf" % (2 * a.reaches, a.sections, a.points)
            big_path = os.path.join(work, big_name)
            write_sdf(big_path, 2 * a.reaches, a.sections, a.points)
            big = convert(binary, work, big_name, 1)
            print("twice the SDF (%.1f MB): %.2f s, peak %.1f MB, peak ratio %.2f"
                  % (os.path.getsize(big_path) / 1e6, big[0], big[2], big[2] / peak))
    finally:
        if not a.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
