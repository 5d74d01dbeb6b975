"""Every real SDF sample converts with -shp, -mif, no option and -notrim, exits 0, and its layers
and profiles match what the file itself holds, read here by a parser of its own."""
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sdf_e2e_support as e2e  # noqa: E402

BINARY = SOURCE_DIR = None
OPTIONS = ["-shp", "-mif", "", "-notrim"]

PRJ = 'PROJCS["Local",GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,298.257223563]],' \
      'PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]],PROJECTION["Transverse_Mercator"],' \
      'PARAMETER["False_Easting",500000.0],PARAMETER["False_Northing",0.0],PARAMETER["Central_Meridian",-159.0],' \
      'PARAMETER["Scale_Factor",0.9996],PARAMETER["Latitude_Of_Origin",0.0],UNIT["Meter",1.0]]\n'
MIF = 'Version 300\nCoordSys Earth Projection 8, 104, "m", -159, 0, 0.9996, 500000, 0\n'


def is_number(token):
    try:
        float(token)
        return True
    except ValueError:
        return False


def first_token(line):
    t = re.split(r"[\s,]+", line.strip())
    return t[0] if t else ""


def after_colon(line):
    return line.split(":", 1)[1].rstrip()


def parse_sdf(path):
    """Reaches (stream, reach, vertices) and cross-sections as the file states them."""
    lines = e2e.read_text(path).replace("\r\n", "\n").split("\n")
    reaches, sections = [], []
    stream = reach = ""
    i, n = 0, len(lines)
    mode = None
    while i < n:
        u = lines[i].strip().upper()
        if re.match(r"BEGIN\s*STREAM\s*NETWORK", u):
            mode = "network"
        elif re.match(r"END\s*STREAM\s*NETWORK", u):
            mode = None
        elif re.match(r"BEGIN\s*CROSS-SECTIONS", u):
            mode = "sections"
        elif re.match(r"END\s*CROSS-SECTIONS", u):
            mode = None
        elif mode == "network" and u.startswith("STREAM ID:"):
            stream = after_colon(lines[i])
        elif mode == "network" and u.startswith("REACH ID:"):
            reach = after_colon(lines[i])
        elif mode == "network" and u.startswith("CENTERLINE"):
            count = 0
            while lines[i + 1].strip().upper() != "END:":
                i += 1
                count += 1
            reaches.append((stream, reach, count))
        elif mode == "sections" and u.startswith("CROSS-SECTION:"):
            sec = {"stream": after_colon(lines[i + 1]), "reach": after_colon(lines[i + 2]),
                   "station": after_colon(lines[i + 3].split("*")[0]), "cut": None, "surface": None, "levees": None,
                   "nvalues": None}
            i += 4
            while lines[i].strip().upper() != "END:":
                key = lines[i].strip().upper()
                if key in ("CUT LINE:", "SURFACE LINE:", "NVALUES:"):
                    pts = []
                    while is_number(first_token(lines[i + 1])):
                        i += 1
                        pts.append(lines[i])
                    sec[{"CUT LINE:": "cut", "SURFACE LINE:": "surface", "NVALUES:": "nvalues"}[key]] = len(pts)
                    i += 1
                elif key == "LEVEE POSITIONS:":
                    count = 0
                    while ":" not in lines[i + 1]:
                        i += 1
                        count += 1
                    sec["levees"] = count
                    i += 1
                else:
                    i += 1
            sections.append(sec)
        i += 1
    return reaches, sections


# Runs the reader checks of one conversion in one interpreter: starting GDAL once per layer would
# cost more than the conversions themselves.
CHECK_DRIVER = r"""
import contextlib, io, json, runpy, sys
folder, runs = sys.argv[1], json.loads(sys.argv[2])
results = []
for run in runs:
    out = io.StringIO()
    sys.argv = [run[0]] + run[1:]
    code = 0
    with contextlib.redirect_stdout(out):
        try:
            runpy.run_path(folder + "/" + run[0], run_name="__main__")
        except SystemExit as e:
            code = e.code if isinstance(e.code, int) else (0 if e.code is None else 1)
            if isinstance(e.code, str):
                out.write(e.code)
    results.append([run, code, out.getvalue()])
print(json.dumps(results))
"""


def run_checks(runs):
    import json
    folder = os.path.join(SOURCE_DIR, "..", "shared", "tools")
    p = subprocess.run(["/usr/bin/python3", "-c", CHECK_DRIVER, folder, json.dumps(runs)], stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT)
    try:
        return [(run[-1], run[0], code, text) for run, code, text in json.loads(p.stdout.decode())]
    except ValueError:
        return [("checks", "driver", 1, p.stdout.decode())]


def convert(sample, option):
    """Runs one conversion in a fresh folder and collects everything the checks need."""
    with tempfile.TemporaryDirectory() as d:
        name = os.path.basename(sample)
        os.symlink(sample, os.path.join(d, name))
        e2e.write(d, "Projection.prj", PRJ)
        e2e.write(d, "Projection.mif", MIF)
        rc, out = e2e.run(BINARY, d, ([option] if option else []) + [name])
        result = {"rc": rc, "out": out, "csv": {}, "layers": {}, "checks": []}
        files = sorted(os.listdir(d))
        for f in files:
            if f.endswith(".csv"):
                result["csv"][f] = e2e.read_text(os.path.join(d, f)).splitlines()
        base = name.split(".")[0]
        ext = ".mif" if option == "-mif" else ".shp"
        layer_names = {"streams": name + "_streams", "surf_pts": base + "_surf_pts", "end_pts": "2d_zsh_" + base + "_end_pts",
                       "surf_line": "1d_xs_" + base + "_surf_line", "cut_line": base + "_cut_line",
                       "levee_pts": base + "_levee_pts"}
        runs = []
        for key, layer in layer_names.items():
            if ext == ".mif":
                path = os.path.join(d, layer + ".mif")
                exists = os.path.exists(path)
                result["layers"][key] = e2e.read_mid(path[:-4] + ".mid") if exists else None
                if exists:
                    runs.append(["gdalcheck.py", "--allow-null", path])
            else:
                sub = layer + ("_L" if key in ("streams", "surf_line", "cut_line") else "_P")
                path = os.path.join(d, sub + ".shp")
                exists = os.path.exists(path)
                result["layers"][key] = e2e.read_dbf(path[:-4] + ".dbf")[1] if exists else None
                if exists:
                    runs += [["shpcheck.py", path[:-4]], ["gdalcheck.py", "--allow-null", path]]
        result["checks"] = run_checks(runs)
        return result


def mid_names(row, count):
    """The first count double-quoted text fields of a .mid row."""
    return re.findall(r'"([^"]*)"', row)[:count]


class SdfSamplesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        folder = os.path.join(SOURCE_DIR, "..", "shared", "samples", "sdf")
        if not os.path.isdir(folder):
            raise RuntimeError("the SDF samples folder is missing: " + os.path.abspath(folder))
        cls.samples = sorted(os.path.abspath(os.path.join(folder, f)) for f in os.listdir(folder) if f.endswith(".sdf"))
        if not cls.samples:
            raise RuntimeError("no .sdf file in " + os.path.abspath(folder))
        jobs = [(s, o) for s in cls.samples for o in OPTIONS]
        with concurrent.futures.ThreadPoolExecutor(max_workers=min(8, os.cpu_count() or 2)) as pool:
            cls.results = dict(zip(jobs, pool.map(lambda j: convert(*j), jobs)))

    def each(self):
        for (sample, option), result in sorted(self.results.items()):
            with self.subTest(sample=os.path.basename(sample), option=option or "(none)"):
                yield sample, option, result

    def names(self, result, key, count):
        rows = result["layers"][key]
        self.assertIsNotNone(rows, key)
        if all(isinstance(r, str) for r in rows):
            return [mid_names(r, count) for r in rows]
        return [r[:count] for r in rows]

    def test_every_sample_converts_and_exits_0(self):
        for sample, option, result in self.each():
            self.assertEqual(result["rc"], 0, result["out"][-2000:])
            self.assertTrue(result["out"].endswith("\nFinished.\n\nPress Enter to Close\n"), result["out"][-500:])

    def test_every_layer_passes_the_readers(self):
        for sample, option, result in self.each():
            self.assertEqual(len(result["checks"]), 6 if option == "-mif" else 12)
            for target, check, rc, text in result["checks"]:
                self.assertEqual(rc, 0, "%s %s: %s" % (check, target, text))

    def test_one_stream_feature_per_reach_with_its_names(self):
        for sample, option, result in self.each():
            reaches, _ = parse_sdf(sample)
            self.assertEqual(self.names(result, "streams", 2), [[s, r] for s, r, _ in reaches])

    def test_one_cut_line_per_section_with_a_cut_line(self):
        for sample, option, result in self.each():
            _, sections = parse_sdf(sample)
            expected = [[s["stream"], s["reach"], s["station"]] for s in sections if s["cut"] is not None]
            self.assertEqual(self.names(result, "cut_line", 3), expected)

    def test_profiles_section_lines_and_points_follow_the_surface_lines(self):
        for sample, option, result in self.each():
            _, sections = parse_sdf(sample)
            with_surface = [s for s in sections if s["surface"]]
            trims = option != "-notrim"
            csv_rows = {}
            for s in with_surface:
                csv_rows["%s_%s_%s.csv" % (s["stream"].lstrip(), s["reach"], s["station"])] = s
            self.assertEqual(sorted(result["csv"]), sorted(csv_rows))
            kept_total = 0
            for name, s in csv_rows.items():
                rows = result["csv"][name]
                # An NVALUES block without data lines is no NVALUES: no N column.
                self.assertEqual(rows[0], '"X","Z","N"' if s["nvalues"] else '"X","Z"', name)
                kept = len(rows) - 1
                if trims and s["levees"]:
                    self.assertLessEqual(kept, s["surface"], name)
                else:
                    self.assertEqual(kept, s["surface"], name)
                for r in rows[1:]:
                    self.assertRegex(r, r"^[ \d.*-]{12},[ \d.*-]{12}(,[ \d.*-]{8})?$")
            for s in with_surface:
                kept_total += len(result["csv"]["%s_%s_%s.csv" % (s["stream"].lstrip(), s["reach"], s["station"])]) - 1
            # Each section's csv holds the points it kept (names are unique in these samples).
            self.assertEqual(len(result["layers"]["surf_pts"]), kept_total)
            self.assertEqual(len(result["layers"]["end_pts"]), 2 * len(with_surface))
            self.assertEqual(self.names(result, "surf_line", 3),
                             [["%s_%s_%s.csv" % (s["stream"], s["reach"], s["station"]), "xz", "n" if s["nvalues"] else ""]
                              for s in with_surface])
            markers = sum(s["levees"] or 0 for s in with_surface) if trims else 0
            self.assertEqual(len(result["layers"]["levee_pts"]), markers)
            points = self.names(result, "surf_pts", 3)
            expected = []
            for s in with_surface:
                n = len(result["csv"]["%s_%s_%s.csv" % (s["stream"].lstrip(), s["reach"], s["station"])]) - 1
                expected += [[s["stream"], s["reach"], s["station"]]] * n
            self.assertEqual(points, expected)

    def test_the_samples_hold_nvalues_blocks_without_data_lines_and_none_surface_values_after_the_sections(self):
        sample = [s for s in self.samples if "19xs_structures" in s]
        self.assertEqual(len(sample), 1)
        _, sections = parse_sdf(sample[0])
        self.assertEqual(sum(1 for s in sections if s["nvalues"] == 0 and s["surface"]), 8)
        # A surface value "None" stops a run inside the cross-sections; the structures' SURFACE LINE
        # blocks after END CROSS-SECTIONS: hold such values and are never read.
        text = e2e.read_text(sample[0])
        end = text.index("END CROSS-SECTIONS:")
        blocks = re.findall(r"SURFACE LINE:\s*\n(?:[ \t]*[-\d.]+, *[-\d.]+, *None\s*\n)+", text)
        self.assertTrue(blocks)
        self.assertTrue(all(text.index(b) > end for b in blocks))

    def test_console_names_each_section_at_its_line(self):
        for sample, option, result in self.each():
            _, sections = parse_sdf(sample)
            self.assertEqual(result["out"].count("\nFound new cross-section on line "), len(sections))
            self.assertEqual(result["out"].count("\nEnd of section processing... \n"), len(sections))


if __name__ == "__main__":
    BINARY = os.path.abspath(sys.argv.pop(1))
    SOURCE_DIR = os.path.abspath(sys.argv.pop(1))
    unittest.main()
