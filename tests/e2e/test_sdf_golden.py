"""Golden end-to-end tests of the SDF conversion on small SDF files written here: whole console
transcripts and .csv profiles, the records of every layer, trimming to levee markers and the
orderly stops on bad input."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sdf_e2e_support as e2e  # noqa: E402

BINARY = SOURCE_DIR = None

SMALL = """BEGIN HEADER:
END HEADER:
BEGIN STREAM NETWORK:
 REACH:
  STREAM ID:S1
  REACH ID:R1
  CENTERLINE:
   0, 0
   10, 10
 END:
END STREAM NETWORK:
BEGIN CROSS-SECTIONS:
 CROSS-SECTION:
  STREAM ID:S1
  REACH ID:R1
  STATION:100
  CUT LINE:
   0, 5
   10, 5
  SURFACE LINE:
   0, 5, 3
   10, 5, 1
 END:
END CROSS-SECTIONS:
"""


def layer_opened(layer, name, unit):
    """The library's lines for an output MIF layer opened on two units from unit."""
    return ("Opening GIS Layer: %s\nGIS Layer assigned ID of %d\n\nTrying to open file %s...OK.  File Unit:%d\n\n"
            "Trying to open file %s.mid...OK.  File Unit:%d\n" % (name, layer, name, unit, name[:-4], unit + 1))


def layer_closed(layer, name, unit):
    return "\nClosing GIS Layer %d [%s]...\n...Closed File Unit:%d\n...Closed File Unit:%d\n" % (layer, name, unit, unit + 1)


SECTION_LAYERS = ["t_surf_pts.mif", "2d_zsh_t_end_pts.mif", "1d_xs_t_surf_line.mif", "t_cut_line.mif", "t_levee_pts.mif"]
CLOSE_ORDER = (0, 2, 3, 4, 1)  # the converter closes the end points layer last

SMALL_MIF_TRANSCRIPT = ("""
Build 2023-01-AA


Found  3 arguments

Trying to open file Header.mif...OK.
Opened File Unit:1001

Using Header.mif for setting projection.

mif Projection: CoordSys Earth Projection 1, 0

Trying to open file t.sdf...OK.
Opened File Unit:1002
""" + layer_opened(1, "t.sdf_streams.mif", 1003) + """
Processing Stream Centrelines


Found start of reach block on line 4

Found CENTERLINE on line 7

Found ENDSTREAMNETWORK on line 11
""" + layer_closed(1, "t.sdf_streams.mif", 1003)
    + "".join(layer_opened(i + 1, name, 1003 + 2 * i) for i, name in enumerate(SECTION_LAYERS)) + """
Found BEGIN CROSS-SECTIONS: on line 12

Found new cross-section on line 13

Found SURFACE LINE on line 20

End of section processing... 

Trying to open file S1_R1_100.csv...OK.  File Unit:1013
...Closed File Unit:1013

Found END CROSS-SECTIONS on line 24
""" + "".join(layer_closed(i + 1, SECTION_LAYERS[i], 1003 + 2 * i) for i in CLOSE_ORDER) + """
Finished.

Press Enter to Close
""")


def section(stream, reach, station, blocks):
    return (" CROSS-SECTION:\n  STREAM ID:%s\n  REACH ID:%s\n  STATION:%s\n%s END:\n"
            % (stream, reach, station, blocks))


def surface(points):
    return "  SURFACE LINE:\n" + "".join("   %s, %s, %s\n" % p for p in points)


def along_x(chainage_z):
    return surface([(d, 0, z) for d, z in chainage_z])


def sdf_with(sections, streams=""):
    return ("BEGIN STREAM NETWORK:\n%sEND STREAM NETWORK:\nBEGIN CROSS-SECTIONS:\n%sEND CROSS-SECTIONS:\n"
            % (streams, "".join(sections)))


class SdfGoldenTest(e2e.FolderTest):
    def convert(self, text, args=(), name="t.sdf", newline="\n"):
        e2e.write(self.dir, name, text, newline)
        return e2e.run(BINARY, self.dir, list(args) + [name])

    def path(self, name):
        return os.path.join(self.dir, name)

    def csv(self, name):
        return e2e.read_text(self.path(name))

    def dbf(self, name):
        return e2e.read_dbf(self.path(name))[1]

    def gdal_ok(self, name, allow_null=False):
        tool = os.path.join(SOURCE_DIR, "..", "shared", "tools", "gdalcheck.py")
        args = ["/usr/bin/python3", tool] + (["--allow-null"] if allow_null else []) + [self.path(name)]
        p = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(p.returncode, 0, p.stdout.decode())

    def check_layers(self, allow_null=(), prefix=""):
        """Both checkers on every shapefile in the folder whose name begins with prefix; the shape count of each."""
        shapes = {}
        tool = os.path.join(SOURCE_DIR, "..", "shared", "tools", "shpcheck.py")
        for base in sorted(n[:-4] for n in os.listdir(self.dir) if n.endswith(".shp") and n.startswith(prefix)):
            p = subprocess.run(["/usr/bin/python3", tool, self.path(base)], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
            self.assertEqual(p.returncode, 0, p.stdout.decode())
            self.gdal_ok(base + ".shp", base in allow_null)
            shapes[base] = e2e.shp_shape_count(self.path(base + ".shp"))
            self.assertEqual(len(self.gdal_records(base + ".shp")), shapes[base], base)
        return shapes

    # --- Whole transcripts and layers --------------------------------------------------------

    def test_small_mif_run_whole_transcript_profile_and_rows(self):
        e2e.write(self.dir, "Header.mif", "CoordSys Earth Projection 1, 0\n")
        rc, out = self.convert(SMALL, ["-mif"])
        self.assertEqual(rc, 0)
        self.assertEqual(out, SMALL_MIF_TRANSCRIPT)
        self.assertEqual(self.csv("S1_R1_100.csv"), '"X","Z"\n       0.000,      3.0000\n      10.000,      1.0000\n')
        rows = {n: e2e.read_mid(self.path(n)) for n in os.listdir(self.dir) if n.endswith(".mid")}
        self.assertEqual(rows, {
            "t.sdf_streams.mid": ['"S1","R1"'],
            "t_surf_pts.mid": ['"S1","R1","100",       3.000,  0.0000', '"S1","R1","100",       1.000,  0.0000'],
            "2d_zsh_t_end_pts.mid": ['      3.0000,  0.0000,     0.000,""', '       1.000,  0.0000,     0.000,""'],
            "1d_xs_t_surf_line.mid": ['"S1_R1_100.csv","xz","","","","","","","",       0.000,   0.000,   0.000,""'],
            "t_cut_line.mid": ['"S1","R1","100"'],
            "t_levee_pts.mid": [],
        })
        for n in rows:
            self.gdal_ok(n[:-4] + ".mif")

    def test_values_too_wide_for_their_columns_are_written_in_full(self):
        e2e.write(self.dir, "Header.mif", "CoordSys Earth Projection 1, 0\n")
        # Single-precision values: -12345678.9 is held as -12345679 and 1e17 as 99999998430674944.
        sec = section("S", "R", "1", "  NVALUES:\n   0, 1000.0\n"
                      + surface([(0, 5, -12345678.9), (5, 5, 100000000000000000), (10, 5, 1)]))
        # 1e17 is too wide for a .dbf Float field even without its decimals: a blank there, a null in GDAL.
        too_wide = ("\n\nWARNING 0414 - Value 99999998430674944.000 too long for .dbf field Elevation, written "
                    "blank.\n               In file t_surf_pts_P.dbf, record 2; later such values of this field "
                    "are not reported.\n")
        for args, ext, data, wide in (([], "_P.shp", "_P.dbf", ""), (["-mif"], ".mif", ".mid", 99999998430674944.0)):
            rc, out = self.convert(sdf_with([sec]), args)
            self.assertEqual(rc, 0, out)
            self.assertEqual(self.csv("S_R_1.csv"), '"X","Z","N"\n       0.000,-12345679.0000,1000.0000\n'
                             '       5.000,99999998430674944.0000,1000.0000\n      10.000,      1.0000,1000.0000\n')
            self.assertNotIn("*", e2e.read_text(self.path("t_surf_pts" + data)))
            if args:
                for name in SECTION_LAYERS:
                    self.gdal_ok(name)
            else:
                self.check_layers(allow_null=("t_surf_pts_P",))
            self.assertEqual([r[3:] for r in self.gdal_records("t_surf_pts" + ext)],
                             [[-12345679.0, 1000.0], [wide, 1000.0], [1.0, 1000.0]])
            self.assertEqual([r[0] for r in self.gdal_records("2d_zsh_t_end_pts" + ext)], [-12345679.0, 1.0])
            self.assertNotIn("WARNING 0415", out)
            self.assertEqual(too_wide in out, ext == "_P.shp", out)

    def test_shapefile_records_of_every_layer(self):
        # Blocks in any order, each read whole: empty lines inside a block are skipped, and a
        # number keeps its "+" signs.
        sec = section("Creek", "Upper", "250", "  SURFACE LINE:\n   +0, 0, 9\n   5, 0, 4\n\n   ! gap\n   10, 0, 2\n"
                      "   15, 0, 5\n   20, 0, 8\n  LEVEE POSITIONS:\n   'west', 0.25, +7.5E+00\n\n   east, 0.75,\n"
                      "  NVALUES:\n   0.0, 0.05\n   # mid\n   0.5, 0.03\n  CUT LINE:\n   0, 1\n\n   10, 1\n   20, 1\n")
        streams = " REACH:\n  STREAM ID:Creek\n  REACH ID:Upper\n  CENTERLINE:\n   0 0\n   1.5 2.5\n   3,4\n END:\n"
        rc, out = self.convert(sdf_with([sec], streams))
        self.assertEqual(rc, 0, out)
        self.assertEqual(self.dbf("t.sdf_streams_L.dbf"), [["Creek", "Upper"]])
        self.assertEqual(e2e.shp_shape_count(self.path("t.sdf_streams_L.shp")), 1)
        names = ["Creek", "Upper", "250"]
        self.assertEqual(self.dbf("t_surf_pts_P.dbf"), [
            names + ["4.000", "0.0500"], names + ["2.000", "0.0300"], names + ["5.000", "0.0300"]])
        self.assertEqual(self.dbf("2d_zsh_t_end_pts_P.dbf"),
                         [["9.0000", "0.0000", "0.000", ""], ["8.000", "0.0000", "0.000", ""]])
        self.assertEqual(self.dbf("1d_xs_t_surf_line_L.dbf"),
                         [["Creek_Upper_250.csv", "xz", "n", "", "", "", "", "", "", "0.000", "0.000", "0.000", ""]])
        self.assertEqual(self.dbf("t_cut_line_L.dbf"), [names])
        # A marker's own elevation stands (a levee crest above the ground); east gives none and takes
        # the surface elevation at 15 along the line, not that of point 1 or 2.
        self.assertEqual(self.dbf("t_levee_pts_P.dbf"), [names + ["7.500", "west"], names + ["5.000", "east"]])
        self.assertEqual(self.csv("Creek_Upper_250.csv"), '"X","Z","N"\n       5.000,      4.0000,  0.0500\n'
                         '      10.000,      2.0000,  0.0300\n      15.000,      5.0000,  0.0300\n')
        self.assertIn("WARNING - No levee height specified.  Line number: ", out)
        for base in ("t.sdf_streams_L", "t_surf_pts_P", "2d_zsh_t_end_pts_P", "1d_xs_t_surf_line_L", "t_cut_line_L",
                     "t_levee_pts_P"):
            tool = os.path.join(SOURCE_DIR, "..", "shared", "tools", "shpcheck.py")
            p = subprocess.run(["/usr/bin/python3", tool, self.path(base)], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
            self.assertEqual(p.returncode, 0, p.stdout.decode())
            self.gdal_ok(base + ".shp")

    # --- Chainage, Manning's n and the .csv formats ------------------------------------------

    def test_chainage_and_mannings_per_point(self):
        sec = section("S", "R", "1", "  NVALUES:\n   0.0, 0.03\n   0.5, 0.05\n"
                      + surface([(100, 200, 10.5), (100, 204, 9.25), (103, 208, 8.125), (103, 213, 12)]))
        rc, out = self.convert(sdf_with([sec]))
        self.assertEqual(rc, 0, out)
        # Chainages 0, 4, 9, 14: half way is 7, so the third point takes the new value.
        self.assertEqual(self.csv("S_R_1.csv"), '"X","Z","N"\n'
                         '       0.000,     10.5000,  0.0300\n'
                         '       4.000,      9.2500,  0.0300\n'
                         '       9.000,      8.1250,  0.0500\n'
                         '      14.000,     12.0000,  0.0500\n')
        # The example with a zone from 48 to 51.2 between the points at 40 and 60: no point lies in
        # it, and the point at 60 takes the n of the zone from 51.2 to 104.
        example = e2e.read_text(os.path.join(SOURCE_DIR, "examples", "river.sdf"))
        rc, out = self.convert(example.replace("         0.35, 0.035\n", "         0.30, 0.1\n         0.32, 0.035\n"))
        self.assertEqual(rc, 0, out)
        self.assertEqual(self.csv("Mill Creek_Upper_850.csv"), '"X","Z","N"\n'
                         '      40.000,     29.4000,  0.0600\n'
                         '      60.000,     27.2000,  0.0350\n'
                         '      80.000,     26.0000,  0.0350\n'
                         '     100.000,     27.4000,  0.0350\n'
                         '     120.000,     29.6000,  0.0600\n')
        self.assertEqual([r[-1] for r in self.dbf("t_surf_pts_P.dbf") if r[2] == "850"],
                         ["0.0600", "0.0350", "0.0350", "0.0350", "0.0600"])
        # Change points out of order: each point takes the n of the one with the greatest position at
        # or before it, and the NVALUES line is named.
        sec = section("S", "R", "1", "  NVALUES:\n   0.0, 0.03\n   0.6, 0.06\n   0.3, 0.045\n   0.8, 0.08\n"
                      + along_x([(d, 1) for d in range(0, 21, 2)]))
        rc, out = self.convert(sdf_with([sec]))
        self.assertEqual(rc, 0, out)
        self.assertIn("\nWARNING - The change points of the NVALUES block at line 8 are not in order of position: each "
                      "surface point takes the n of the change point with the greatest position at or before it.\n", out)
        self.assertEqual([r.split(",")[-1] for r in self.csv("S_R_1.csv").splitlines()[1:]],
                         ["  0.0300"] * 3 + ["  0.0450"] * 3 + ["  0.0600"] * 2 + ["  0.0800"] * 3)
        self.check_layers()

    def test_point_exactly_at_a_change_takes_the_new_value(self):
        sec = section("S", "R", "1", "  NVALUES:\n   0, 0.03\n   0.5, 0.05\n" + along_x([(0, 1), (4, 2), (5, 3), (10, 4)]))
        self.convert(sdf_with([sec]))
        self.assertEqual([r[-1] for r in self.dbf("t_surf_pts_P.dbf")], ["0.0300", "0.0300", "0.0500", "0.0500"])

    def test_mannings_of_a_section_without_nvalues_is_zero(self):
        first = section("S", "R", "1", "  NVALUES:\n   0, 0.07\n" + along_x([(0, 1), (4, 2)]))
        second = section("S", "R", "2", along_x([(0, 1), (4, 2)]))
        self.convert(sdf_with([first, second]))
        self.assertEqual([r[-1] for r in self.dbf("t_surf_pts_P.dbf")], ["0.0700", "0.0700", "0.0000", "0.0000"])
        self.assertEqual(self.csv("S_R_2.csv"), '"X","Z"\n       0.000,      1.0000\n       4.000,      2.0000\n')

    def test_an_nvalues_block_without_data_lines_is_no_nvalues(self):
        line = along_x([(0, 3), (5, 1), (10, 4)])
        before_surface = section("S", "R", "1", "  NVALUES:\n" + line)
        before_levees = section("S", "R", "2", "  NVALUES:\n  LEVEE POSITIONS:\n   L, 0.0, 105.3\n   R, 1.0,\n" + line)
        before_end = section("S", "R", "3", "  CUT LINE:\n   0, 0\n   10, 0\n  NVALUES:\n")
        after = section("S", "R", "4", "  NVALUES:\n   0, 0.07\n" + line)
        rc, out = self.convert(sdf_with([before_surface, before_levees, before_end, after]))
        self.assertEqual(rc, 0, out)
        for station in ("1", "2"):
            self.assertEqual(self.csv("S_R_%s.csv" % station).splitlines()[0], '"X","Z"')
        self.assertEqual(self.csv("S_R_4.csv").splitlines()[0], '"X","Z","N"')
        self.assertEqual([r[2] for r in self.dbf("1d_xs_t_surf_line_L.dbf")], ["", "", "n"])
        self.assertEqual([r[-1] for r in self.dbf("t_surf_pts_P.dbf")], ["0.0000"] * 6 + ["0.0700"] * 3)
        self.assertEqual([r[-2:] for r in self.dbf("t_levee_pts_P.dbf")], [["105.300", "L"], ["4.000", "R"]])
        self.assertEqual(self.dbf("t_cut_line_L.dbf"), [["S", "R", "3"]])
        self.assertEqual(out.count("\nEnd of section processing... \n"), 4)

    # --- Trimming to levee markers ------------------------------------------------------------

    LINE = [(0, 9), (2, 8), (4, 6), (6, 1), (8, 6), (10, 9)]

    def trimmed_csv(self, markers, args=()):
        levees = "  LEVEE POSITIONS:\n" + "".join("   %d, %s, 5\n" % (i + 1, f) for i, f in enumerate(markers))
        rc, out = self.convert(sdf_with([section("S", "R", "1", levees + along_x(self.LINE))]), args)
        self.assertEqual(rc, 0, out)
        return [float(r.split(",")[0]) for r in self.csv("S_R_1.csv").splitlines()[1:]], out

    def test_one_marker_keeps_the_side_with_the_lowest_point(self):
        self.assertEqual(self.trimmed_csv(["0.4"])[0], [4, 6, 8, 10])
        self.assertEqual(self.trimmed_csv(["0.8"])[0], [0, 2, 4, 6, 8])

    def test_two_markers_keep_the_points_between_them(self):
        chain, out = self.trimmed_csv(["0.3", "0.8"])
        self.assertEqual(chain, [4, 6, 8])
        self.assertNotIn("Error here.", out)

    def test_two_markers_right_to_left_trim_everything(self):
        chain, out = self.trimmed_csv(["0.8", "0.3"])
        self.assertEqual(chain, [])
        self.assertIn("\nError here.\n", out)
        self.assertEqual(e2e.shp_shape_count(self.path("1d_xs_t_surf_line_L.shp")), 0)
        self.assertEqual(len(self.dbf("2d_zsh_t_end_pts_P.dbf")), 2)  # the untrimmed ends still go out

    def test_three_or_more_markers_use_the_pair_around_the_lowest_point(self):
        chain, out = self.trimmed_csv(["0.1", "0.3", "0.7", "0.9"])
        self.assertEqual(chain, [4, 6])
        self.assertIn("\nWARNING - More than two levee points detected for section. Line number: 13\n", out)
        self.assertIn("\nWARNING - More than 2 levee markers found.\n", out)
        chain, out = self.trimmed_csv(["0.7", "0.8", "0.9"])  # all right of the lowest point
        self.assertEqual(chain, [0, 2, 4, 6, 8, 10])
        self.assertIn("\nERROR - Determing which two levee markes to use.\n", out)

    def test_notrim_reads_the_markers_but_keeps_every_point(self):
        chain, out = self.trimmed_csv(["0.3"], ["-notrim"])
        self.assertEqual(chain, [0, 2, 4, 6, 8, 10])
        self.assertIn("WARNING - Only one levee points detected for section.", out)
        self.assertEqual(self.dbf("t_levee_pts_P.dbf"), [])

    def test_empty_levee_block_trims_nothing(self):
        chain, out = self.trimmed_csv([])
        self.assertEqual(chain, [0, 2, 4, 6, 8, 10])
        self.assertIn("WARNING - No levee points detected. Line number: 9", out)
        self.assertNotIn("More than 2", out)

    # --- The grammar as read, with its console lines -----------------------------------------

    def test_console_lines_name_the_sdf_lines(self):
        # A NODE NAME line that holds a block keyword opens an empty block, which the real keyword
        # line ends and opens again; a block given twice keeps the later one and says so.
        text = ("REACH: the first line is never tested\nBEGINSTREAMNETWORK:\n"
                " reach:\n  STREAM ID:\n  REACH ID: R0\n  CENTERLINE:\n   1 2\n   3 4\n LEGEND:\n"  # lines 3-9
                "ENDSTREAMNETWORK:\nBEGIN CROSS-SECTIONS:\n"
                " CROSS-SECTION:\n  STREAM ID: S0\n  REACH ID: R0\n  STATION: 12.5*\n"  # lines 12-15
                "  NODE NAME: CUT LINE:\n  CUT LINE:\n   1, 1\n   2, 2\n  CUT LINE:\n   3, 3\n   4, 4\n END:\n"
                " CROSS-SECTION:\n  STREAM ID:S0\n  REACH ID:R1\n  STATION:7\n"  # lines 24-27
                "  NODE NAME: LEVEE POSITIONS:\n  LEVEE POSITIONS:\n   L, 0, 5\n   R, 1, 6\n"
                "  SURFACE LINE:\n   0 0 1\n  SURFACE LINE:\n   0 0 2\n   5 0 3\n END:\n"
                "END CROSS-SECTIONS:\n")
        # CR LF, CR alone and CR CR LF end lines alike: no CR is left in a name or a value.
        for newline in ("\r\n", "\r", "\r\r\n"):
            rc, out = self.convert(text, newline=newline)
            self.assertEqual(rc, 0, out)
            self.assertEqual(e2e.converter_lines(out)[2:], [
                "Processing Stream Centrelines",
                "Found BEGINSTREAMNETWORK on line 2",
                "Found start of reach block on line 3",
                "Found CENTERLINE on line 6",
                "Found ENDSTREAMNETWORK on line 10",
                "Found BEGIN CROSS-SECTIONS: on line 11",
                "Found new cross-section on line 12",
                "WARNING - The CUT LINE block at line 20 replaces the one at line 17 in the same cross-section.",
                "End of section processing... ",
                "Warning - No surface line for section in sdf, unable to export .csv format section.",
                " S0 R0 12.5",
                "Found new cross-section on line 24",
                "Found LEVEE POSITIONS on line 28",
                "Found LEVEE POSITIONS on line 29",
                "Found SURFACE LINE on line 32",
                "Found SURFACE LINE on line 34",
                "WARNING - The SURFACE LINE block at line 34 replaces the one at line 32 in the same cross-section.",
                "End of section processing... ",
                "Found END CROSS-SECTIONS on line 38",
                "Finished.",
                "Press Enter to Close",
            ], repr(newline))
            # Leading blanks stay in the names; the opener drops them from the file name only.
            self.assertEqual(self.dbf("t.sdf_streams_L.dbf"), [["", " R0"]])
            self.assertEqual(self.dbf("t_cut_line_L.dbf"), [[" S0", " R0", " 12.5"]])
            self.assertEqual(self.dbf("t_surf_pts_P.dbf"), [["S0", "R1", "7", "2.000", "0.0000"],
                                                           ["S0", "R1", "7", "3.000", "0.0000"]])
            self.assertEqual(self.csv("S0_R1_7.csv"), '"X","Z"\n       0.000,      2.0000\n       5.000,      3.0000\n')
            self.assertEqual([r[3:] for r in self.dbf("t_levee_pts_P.dbf")], [["5.000", "L"], ["6.000", "R"]])
            self.assertEqual(self.check_layers()["t_cut_line_L"], 1)
        # A reach or a section without its identifier lines would take the names of the one before:
        # the run stops, naming the line that stands in their place.
        for old, new, message in (("  STREAM ID:\n", "  NOT A STREAM\n", "Stream ID: on 4\nLine 4"),
                                  ("  REACH ID: R0\n  C", "  NOT A REACH\n  C", "REACH ID: on 5\nLine 5"),
                                  ("  STATION:7\n", "", "STATION: on 27\nLine 27"),
                                  (" END:\n CROSS", " END:\n CROSS-SECTION:\n END:\n CROSS", "Stream ID: on 25\nLine 25")):
            self.assert_stops(text.replace(old, new), "\nError Expecting %s of file t.sdf.\n" % message)
            self.check_layers()
        # Blocks after an END: with no CROSS-SECTION: line have no names of their own: the run stops
        # rather than write them under the section before. An END: given twice ends nothing more.
        self.assert_stops(text.replace(" END:\n CROSS", " END:\n  SURFACE LINE:\n   1 2 3\n END:\n CROSS", 1),
                          "\nERROR - Unexpected SURFACE LINE at line 24 of file t.sdf outside a cross-section: "
                          "no CROSS-SECTION: line opens it.\n")
        self.assertEqual(self.check_layers()["t_surf_pts_P"], 0)
        rc, out = self.convert(text.replace(" END:\n CROSS", " END:\n END:\n CROSS", 1))
        self.assertEqual(rc, 0, out)
        self.assertEqual(out.count("No surface line"), 1, out)

    def test_header_values_are_not_read_as_blocks(self):
        text = ("# export\nBEGIN HEADER:\n   STREAM LAYER: db/StreamCenterlines\n   NUMBER OF REACHES: 1\n"
                "END HEADER:\n" + sdf_with([], " REACH:\n  STREAM ID:A\n  REACH ID:B\n  CENTERLINE:\n   0 0\n   1 1\n END:\n"))
        rc, out = self.convert(text)
        self.assertEqual(rc, 0, out)
        self.assertEqual(self.dbf("t.sdf_streams_L.dbf"), [["A", "B"]])

    def test_cut_line_ending_at_end_and_cut_line_without_points(self):
        # Each cut line without points is a null object written from a copy of the vertex buffer
        # that the run makes and drops: many of them in one run.
        text = sdf_with([section("S", "R", "1", "  CUT LINE:\n   0, 0\n   5, 5\n")] +
                        [section("S", "R", str(k), "  CUT LINE:\n") for k in range(2, 13)])
        rc, out = self.convert(text)
        self.assertEqual(rc, 0, out)
        self.assertEqual(self.dbf("t_cut_line_L.dbf"), [["S", "R", str(k)] for k in range(1, 13)])
        self.gdal_ok("t_cut_line_L.shp", allow_null=True)

    def test_input_in_a_folder_keeps_every_layer_in_that_folder(self):
        rc, out = self.convert(SMALL, name="data.v1/river.sdf")
        self.assertEqual(rc, 0, out)
        names = sorted(n for n in os.listdir(self.path("data.v1")) if n.endswith(".shp"))
        self.assertEqual(names, ["1d_xs_river_surf_line_L.shp", "2d_zsh_river_end_pts_P.shp", "river.sdf_streams_L.shp",
                                 "river_cut_line_L.shp", "river_levee_pts_P.shp", "river_surf_pts_P.shp"])

    # --- Names that hold separators, control characters, quotes and commas ----------------------

    def test_profile_names_never_leave_the_current_folder(self):
        absolute = os.path.join(self.dir, "abs")
        # What a Windows file name cannot hold becomes "_" on every platform as well.
        ids = [("../x", "R", 1), (absolute, "R", 2), ("A\\B", "R", 3), ("T\tb", "Q\x7fR", 4), ("A/B", "R", 5),
               ("Up?\"<|>", "C:x*y", 6), ("M", "U", 700), ("M", "U", 701), ("M", "U", "600*"), ("M", "U", 600),
               ("M", "u", 600)]
        text = sdf_with([section(st, r, station, along_x([(0, 1), (5, 9 if station == 600 else 2)]))
                         for st, r, station in ids])
        e2e.write(self.dir, "run/t.sdf", text)
        # A link makes the profiles of stations 700 and 701 one file.
        os.symlink("M_U_700.csv", self.path("run/M_U_701.csv"))
        rc, out = e2e.run(BINARY, self.path("run"), ["t.sdf"])
        self.assertEqual(rc, 0, out)
        self.assertEqual(os.listdir(self.dir), ["run"])
        expected = [".._x_R_1.csv", absolute.replace("/", "_") + "_R_2.csv", "A_B_R_3.csv", "T_b_Q_R_4.csv",
                    "A_B_R_5.csv", "Up______C_x_y_6.csv", "M_U_700.csv", "M_U_701.csv", "M_U_600.csv", "M_U_600.csv",
                    "M_u_600.csv"]
        self.assertEqual(sorted(n for n in os.listdir(self.path("run")) if n.endswith(".csv")), sorted(set(expected)))
        # The records keep the names as the file gave them; the section line names its profile.
        self.assertEqual([r[:2] for r in self.dbf("run/t_surf_pts_P.dbf")[::2]], [[st, r] for st, r, _ in ids])
        self.assertEqual([r[0] for r in self.dbf("run/1d_xs_t_surf_line_L.dbf")], expected)
        # Stations 600* and 600 write one profile, and so do the two names of one file: the second
        # replaces the first and says so. Names that differ in case are two files here.
        began = [i + 1 for i, line in enumerate(text.split("\n")) if line == " CROSS-SECTION:"]
        warning = ("\nWARNING - The profile %s of the cross-section that begins at line %d (stream M, reach U, station %s) "
                   "replaces the one of the cross-section that begins at line %d (stream M, reach U, station %s).\n")
        self.assertIn(warning % ("M_U_701.csv", began[7], "701", began[6], "700"), out)
        self.assertIn(warning % ("M_U_600.csv", began[9], "600", began[8], "600"), out)
        self.assertEqual(out.count("WARNING - The profile"), 2)
        self.assertEqual(self.csv("run/M_U_600.csv"), '"X","Z"\n       0.000,      1.0000\n       5.000,      9.0000\n')

    def test_a_profile_name_longer_than_the_source_field_is_cut_alike_and_reported(self):
        stream, reach, stations = "Waimanalo Stream East Branch A", "Lower Reach Below Bridge", ("1234.5", "1234.7")
        profiles = ["%s_%s_%s.csv" % (stream, reach, station) for station in stations]  # 66 characters
        e2e.write(self.dir, "Header.mif", "CoordSys Earth Projection 1, 0\n")
        text = sdf_with([section(stream, reach, station, along_x([(0, 3), (5, 1)])) for station in stations])
        for args, layer in (([], "1d_xs_t_surf_line_L.shp"), (["-mif"], "1d_xs_t_surf_line.mif")):
            rc, out = self.convert(text, args)
            self.assertEqual(rc, 0, out)
            for station, profile in zip(stations, profiles):
                self.assertIn("\nWARNING - The profile name of stream %s, reach %s, station %s is cut to the 50 characters "
                              "of the Source field: %s\n" % (stream, reach, station, profile), out)
                self.assertTrue(os.path.exists(self.path(profile)))
            self.gdal_ok(layer)
            self.assertEqual([r[0] for r in self.gdal_records(layer)], [profiles[0][:50]] * 2, layer)

    def gdal_records(self, name):
        from osgeo import ogr
        source = ogr.Open(self.path(name))  # the layer lives only as long as its source
        # A blank .dbf text reads as null, a blank .mid value as "": both are "" here.
        return [["" if f.GetField(i) is None else f.GetField(i) for i in range(f.GetFieldCount())]
                for f in source.GetLayer(0)]

    def test_quotes_and_commas_in_names_stay_inside_their_fields(self):
        stream, reach = "Mi\"ll, \"Cr'eek", "a,b"
        streams = " REACH:\n  STREAM ID:%s\n  REACH ID:%s\n  CENTERLINE:\n   0 0\n   1 1\n END:\n" % (stream, reach)
        sec = section(stream, reach, "100", "  CUT LINE:\n   0, 1\n   10, 1\n"
                      "  LEVEE POSITIONS:\n   'e\"ast', 0.0, 7\n   \"it's\", 1.0, 8\n" + along_x([(0, 5), (10, 6)]))
        # Quotes doubled make a record longer than the 1000-character data line: its fields stay whole.
        quotes = '"' * 498
        streams += " REACH:\n  STREAM ID:%s\n  REACH ID:RR\n  CENTERLINE:\n   0 0\n   1 1\n END:\n" % quotes
        long_sec = section(quotes, "x", "2", "  CUT LINE:\n   0, 1\n   10, 1\n")
        e2e.write(self.dir, "Header.mif", "CoordSys Earth Projection 1, 0\n")
        names = [stream, reach, "100"]
        source = stream.replace('"', "_") + "_" + reach + "_100.csv"  # no file name holds a double quote
        for args, ext, shp in (([], ".shp", lambda b, k: b + "_" + k), (["-mif"], ".mif", lambda b, k: b)):
            rc, out = self.convert(sdf_with([sec, long_sec], streams), args)
            self.assertEqual(rc, 0, out)
            held = quotes[:100] if ext == ".shp" else quotes  # a .dbf field holds its 100 characters
            layers = {"t.sdf_streams": ("L", [[stream, reach], [held, "RR"]]),
                      "t_cut_line": ("L", [names, [held, "x", "2"]]),
                      "t_surf_pts": ("P", [names + [5.0, 0.0], names + [6.0, 0.0]]),
                      "t_levee_pts": ("P", [names + [7.0, 'e"ast'], names + [8.0, "it's"]]),
                      "1d_xs_t_surf_line": ("L", [[source, "xz", ""] + [""] * 6 + [0.0, 0.0, 0.0, ""]])}
            for base, (kind, records) in layers.items():
                self.gdal_ok(shp(base, kind) + ext)
                self.assertEqual(self.gdal_records(shp(base, kind) + ext), records, base + ext)
        # MIF doubles a quote inside a quoted value on disk.
        self.assertEqual(e2e.read_mid(self.path("t.sdf_streams.mid")),
                         ['"Mi""ll, ""Cr\'eek","a,b"', '"' + quotes * 2 + '","RR"'])

    # --- Orderly stops on bad input ----------------------------------------------------------

    def assert_stops(self, text, message, name="t.sdf"):
        rc, out = self.convert(text, name=name)
        self.assertEqual(rc, 1, out)
        self.assertIn(message, out)
        self.assertTrue(out.endswith("\nPress Enter to Close\n"), out)

    def test_bad_data_lines_stop_the_run_naming_file_and_line(self):
        reach = " REACH:\n  STREAM ID:A\n  REACH ID:B\n  CENTERLINE:\n   0 0\n%s END:\n"
        self.assert_stops(sdf_with([], reach % "\n"), "\nERROR reading data\n\nLine 7 of file t.sdf.\n")
        self.assert_stops(sdf_with([], reach % "   1 x\n"),
                          "\nERROR - Reading following line in file:\n\n   1 x\n\nLine 7 of file t.sdf.\n")
        # A surface value that is no number is a bad data line, not the end of the block.
        sec = section("S", "R", "1", surface([(0, 0, 3), ("620140.0", "2360700.0", "None"), (10, 0, 1)]))
        self.assert_stops(sdf_with([sec]), "\nERROR - Reading following line in file in sub GetSdfSurfaceLine\n\n"
                                           "   620140.0, 2360700.0, None\n\nLine 10 of file t.sdf.\n")
        self.assertEqual(set(self.check_layers().values()), {0})
        # The first line of a block is read or refused too, never taken for the block's end.
        line = along_x([(0, 3), (5, 1)])
        for blocks, routine, shown in (("  SURFACE LINE:\n   x 1 2 3\n   0, 0, 1\n", "SurfaceLine", "   x 1 2 3"),
                                       ("  CUT LINE:\n   None, 60.0, 3.0\n   0, 0\n" + line, "Cutline", "   None, 60.0, 3.0"),
                                       ("  NVALUES:\n   nan, 0.03\n" + line, "nVals", "   nan, 0.03")):
            self.assert_stops(sdf_with([section("S", "R", "1", blocks)]), "\nERROR - Reading following line in file in "
                              "sub GetSdf%s\n\n%s\n\nLine 9 of file t.sdf.\n" % (routine, shown))
            self.assertEqual(set(self.check_layers().values()), {0})
        # The 100,001st cut-line point stops the run, as the 100,001st surface point does.
        cut = "  CUT LINE:\n" + "".join("   %d, 1\n" % i for i in range(100001))
        self.assert_stops(sdf_with([section("S", "R", "1", cut)]),
                          "\nERROR - More than 100,000 points in CUT LINE block at line 100009 of file t.sdf.\n")
        self.assertEqual(set(self.check_layers().values()), {0})
        # A chainage or a levee marker's place that is not finite in single precision stops the run,
        # naming the line where its section begins; the sections before it are written.
        for blocks, what in ((surface([(0, 0, 5), (2e38, 0, 1), (4e38, 0, 5)]), "chainage along the surface line"),
                             ("  LEVEE POSITIONS:\n   L, 0.5,\n   R, 1.0, 3\n" + surface([(0, 0, -3e38), (10, 0, 3e38)]),
                              "place of levee marker L")):
            self.assert_stops(sdf_with([section("S", "R", "1", line), section("S", "R", "2", blocks)]),
                              "\nERROR - The %s of the cross-section that begins at line 12 (stream S, reach R, station 2) "
                              "is not finite in single precision.\n" % what)
            self.assertEqual(self.check_layers()["t_surf_pts_P"], 2)
            self.assertFalse(os.path.exists(self.path("S_R_2.csv")))

    def test_blocks_and_sections_left_open_and_an_empty_file_stop_the_run(self):
        self.assert_stops("BEGIN STREAM NETWORK:\n REACH:\n  STREAM ID:A\n  REACH ID:B\n  CENTERLINE:\n   0 0\n",
                          "ERROR - Unexpected end of file t.sdf in CENTERLINE block after line 6.")
        self.assert_stops("", "ERROR - Unexpected end of file t.sdf at line 1: the file is empty.")
        # Cut off after a whole section: every layer written so far is complete and consistent.
        whole = section("S", "R", "1", "  CUT LINE:\n   0, 1\n   9, 1\n  LEVEE POSITIONS:\n   1, 0.0, 9\n   2, 1.0, 9\n"
                        + along_x([(0, 5), (4, 2), (9, 6)]))
        streams = " REACH:\n  STREAM ID:S\n  REACH ID:R\n  CENTERLINE:\n   0 0\n   1 1\n END:\n"
        cut = sdf_with([whole], streams).replace("END CROSS-SECTIONS:\n", "") + \
            " CROSS-SECTION:\n  STREAM ID:A\n  REACH ID:B\n  STATION:2\n  SURFACE LINE:\n   1 2 3\n"
        self.assert_stops(cut, "ERROR - Unexpected end of file t.sdf in SURFACE LINE block after line 31.")
        first_section_only = {"t.sdf_streams_L": 1, "t_surf_pts_P": 3, "2d_zsh_t_end_pts_P": 2,
                              "1d_xs_t_surf_line_L": 1, "t_cut_line_L": 1, "t_levee_pts_P": 2}
        self.assertEqual(self.check_layers(), first_section_only)
        # Cut inside the last section's END: line, the file ends in a surface line that cannot be read.
        second = section("A", "B", "2", along_x([(0, 1), (5, 2)]))
        cut = sdf_with([whole, second], streams)
        cut = cut[:cut.rindex(" END:") + 3]
        self.assert_stops(cut, "\nERROR - Reading following line in file in sub GetSdfSurfaceLine\n\n EN\n\n"
                               "Line %d of file t.sdf, the last line of the file.\n" % (cut.count("\n") + 1))
        self.assertEqual(self.check_layers(), first_section_only)

        # A section still open when the file ends, the next CROSS-SECTION: line comes (read by the pass,
        # or ending the section's last block) or the cross-sections end ("END :" is no END: line): the
        # run stops naming the line where the open section began and the line that closed it.
        def line_of(text, key, nth=1):
            at = -1
            for _ in range(nth):
                at = text.index(key, at + 1)
            return text[:at].count("\n") + 1

        # (A blank line inside a block is skipped: a block is ended by a keyword line alone.)
        bank_ended = second.replace(" END:\n", "  BANK POSITIONS: 0.2, 0.8\n")
        unended = second.replace(" END:\n", "")
        at_end = sdf_with([whole, second.replace(" END:", " END :")], streams)
        cases = ((sdf_with([whole, bank_ended], streams).replace("END CROSS-SECTIONS:\n", ""), None),
                 (sdf_with([whole, bank_ended, second], streams), "CROSS-SECTION:"),
                 (sdf_with([whole, unended, second], streams), "CROSS-SECTION:"),
                 (at_end, "END CROSS-SECTIONS"),
                 (at_end.replace("END CROSS-SECTIONS:", "ENDSTREAMNETWORK:"), "ENDSTREAMNETWORK"))
        for text, closing in cases:
            unexpected = "end of file t.sdf" if closing is None else "%s at line %d of file t.sdf" % (
                closing, line_of(text, closing, 3 if closing == "CROSS-SECTION:" else 1))
            self.assert_stops(text, "\nERROR - Unexpected %s in the cross-section that begins at line %d: its END: line "
                                    "is missing.\n" % (unexpected, line_of(text, "CROSS-SECTION:", 2)))
            self.assertEqual(self.check_layers(), first_section_only, unexpected)

    def test_a_file_that_is_no_sdf_export_stops_the_run(self):
        # Text, and bytes of every value: the layers opened are completed, empty.
        for name, text in (("notes.txt", "Survey notes\nThe reach was walked in May.\n"),
                           ("image.sdf", bytes(range(256)).decode("latin-1") * 64)):
            self.assert_stops(text, "\nERROR - %s is not an SDF export: it holds no BEGIN STREAM NETWORK: line and no "
                                    "BEGIN CROSS-SECTIONS: line.\n" % name, name=name)
        self.assertEqual(set(self.check_layers().values()), {0})
        # Without its END STREAM NETWORK: line the network ends where the cross-sections begin (at
        # BEGIN CROSS-SECTIONS:, or at the first CROSS-SECTION: when that line is missing too), or at
        # the end of the file; the sections are converted all the same.
        begin = "line 11 of file t.sdf, where the cross-sections begin"
        for text, where, points in ((SMALL.replace("END STREAM NETWORK:\n", ""), begin, 2),
                                    (SMALL.replace("END STREAM NETWORK:\nBEGIN CROSS-SECTIONS:\n", ""), begin, 2),
                                    (SMALL[:SMALL.index("END STREAM NETWORK:")], "the end of file t.sdf", 0)):
            rc, out = self.convert(text)
            self.assertIn("\nWARNING - The stream network has no END STREAM NETWORK line; it ends at %s.\n" % where, out)
            self.assertEqual((rc, self.check_layers()["t_surf_pts_P"]), (0, points))
        # A real export of cut lines alone is one.
        sample = os.path.join(SOURCE_DIR, "..", "shared", "samples", "sdf",
                              "hecras631_project12_crlf_cutline_only_no_profiles.sdf")
        os.symlink(os.path.abspath(sample), self.path("cut.sdf"))
        rc, out = e2e.run(BINARY, self.dir, ["cut.sdf"])
        self.assertEqual(rc, 0, out[-2000:])
        self.assertTrue(out.endswith("\nFinished.\n\nPress Enter to Close\n"), out[-500:])

    def test_a_profile_or_layer_is_never_written_over_the_input(self):
        text = sdf_with([section("Mill Creek", "Upper", station, along_x([(0, 3), (5, 1), (10, 4)]))
                         for station in ("850", "800", "750", "700")])
        e2e.write(self.dir, "Mill Creek_Upper_850.csv", text)
        os.symlink("Mill Creek_Upper_850.csv", self.path("river.sdf"))
        os.link(self.path("Mill Creek_Upper_850.csv"), self.path("hard.sdf"))
        # By its own name and through a link, symbolic or hard: the file is known by what it is, not
        # how it is spelt.
        for name in ("Mill Creek_Upper_850.csv", "river.sdf", "hard.sdf"):
            rc, out = e2e.run(BINARY, self.dir, [name], stdin="y\n\n")
            self.assertEqual(rc, 1, out)
            self.assertIn("\nERROR - The profile of stream Mill Creek, reach Upper, station 850 would be written over "
                          "%s, the file being converted; that file is left as it is.\n" % name, out)
            self.assertNotIn("already open", out)
            self.assertEqual(self.csv("Mill Creek_Upper_850.csv"), text)
        # A layer's table hard-linked to the input stops the run before it is opened: the layers
        # before it are complete.
        e2e.write(self.dir, "Header.mif", "CoordSys Earth Projection 1, 0\n")
        os.link(self.path("hard.sdf"), self.path("layer.sdf"))
        for args, layer_file in (([], "layer_surf_pts_P.dbf"), (["-mif"], "layer_surf_pts.mid")):
            os.link(self.path("layer.sdf"), self.path(layer_file))
            rc, out = e2e.run(BINARY, self.dir, args + ["layer.sdf"])
            self.assertEqual(rc, 1, out)
            self.assertIn("\n\nERROR - The layer file %s would be written over layer.sdf, a file being read; that file "
                          "is left as it is.\n\nPress Enter to Close\n" % layer_file, out)
            self.assertEqual(self.csv("layer.sdf"), text)
            os.remove(self.path(layer_file))
        self.assertEqual({n for n in os.listdir(self.dir) if n.startswith("layer")},
                         {"layer.sdf"} | {"layer.sdf_streams" + e for e in ("_L.shp", "_L.shx", "_L.dbf", "_L.prj", ".mif", ".mid")})
        self.assertEqual(self.check_layers(prefix="layer"), {"layer.sdf_streams_L": 0})
        self.gdal_ok("layer.sdf_streams.mif")

        # Nor over a file the run writes: another layer's, open or closed (the streams layer's), or a
        # profile's, through a link symbolic or hard. The run stops before the layer's first file is
        # opened, the layers before it complete, and never asks to close a file it writes.
        streams = " REACH:\n  STREAM ID:S\n  REACH ID:R\n  CENTERLINE:\n   0 0\n   1 1\n END:\n"
        e2e.write(self.dir, "w.sdf", sdf_with([section("S", "R", "1", along_x([(0, 3), (5, 1)]))], streams))
        for target, link, make, written in (("w_surf_pts_P.dbf", "w_cut_line_L.dbf", os.symlink, "The layer file"),
                                            ("w.sdf_streams_L.dbf", "w_levee_pts_P.dbf", os.link, "The layer file"),
                                            ("w_surf_pts_P.shp", "S_R_1.csv", os.link, "The profile of stream S, reach R,")):
            e2e.write(self.dir, target, "")
            make(self.path(target), self.path(link))
            rc, out = e2e.run(BINARY, self.dir, ["w.sdf"], stdin="y\n\n")
            self.assertEqual(rc, 1, out)
            self.assertIn("\n\nERROR - %s %s would be written over %s, a file this run writes.\n"
                          % (written, "station 1" if link == "S_R_1.csv" else link, target), out)
            self.assertNotIn("already open", out)
            self.assertFalse(os.path.exists(self.path(link[:-4] + ".shp")), link)
            self.assertEqual(self.dbf("w.sdf_streams_L.dbf"), [["S", "R"]])
            self.check_layers()
            os.remove(self.path(link))

        # Nor over another file of the layer itself, through a link to a file made already or not yet.
        for target, link, make in (("w_cut_line_L.shp", "w_cut_line_L.shx", os.symlink),
                                   ("w_cut_line_L.shp", "w_cut_line_L.dbf", os.link),
                                   ("w.sdf_streams_L.shp", "w.sdf_streams_L.prj", os.symlink)):
            for name in (link, target):
                if os.path.lexists(self.path(name)):
                    os.remove(self.path(name))
            if make is os.link:
                e2e.write(self.dir, target, "kept")
            make(target if make is os.symlink else self.path(target), self.path(link))
            rc, out = e2e.run(BINARY, self.dir, ["w.sdf"], stdin="y\n\n")
            self.assertEqual(rc, 1, out)
            self.assertIn("\n\nERROR - The layer file %s would be written over %s, a file this run writes.\n"
                          % (link, target), out)
            self.assertNotIn("already open", out)
            self.assertEqual(e2e.read_text(self.path(target)) if make is os.link else None, "kept" if make is os.link else None)
            self.assertFalse(make is os.symlink and os.path.exists(self.path(target)), target)
            os.remove(self.path(link))
            if make is os.link:
                os.remove(self.path(target))
            self.check_layers()

    @unittest.skipIf(os.name == "nt", "file-size limits (setrlimit) and SIGXFSZ exist on POSIX hosts only")
    def test_a_file_size_limit_reached_in_a_long_cut_line_leaves_every_layer_readable(self):
        import resource
        import signal

        def limited():
            # The signal a write past the limit raises is ignored, so that the write fails instead.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (65536, resource.RLIM_INFINITY))

        def sec(station, cut_points):
            cut = "  CUT LINE:\n" + "".join("   %d, %d\n" % (i, i % 7) for i in range(cut_points))
            return section("S", "R", str(station), cut + along_x([(0, 5), (4, 2), (9, 6)]))

        # The limit falls inside the tenth section's cut line of 6,000 points.
        e2e.write(self.dir, "t.sdf", sdf_with([sec(s, 6000 if s == 10 else 2) for s in range(1, 31)]))
        e2e.write(self.dir, "Header.mif", "CoordSys Earth Projection 1, 0\n")
        for args, failed in (([], "t_cut_line_L.shp"), (["-mif"], "t_cut_line.mif")):
            rc, out = e2e.run(BINARY, self.dir, args + ["t.sdf"], preexec_fn=limited)
            self.assertEqual(rc, 1, out[-3000:])
            self.assertIn("\nERROR 0439 - Writing .%s file object coordinates.\n               Could not write file "
                          "%s.\n" % (failed[-3:], failed), out)
            self.assertTrue(out.endswith("\nPress Enter to Close\n"), out[-500:])
        # Every layer holds what all its files hold whole: the nine cut lines before the long one, and
        # whole sections in the others.
        shapes = self.check_layers()
        self.assertEqual(shapes["t_cut_line_L"], 9)
        self.assertEqual(shapes["t_surf_pts_P"], 3 * shapes["1d_xs_t_surf_line_L"])
        for name in sorted(n for n in os.listdir(self.dir) if n.endswith(".mif") and n != "Header.mif"):
            self.gdal_ok(name)
        self.assertEqual(len(self.gdal_records("t_cut_line.mif")), 9)
        # A limit inside the headers: a set whose headers are not all whole is left with every file
        # empty, each named; never a header cut short.
        inputs = ("t.sdf", "Header.mif")
        for limit in (1, 99, 150, 600, 1500):
            for args in ([], ["-mif"]):
                for n in os.listdir(self.dir):
                    if n not in inputs:
                        os.remove(self.path(n))
                def small():
                    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                    resource.setrlimit(resource.RLIMIT_FSIZE, (limit, resource.RLIM_INFINITY))
                rc, out = e2e.run(BINARY, self.dir, args + ["t.sdf"], preexec_fn=small)
                self.assertEqual(rc, 1, out[-3000:])
                sets = {}
                for n in os.listdir(self.dir):
                    if n not in inputs and not n.endswith((".csv", ".prj")):
                        sets.setdefault(n[:-4], []).append(n)
                for base, files in sorted(sets.items()):
                    sizes = [os.path.getsize(self.path(n)) for n in files]
                    if args:  # a .mid of no rows is empty
                        if os.path.getsize(self.path(base + ".mif")):
                            self.gdal_ok(base + ".mif", True)
                            continue
                    elif any(sizes):
                        self.check_layers(prefix=base)
                    for n, size in zip(files, sizes):
                        if not size:
                            self.assertIn("File %s is left empty: its layer's headers could not all be written "
                                          "whole.\n" % n, out, (limit, args))

    def test_station_that_is_no_number_stops_the_run(self):
        self.assert_stops(sdf_with([section("S", "R", "abc", along_x([(0, 1), (1, 1)]))]),
                          "\nERROR - converting station to numeric field\n")


if __name__ == "__main__":
    BINARY = os.path.abspath(sys.argv.pop(1))
    SOURCE_DIR = os.path.abspath(sys.argv.pop(1))
    unittest.main()
