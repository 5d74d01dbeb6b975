#!/usr/bin/python3
"""Reading back, through the GIS layer library, the layers that the large benchmark writes.

Writes the synthetic SDF of bench/bench.py (REACHES x SECTIONS x POINTS, by default 10 x 500 x 100),
converts it with -shp and with -mif, and reads back from the shapefile set and from the MIF/MID
pair, every object and every record, with plenvor_read_timing:

  surface points  490,000 points with five fields (Stream_ID, Reach_ID, Station, Elevation,
                  Mannings);
  section lines   5,000 lines of 98 vertices;
  regions         20,000 small regions, each one ring of five points followed by the pen and
                  brush lines MapInfo writes after a region, and a .mid of two columns (written
                  here, in the MIF/MID format only).

In the same run, round for round with the library, it times `ogrinfo -al -q` on the same files
(the whole program, its start included) and prints the best of --repeat rounds of each, their
ratio, and the checks that the shapefile set reads at least three times as fast as ogrinfo reads
it and, per byte of the files it reads (the .shp and the .dbf; the .mif and the .mid), no slower
than the library reads the MIF/MID pair, whose files hold the same layer in far fewer bytes; and
that the regions are read at least as fast per vertex as the section lines of the MIF/MID pair. Then it times a grid assignment of the
end-points layer (its first field Z as the value) onto a grid of at most 1000 cells a side that
covers it, from both formats. Peak memory is that of the reading process.

    bench/read.py [REACHES [SECTIONS [POINTS]]] [--binary PATH] [--read-timing PATH] [--repeat N]
                  [--work DIR] [--keep]

Without --binary the script configures and builds build/release (CMAKE_BUILD_TYPE=Release) with
both programs. The work folder is made in memory by default.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import bench  # noqa: E402  (the synthetic SDF)

COORDSYS = 'CoordSys Earth Projection 8, 33, "m", 147, 0, 0.9996, 500000, 10000000\n'
REGIONS = 20000


def convert(binary, work, sdf_path, option):
    """The layers of the SDF written with option into a folder of their own; returns the folder."""
    out = os.path.join(work, option.lstrip("-"))
    os.makedirs(out)
    os.symlink(sdf_path, os.path.join(out, os.path.basename(sdf_path)))
    shutil.copy(bench.PRJ, os.path.join(out, "Projection.prj"))
    with open(os.path.join(out, "Projection.mif"), "w") as f:
        f.write(COORDSYS)
    with open(os.path.join(out, "console.txt"), "wb") as log:
        subprocess.run([binary, option, os.path.basename(sdf_path)], cwd=out, input=b"\n", stdout=log,
                       stderr=subprocess.STDOUT, check=True)
    return out


def library(read_timing, what, layer):
    """(seconds, peak MB, the program's line) of one round of plenvor_read_timing."""
    done = subprocess.run([read_timing, what, layer, "1"], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit("plenvor_read_timing %s %s failed:\n%s%s" % (what, layer, done.stdout, done.stderr))
    line = done.stdout.strip()
    found = re.search(r"best ([0-9.]+) s.*peak ([0-9.]+) MB", line)
    return float(found.group(1)), float(found.group(2)), line


def counts(line):
    """What a line of plenvor_read_timing says of the layer, without its folder and its times."""
    layer, said = line.split(": ", 1)
    return "%s: %s" % (os.path.basename(layer), said.split("; best")[0])


def ogrinfo(layer):
    """Wall seconds of ogrinfo -al -q reading the layer, its output thrown away."""
    with open(os.devnull, "wb") as sink:
        start = time.perf_counter()
        subprocess.run(["ogrinfo", "-al", "-q", layer], stdout=sink, stderr=subprocess.STDOUT, check=True)
        return time.perf_counter() - start


def write_regions(folder, count=REGIONS):
    """The region layer: count squares of 8 m a side in rows of 200, each a ring of five points
    written as the library writes vertices, then MapInfo's pen and brush lines; a .mid row each."""
    path = os.path.join(folder, "regions.mif")
    with open(path, "w", newline="\n") as mif, open(os.path.join(folder, "regions.mid"), "w", newline="\n") as mid:
        mif.write('Version 300\nCharset "WindowsLatin1"\nDelimiter ","\n' + COORDSYS +
                  'Columns 2\n  ID Integer\n  Name Char(10)\nData\n\n')
        for k in range(count):
            x, y = 500000.0 + 10.0 * (k % 200), 6000000.0 + 10.0 * (k // 200)
            mif.write("Region  1\n  5\n")
            for dx, dy in ((0, 0), (0, 8), (8, 8), (8, 0), (0, 0)):
                mif.write("   %.6f  %.6f\n" % (x + dx, y + dy))
            mif.write("    Pen (1,2,0)\n    Brush (2,16777215,16777215)\n")
            mid.write('%d,"region %d"\n' % (k + 1, k + 1))
    return path


def bytes_read(layer):
    """The bytes of the files the library reads for a layer: the .shp and the .dbf, or the .mif
    and the .mid."""
    base, ext = os.path.splitext(layer)
    other = ".dbf" if ext.lower() == ".shp" else ".mid"
    return os.path.getsize(layer) + os.path.getsize(base + other)


def vertices(line):
    return int(re.search(r"([0-9]+) vertices", line).group(1))


def read_case(label, layers, read_timing, repeat, with_ogr):
    """Rounds of the library and of ogrinfo in turn on each format; prints the best of each and
    returns the library's (best seconds, vertices) by format."""
    best = {}
    lines = {}
    for _ in range(repeat):
        for fmt, layer in layers.items():
            seconds, peak, lines[fmt] = library(read_timing, "read", layer)
            if ("library", fmt) not in best or seconds < best[("library", fmt)][0]:
                best[("library", fmt)] = (seconds, peak)
            if with_ogr:
                seconds = ogrinfo(layer)
                best[("ogrinfo", fmt)] = min(best.get(("ogrinfo", fmt), seconds), seconds)
    print("%s:" % label)
    for fmt in layers:
        print("  %-9s %s" % (fmt, counts(lines[fmt])))
    for fmt in layers:
        seconds, peak = best[("library", fmt)]
        text = "  %-9s library %7.3f s (peak %.1f MB)" % (fmt, seconds, peak)
        if with_ogr:
            ogr = best[("ogrinfo", fmt)]
            text += ", ogrinfo -al -q %7.3f s, ratio ogrinfo / library %6.1f" % (ogr, ogr / seconds)
        print(text)
    result = {fmt: (best[("library", fmt)][0], vertices(lines[fmt])) for fmt in layers}
    if "shapefile" not in layers:
        return result
    shp, mif = best[("library", "shapefile")][0], best[("library", "MIF")][0]
    shp_ns, mif_ns = (1e9 * shp / bytes_read(layers["shapefile"]), 1e9 * mif / bytes_read(layers["MIF"]))
    checks = ["per byte read: shapefile %.2f ns, MIF %.2f ns, shapefile / MIF %.2f (%s)"
              % (shp_ns, mif_ns, shp_ns / mif_ns, "ok" if shp_ns <= mif_ns else "SLOWER")]
    if with_ogr:
        ratio = best[("ogrinfo", "shapefile")] / shp
        checks.append("ogrinfo / library on the shapefile %.1f (%s)" % (ratio, "ok" if ratio >= 3 else "UNDER 3"))
    print("  [" + ", ".join(checks) + "]")
    return result


def per_vertex_check(regions, lines):
    """The regions against the section lines, both from the MIF/MID pair, in time per vertex."""
    (r_seconds, r_vertices), (l_seconds, l_vertices) = regions["MIF"], lines["MIF"]
    r_ns, l_ns = 1e9 * r_seconds / r_vertices, 1e9 * l_seconds / l_vertices
    print("  [per vertex: regions %.0f ns, section lines %.0f ns, regions / lines %.2f (%s)]"
          % (r_ns, l_ns, r_ns / l_ns, "ok" if r_ns <= l_ns else "SLOWER"))


def assign_case(layers, read_timing, repeat):
    print("grid assignment of the end points:")
    for fmt, layer in layers.items():
        done = subprocess.run([read_timing, "assign", layer, str(repeat)], capture_output=True, text=True)
        if done.returncode != 0:
            sys.exit("plenvor_read_timing assign %s failed:\n%s%s" % (layer, done.stdout, done.stderr))
        line = done.stdout.strip()
        print("  %-9s %s;%s" % (fmt, counts(line), line.split(";")[-1]))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    bench.add_size_arguments(ap)
    ap.add_argument("--binary", help="plenvor that writes the layers (default: build build/release)")
    ap.add_argument("--read-timing", help="plenvor_read_timing to run (default: beside --binary, or built)")
    ap.add_argument("--repeat", type=int, default=5, help="rounds of each reading; the best counts")
    ap.add_argument("--work", default="/dev/shm" if os.path.isdir("/dev/shm") else None,
                    help="folder in which the temporary work folder is made (default: /dev/shm, in memory)")
    ap.add_argument("--keep", action="store_true", help="keep the work folder and print its name")
    a = ap.parse_args()
    if a.reaches < 1 or a.sections < 1 or a.points < 2 or a.repeat < 1:
        ap.error("at least 1 reach, 1 section, 2 points and 1 round")

    if a.binary:
        binary = os.path.abspath(a.binary)
        read_timing = os.path.abspath(a.read_timing or os.path.join(os.path.dirname(binary), "plenvor_read_timing"))
    else:
        binary, read_timing = bench.build_release("plenvor_read_timing")
        read_timing = os.path.abspath(a.read_timing or read_timing)
    with_ogr = shutil.which("ogrinfo") is not None

    work = tempfile.mkdtemp(prefix="plenvor-read-", dir=a.work)
    print("work folder: %s" % work)
    try:
        sdf_path = os.path.join(work, "bench.sdf")
        bench.write_sdf(sdf_path, a.reaches, a.sections, a.points)
        shp = convert(binary, work, sdf_path, "-shp")
        mif = convert(binary, work, sdf_path, "-mif")
        print("SDF: %d reaches x %d sections x %d points; best of %d rounds%s"
              % (a.reaches, a.sections, a.points, a.repeat, "" if with_ogr else "; ogrinfo not on the PATH"))

        def both(shp_name, mif_name):
            return {"shapefile": os.path.join(shp, shp_name), "MIF": os.path.join(mif, mif_name)}

        read_case("surface points", both("bench_surf_pts_P.shp", "bench_surf_pts.mif"), read_timing, a.repeat,
                  with_ogr)
        lines = read_case("section lines", both("1d_xs_bench_surf_line_L.shp", "1d_xs_bench_surf_line.mif"),
                          read_timing, a.repeat, with_ogr)
        regions = read_case("regions", {"MIF": write_regions(mif)}, read_timing, a.repeat, with_ogr)
        per_vertex_check(regions, lines)
        assign_case(both("2d_zsh_bench_end_pts_P.shp", "2d_zsh_bench_end_pts.mif"), read_timing, a.repeat)
    finally:
        if not a.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
