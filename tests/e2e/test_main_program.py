"""End-to-end tests of the converter's main program: command line, usage text, projection files,
input prompt and the single exit. Each test runs the built program in a fresh temporary folder with
arguments and console input, and compares the console transcript and the exit status.

Run as: python3 test_main_program.py PLENVOR_BINARY SOURCE_DIR
"""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sdf_e2e_support as e2e  # noqa: E402

BINARY = None
SOURCE_DIR = None

BUILD = "\nBuild 2023-01-AA\n\n"
USAGE = (
    "\n"
    " plenvor description\n"
    "\n"
    " Converts HECRAS SDF (export format) to GIS format\n"
    " Outlines Centreline, cross-section locations and cross section in .csv format\n"
    " Options:\n"
    "\n"
    " GIS FORMAT:\n"
    "    -shp for shapefile format\n"
    "    -mif for MapInfo format\n"
    "    Note: Only one can be specified.\n"
    "\n"
    " LEVEE MARKERS:\n"
    "    -notrim, do not trim cross-sections to levee markers.\n"
    " EXAMPLES:\n"
    "    plenvor.exe -shp hecras.sdf\n"
)
PROMPT = " Please enter the .sdf file (blank to exit)-> "
CLOSE = "\nPress Enter to Close\n"
FINISHED = "\nFinished.\n" + CLOSE

# A tiny SDF file: a header and an empty stream network, no cross-sections.
TINY_SDF = "# HEC-RAS export for a test\n BEGIN HEADER:\n END HEADER:\n BEGIN STREAM NETWORK:\n END STREAM NETWORK:\n"

COORDSYS = 'CoordSys Earth Projection 8, 33, "m", 147, 0, 0.9996, 500000, 10000000'
PRJ_LINES = [
    'PROJCS["GDA94_MGA_zone_55",',
    '    GEOGCS["GCS_GDA_1994",DATUM["D_GDA_1994",SPHEROID["GRS_1980",6378137.0,298.257222101]],',
    '    PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]],',
    '    PROJECTION["Transverse_Mercator"],PARAMETER["False_Easting",500000.0],',
    '    PARAMETER["False_Northing",10000000.0],PARAMETER["Central_Meridian",147.0],',
    '    PARAMETER["Scale_Factor",0.9996],PARAMETER["Latitude_Of_Origin",0.0],UNIT["Meter",1.0]]',
]
PRJ_JOINED = "".join(line.strip() for line in PRJ_LINES)


def found(count):
    return "\nFound%3d arguments\n" % count


def opened(name, unit):
    return "\nTrying to open file %s...OK.\nOpened File Unit:%4d\n" % (name, unit)


def unrecognised(argument):
    return "\nERROR - Unrecognised option %s.\n" % argument


class Run:
    def __init__(self, status, out, err):
        self.status = status
        self.out = out
        self.err = err


class MainProgramTest(e2e.FolderTest):
    def write(self, name, text, mode="w"):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, mode + ("b" if isinstance(text, bytes) else "")) as f:
            f.write(text)
        return path

    def run_plenvor(self, args, stdin=b"\n"):
        if isinstance(stdin, str):
            stdin = stdin.encode()
        proc = subprocess.run([BINARY] + list(args), input=stdin, cwd=self.dir,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        run = Run(proc.returncode, proc.stdout.decode("latin-1"), proc.stderr.decode("latin-1"))
        self.assertEqual(run.err, "", "nothing goes to the error stream")
        return run

    def convert_beside(self, args, files):
        """plenvor run with args beside the files (name: text), the tiny export at the first
        argument that names an .sdf file."""
        self.write(next(a for a in args if a.endswith(".sdf")).replace("\\", "/"), TINY_SDF)
        for name, text in files.items():
            self.write(name, text)
        return self.run_plenvor(args)

    def assertWhole(self, run, transcript, status):
        self.assertEqual(run.out, transcript)
        self.assertEqual(run.status, status)

    # The run on a found input file ends with the two reading passes and "Finished.": the
    # transcript is compared up to the open of the input file, and at its end.
    def assertOpenedAndFinished(self, run, prefix):
        self.assertEqual(run.out[:len(prefix)], prefix, "the transcript up to the input open")
        self.assertTrue(run.out.endswith(FINISHED), "the run ends after Finished.:\n" + run.out)
        self.assertEqual(run.status, 0)


class NoArgumentsAndPrompt(MainProgramTest):
    def assertTypedNameOpens(self, typed, name, files=("river.sdf",), stdin_end="\n\n"):
        """With files in the folder, the typed answers (one a line) end in the open of name."""
        for file in files:
            self.write(file, TINY_SDF)
        run = self.run_plenvor([], stdin=typed + stdin_end)
        self.assertOpenedAndFinished(run, BUILD + found(1) + USAGE + PROMPT + opened(name, 1001))

    def test_no_arguments_show_usage_and_a_blank_answer_ends_the_run(self):
        run = self.run_plenvor([], stdin="\n\n")
        self.assertWhole(run, BUILD + found(1) + USAGE + PROMPT + CLOSE, 0)

    def test_end_of_console_input_at_the_prompt_is_a_failure(self):
        ended = "\n\nERROR - Console input ended before an existing .sdf file was named.\n"
        run = self.run_plenvor([], stdin="")
        self.assertWhole(run, BUILD + found(1) + USAGE + PROMPT + ended + CLOSE, 1)
        self.write("Header.prj", 'GEOGCS["x"]\n')
        run = self.run_plenvor(["-shp", "missing.sdf"], stdin="")
        self.assertEqual(run.status, 1, run.out)
        self.assertTrue(run.out.endswith(PROMPT + ended + CLOSE), run.out)
        run = self.run_plenvor([], stdin="nothere\n")
        self.assertWhole(run, BUILD + found(1) + USAGE + PROMPT + " WARNING - Can''t find file nothere.sdf, try again\n"
                         + PROMPT + ended + CLOSE, 1)

    def test_an_answer_of_blanks_and_tabs_is_blank(self):
        run = self.run_plenvor([], stdin=" \t  \r\n\n")
        self.assertWhole(run, BUILD + found(1) + USAGE + PROMPT + CLOSE, 0)

    def test_typed_name_gets_the_sdf_extension(self):
        self.assertTypedNameOpens("river", "river.sdf")

    def test_typed_name_with_sdf_extension_in_capitals_is_unchanged(self):
        self.assertTypedNameOpens("river.SDF", "river.SDF", files=("river.SDF",))

    def test_typed_name_with_another_extension_gets_sdf_added(self):
        self.assertTypedNameOpens("river.txt", "river.txt.sdf", files=("river.txt", "river.txt.sdf"))

    def test_typed_name_loses_tabs_leading_blanks_and_a_carriage_return(self):
        self.assertTypedNameOpens("  ri\tver\r", "river.sdf")

    def test_a_typed_file_that_does_not_exist_repeats_the_prompt(self):
        self.write("river.sdf", TINY_SDF)
        run = self.run_plenvor([], stdin="nothere\nriver.txt\nriver\n\n")
        self.assertOpenedAndFinished(
            run, BUILD + found(1) + USAGE
            + PROMPT + " WARNING - Can''t find file nothere.sdf, try again\n"
            + PROMPT + " WARNING - Can''t find file river.txt.sdf, try again\n"
            + PROMPT + opened("river.sdf", 1001))

    def test_missing_files_then_a_blank_answer_end_the_run(self):
        run = self.run_plenvor([], stdin="nothere\n\n\n")
        self.assertWhole(run, BUILD + found(1) + USAGE + PROMPT
                         + " WARNING - Can''t find file nothere.sdf, try again\n" + PROMPT + CLOSE, 0)

    def test_a_folder_named_like_the_input_is_no_file(self):
        os.mkdir(os.path.join(self.dir, "river.sdf"))
        folder = " WARNING - river.sdf is a folder, not a file.\n"
        run = self.run_plenvor([], stdin="river\n\n")
        self.assertWhole(run, BUILD + found(1) + USAGE + PROMPT + folder + PROMPT + CLOSE, 0)
        run = self.run_plenvor(["river.sdf"], stdin="\n")
        self.assertWhole(run, BUILD + found(2) + folder + PROMPT + CLOSE, 0)

    def test_a_missing_command_line_file_is_named_before_the_prompt_without_usage(self):
        run = self.run_plenvor(["nothere.sdf"], stdin="\n\n")
        missing = " WARNING - Can''t find file nothere.sdf, try again\n"
        self.assertWhole(run, BUILD + found(2) + missing + PROMPT + CLOSE, 0)


class CommandLine(MainProgramTest):
    def test_shp_and_mif_together_stop_before_anything_is_read(self):
        self.write("x.sdf", TINY_SDF)
        self.write("Header.mif", COORDSYS + "\n")
        self.write("Header.prj", PRJ_LINES[0] + "\n")
        run = self.run_plenvor(["-shp", "-mif", "x.sdf"])
        self.assertWhole(run, BUILD + found(4)
                         + "\nERROR - Both mif and shp outputs specified, please use only one.\n" + CLOSE, 1)

    def test_an_unrecognised_option_stops_before_any_file_is_looked_at(self):
        self.write("x.sdf", TINY_SDF)
        run = self.run_plenvor(["x.sdf", "-xyz", "-shp"])
        self.assertWhole(run, BUILD + found(4) + unrecognised("-xyz") + CLOSE, 1)

    def test_a_short_option_is_not_notrim(self):
        run = self.run_plenvor(["-no"])
        self.assertWhole(run, BUILD + found(2) + unrecognised("-no") + CLOSE, 1)

    def test_a_lone_option_lead_is_unrecognised(self):
        run = self.run_plenvor(["/"])
        self.assertWhole(run, BUILD + found(2) + unrecognised("/") + CLOSE, 1)

    def test_options_ignore_case_and_take_a_fixed_slice(self):
        self.write("x.sdf", TINY_SDF)
        self.write("Header.mif", COORDSYS + "\n")
        run = self.run_plenvor(["-MIF", "/NoTrimming", "x.sdf"])
        self.assertOpenedAndFinished(
            run, BUILD + found(4) + opened("Header.mif", 1001)
            + "\nUsing Header.mif for setting projection.\n\nmif Projection: " + COORDSYS + "\n"
            + opened("x.sdf", 1002))

    def test_shpx_counts_as_shp(self):
        self.write("x.sdf", TINY_SDF)
        self.write("Header.prj", PRJ_LINES[0] + "\n")
        run = self.run_plenvor(["-shpx", "x.sdf"])
        self.assertTrue(run.out.startswith(
            BUILD + found(3) + "GIS Projection being extracted from Header.prj\n"), run.out)
        self.assertEqual(run.status, 0)

    def test_an_en_dash_lead_from_a_windows_console(self):
        self.write("x.sdf", TINY_SDF)
        self.write("Header.prj", PRJ_LINES[0] + "\n")
        run = self.run_plenvor([b"\x96shp", "x.sdf"])
        self.assertTrue(run.out.startswith(
            BUILD + found(3) + "GIS Projection being extracted from Header.prj\n"), run.out)
        self.assertEqual(run.status, 0)

    def test_an_en_dash_lead_in_utf8(self):
        self.write("x.sdf", TINY_SDF)
        self.write("Header.mif", COORDSYS + "\n")
        run = self.run_plenvor(["\u2013mif", "\u2013notrim", "x.sdf"])
        self.assertTrue(run.out.startswith(
            BUILD + found(4) + opened("Header.mif", 1001) + "\nUsing Header.mif"), run.out)
        self.assertEqual(run.status, 0)

    def test_an_unrecognised_en_dash_option_is_named_as_given(self):
        run = self.run_plenvor(["\u2013x"])
        self.assertWhole(run, BUILD + found(2) + unrecognised("\u2013x".encode().decode("latin-1"))
                         + CLOSE, 1)

    def test_the_last_of_two_file_arguments_is_converted(self):
        self.write("a.sdf", TINY_SDF)
        self.write("b.sdf", TINY_SDF)
        run = self.run_plenvor(["a.sdf", "b.sdf"])
        self.assertOpenedAndFinished(run, BUILD + found(3) + opened("b.sdf", 1001))
        self.assertNotIn("a.sdf", run.out)

    def test_a_command_line_name_is_used_without_an_added_extension(self):
        self.write("river", TINY_SDF)
        self.write("river.sdf", TINY_SDF)
        run = self.run_plenvor(["river"])
        self.assertOpenedAndFinished(run, BUILD + found(2) + opened("river", 1001))

    def test_an_absolute_path_is_a_file_name_not_an_option(self):
        path = self.write("data/river.sdf", TINY_SDF)
        self.assertTrue(path.startswith("/"))
        run = self.run_plenvor([path])
        self.assertOpenedAndFinished(run, BUILD + found(2) + opened(path, 1001))


# One cross-section of five surface points with levee markers at 0.3 and 0.7 of its length.
LEVEED_SDF = """# HEC-RAS export for a test
BEGIN HEADER:
END HEADER:
BEGIN STREAM NETWORK:
END STREAM NETWORK:
BEGIN CROSS-SECTIONS:
   CROSS-SECTION:
      STREAM ID:Creek
      REACH ID:Upper
      STATION:100
      CUT LINE:
         0.0, 0.0
         40.0, 0.0
      LEVEE POSITIONS:
         L1, 0.3, 12.0
         L2, 0.7, 12.5
      SURFACE LINE:
         0.0, 0.0, 14.0
         10.0, 0.0, 12.0
         20.0, 0.0, 10.0
         30.0, 0.0, 12.0
         40.0, 0.0, 14.0
   END:
END CROSS-SECTIONS:
"""


class LeveeTrimming(MainProgramTest):
    def profile_points(self, args):
        self.write("r.sdf", LEVEED_SDF)
        run = self.run_plenvor(args + ["r.sdf"])
        self.assertOpenedAndFinished(run, BUILD + found(len(args) + 2) + opened("r.sdf", 1001))
        with open(os.path.join(self.dir, "Creek_Upper_100.csv")) as f:
            return len(f.read().splitlines()) - 1

    def test_sections_are_trimmed_to_their_levees_by_default(self):
        self.assertLess(self.profile_points([]), 5)

    def test_notrim_keeps_every_point(self):
        self.assertEqual(self.profile_points(["-notrim"]), 5)

    def test_notrim_with_another_lead_and_case(self):
        self.assertEqual(self.profile_points(["\u2013NoTrim"]), 5)


def using_mif(name):
    """The lines of a .mif projection file found and opened."""
    return opened(name, 1001) + "\nUsing %s for setting projection.\n" % name


def no_projection_file(ext, folder):
    """The error of a missing projection file, with the whole name of the folder looked in."""
    return ("\nERROR - A Header.%s or Projection.%s file does not exist in folder.\nFolder looked in: %s/\n"
            % (ext, ext, os.path.realpath(folder)))


def extracting_prj(name):
    """The lines of a .prj projection file found and opened."""
    return "GIS Projection being extracted from %s\n" % name + opened(name, 1001)


class MifProjection(MainProgramTest):
    HEADER = ('Version 300\nCharset "WindowsLatin1"\nDelimiter ","\n'
              + COORDSYS.replace("CoordSys", "cOORDsYS") + "  \nColumns 1\n  ID Integer\nData\n")

    def test_header_mif_is_chosen_over_projection_mif_in_the_input_folder(self):
        run = self.convert_beside(["-mif", "data/x.sdf"], {
            "data/Header.mif": self.HEADER,
            "data/Projection.mif": COORDSYS.replace("147", "153") + "\n",
            "Header.mif": "CoordSys NonEarth Units \"m\"\n"})
        coordsys = COORDSYS.replace("CoordSys", "cOORDsYS")
        self.assertOpenedAndFinished(run, BUILD + found(3) + using_mif("data/Header.mif")
                                     + "\nmif Projection: " + coordsys + "\n" + opened("data/x.sdf", 1002))
        with open(os.path.join(self.dir, "data", "x.sdf_streams.mif"), encoding="latin-1") as f:
            self.assertIn(coordsys, f.read().splitlines(), "the output header has the CoordSys line")

    def test_a_name_with_backslashes_finds_its_folder(self):
        run = self.convert_beside(["-mif", "data\\x.sdf"], {"data/Header.mif": self.HEADER})
        coordsys = COORDSYS.replace("CoordSys", "cOORDsYS")
        self.assertOpenedAndFinished(run, BUILD + found(3) + using_mif("data\\Header.mif")
                                     + "\nmif Projection: " + coordsys + "\n" + opened("data\\x.sdf", 1002))

    def test_projection_mif_is_used_when_there_is_no_header_mif(self):
        run = self.convert_beside(["data/x.sdf", "-mif"], {"data/Projection.mif": "\r\n" + COORDSYS + "\r\n"})
        self.assertOpenedAndFinished(run, BUILD + found(3) + using_mif("data/Projection.mif")
                                     + "\nmif Projection: " + COORDSYS + "\n" + opened("data/x.sdf", 1002))

    def test_no_mif_projection_file(self):
        # Header.mif beside the program's folder, not the input's.
        run = self.convert_beside(["-mif", "data/x.sdf"], {"Header.mif": COORDSYS + "\n"})
        self.assertWhole(run, BUILD + found(3) + no_projection_file("mif", os.path.join(self.dir, "data")) + CLOSE, 1)

    def test_a_header_must_hold_a_coordsys_line_as_the_example_header_does(self):
        # gdalsrsinfo -o mapinfo prints the clause without the word: that is no CoordSys line either.
        for header in ("Version 300\nColumns 1\n  ID Integer\nData\n", "",
                       "'Earth Projection 8, 74, \"m\", -159, 0, 0.9996, 500000, 0'\n"):
            run = self.convert_beside(["-mif", "x.sdf"], {"Header.mif": header})
            self.assertWhole(run, BUILD + found(3) + using_mif("Header.mif")
                             + "\nERROR - Unable to find CoordSys line in Header.mif\n" + CLOSE, 1)
        # The example's Header.mif gives the layers the projection of the example's .prj.
        from osgeo import ogr, osr
        examples = os.path.join(SOURCE_DIR, "examples")
        with open(os.path.join(examples, "Header.mif"), encoding="latin-1") as f:
            run = self.convert_beside(["-mif", "x.sdf"], {"Header.mif": f.read()})
        self.assertEqual(run.status, 0, run.out)
        source = ogr.Open(os.path.join(self.dir, "x.sdf_streams.mif"))  # the layer lives as long as its source
        shipped = osr.SpatialReference()
        shipped.SetFromUserInput(os.path.join(examples, "Projection.prj"))
        self.assertTrue(source.GetLayer(0).GetSpatialRef().IsSame(shipped))

    def test_without_a_file_argument_the_projection_is_looked_for_before_the_prompt(self):
        self.write("Header.mif", COORDSYS + "\n")
        run = self.run_plenvor(["-mif"], stdin="\n\n")
        self.assertWhole(run, BUILD + found(2) + using_mif("Header.mif")
                         + "\nmif Projection: " + COORDSYS + "\n" + PROMPT + CLOSE, 0)


class PrjProjection(MainProgramTest):
    def prj_of_output(self, folder=""):
        """The .prj written beside the streams layer's line sub-layer."""
        path = os.path.join(self.dir, folder, "x.sdf_streams_L.prj")
        self.assertTrue(os.path.exists(path), "the streams layer has its .prj")
        with open(path, "rb") as f:
            return f.read().decode("latin-1")

    def test_a_single_line_prj(self):
        run = self.convert_beside(["-shp", "x.sdf"], {"Header.prj": PRJ_JOINED + "\r\n"})
        self.assertOpenedAndFinished(run, BUILD + found(3) + extracting_prj("Header.prj")
                                     + "\nshp Projection: " + PRJ_JOINED + "\n" + opened("x.sdf", 1002))
        self.assertEqual(self.prj_of_output().rstrip("\r\n"), PRJ_JOINED)

    def test_a_prj_of_several_lines_is_joined_and_shows_its_first_line(self):
        run = self.convert_beside(["-shp", "data/x.sdf"], {"data/Projection.prj": "\n".join(PRJ_LINES) + "\n\n"})
        self.assertOpenedAndFinished(run, BUILD + found(3) + extracting_prj("data/Projection.prj")
                                     + "\nshp Projection: " + PRJ_LINES[0] + "\n" + opened("data/x.sdf", 1002))
        self.assertEqual(self.prj_of_output("data").rstrip("\r\n"), PRJ_JOINED)

    def test_a_prj_longer_than_a_line_buffer_is_given_whole_to_the_layers(self):
        long_name = "GDA94_" + "x" * 1200
        prj = 'PROJCS["%s",GEOGCS["GCS_GDA_1994"]]' % long_name
        run = self.convert_beside(["-shp", "x.sdf"], {"Header.prj": prj + "\n"})
        self.assertOpenedAndFinished(run, BUILD + found(3) + extracting_prj("Header.prj")
                                     + "\nshp Projection: " + prj + "\n")
        self.assertEqual(self.prj_of_output().rstrip("\r\n"), prj)

    def test_header_prj_is_chosen_over_projection_prj(self):
        run = self.convert_beside(["-shp", "x.sdf"],
                                  {"Header.prj": PRJ_JOINED + "\n", "Projection.prj": "GEOGCS[\"other\"]\n"})
        self.assertTrue(run.out.startswith(BUILD + found(3) + extracting_prj("Header.prj")), run.out)

    def test_no_prj_file(self):
        run = self.convert_beside(["-shp", "x.sdf"], {"Header.mif": COORDSYS + "\n"})
        self.assertWhole(run, BUILD + found(3) + no_projection_file("prj", self.dir) + CLOSE, 1)

    def test_an_empty_prj_file_or_one_of_blank_lines_holds_no_projection(self):
        for name, text in (("Header.prj", ""), ("Projection.prj", "\n   \r\n\n")):
            run = self.convert_beside(["-shp", "x.sdf"], {name: text})
            self.assertWhole(run, BUILD + found(3) + extracting_prj(name)
                             + "\nERROR - Projection line could not be found in \"GIS Projection\" .prj file."
                             + name + "\n" + CLOSE, 1)
            os.remove(os.path.join(self.dir, name))

    def test_without_an_option_no_projection_file_is_read(self):
        run = self.convert_beside(["x.sdf"], {"Header.prj": PRJ_JOINED + "\n", "Header.mif": COORDSYS + "\n"})
        self.assertOpenedAndFinished(run, BUILD + found(2) + opened("x.sdf", 1001))
        self.assertNotIn("Header", run.out)

    def test_an_input_named_like_the_open_projection_file_is_opened_afresh(self):
        self.write("Header.prj", PRJ_JOINED + "\n")
        run = self.run_plenvor(["-shp", "Header.prj"])
        prefix = (BUILD + found(3) + extracting_prj("Header.prj") + "\nshp Projection: " + PRJ_JOINED + "\n"
                  + "...Closed File Unit:1001\n" + opened("Header.prj", 1001))
        self.assertEqual(run.out[:len(prefix)], prefix)
        # Read from its first line, the projection is no SDF export.
        self.assertIn("\nERROR - Header.prj is not an SDF export: it holds no BEGIN STREAM NETWORK: line and no"
                      " BEGIN CROSS-SECTIONS: line.\n", run.out)
        self.assertTrue(run.out.endswith(CLOSE), run.out)
        self.assertEqual(run.status, 1)


if __name__ == "__main__":
    BINARY = os.path.abspath(sys.argv.pop(1))
    SOURCE_DIR = os.path.abspath(sys.argv.pop(1))
    unittest.main()
