#include "converter/main_program.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "converter/read_failure.hpp"
#include "converter/run_options.hpp"
#include "converter/sdf_reading.hpp"
#include "gis/gis_state.hpp"
#include "platform/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/paths.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

// What one run of the main program holds from the command line to the end.
struct MainRun {
  SdfRunOptions options;
  std::string inputName;       // blank until an argument or the console names the file
  std::string projectionPath;  // the projection file in use
  std::string line = fixed::blanks(kTextLength);
  std::int64_t lineNo = 0;
  int projectionUnit = 0;
  int sdfUnit = 0;
};

// ---------------------------------------------------------------------------------------------
// Start and command line

void printBuildAndArgumentCount(int argumentCount) {
  console::line();
  console::line("Build 2023-01-AA");
  console::line();
  char count[16];
  std::snprintf(count, sizeof count, "%3d", argumentCount);
  console::line();
  console::line(std::string("Found") + count + " arguments");
}

// Number of bytes of the option lead that argument begins with; 0 when it is no option. An en
// dash arrives as the byte 0x96 from a Windows console and as three UTF-8 bytes elsewhere. An
// argument that begins with "/" and holds a further folder separator is an absolute path, not an
// option: options never hold one.
std::size_t optionLeadLength(const std::string& argument) {
  if (argument.empty()) return 0;
  const unsigned char first = static_cast<unsigned char>(argument[0]);
  if (first == '-' || first == 0x96) return 1;
  if (first == '/') return argument.find_first_of("/\\", 1) == std::string::npos ? 1 : 0;
  if (argument.compare(0, 3, "\xE2\x80\x93") == 0) return 3;
  return 0;
}

[[noreturn]] void stopOnUnrecognisedOption(const std::string& argument) {
  console::line();
  console::line("ERROR - Unrecognised option " + fixed::trimmed(argument) + ".");
  EXITS();
}

// Options are compared on a fixed slice behind their lead, so "-shpfile" is "-shp".
void applyOption(const std::string& argument, std::size_t lead, SdfRunOptions& options) {
  if (ASAME(fixed::slice(argument, lead + 1, lead + 3), "shp")) {
    options.shpOutput = true;
  } else if (ASAME(fixed::slice(argument, lead + 1, lead + 3), "mif")) {
    options.mifOutput = true;
  } else if (ASAME(fixed::slice(argument, lead + 1, lead + 6), "notrim")) {
    options.trimToLevees = false;
  } else {
    stopOnUnrecognisedOption(argument);
  }
}

void readCommandLine(const std::vector<std::string>& args, MainRun& run) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& argument = args[i];
    const std::size_t lead = optionLeadLength(argument);
    if (lead > 0) {
      applyOption(argument, lead, run.options);
    } else {
      // The last file argument counts; a name from the command line gets no extension.
      run.inputName = fixed::trimmed(argument);
    }
  }
}

void printUsage() {
  static const char* const kUsage[] = {
      "",
      "plenvor description",
      "",
      "Converts HECRAS SDF (export format) to GIS format",
      "Outlines Centreline, cross-section locations and cross section in .csv format",
      "Options:",
      "",
      "GIS FORMAT:",
      "   -shp for shapefile format",
      "   -mif for MapInfo format",
      "   Note: Only one can be specified.",
      "",
      "LEVEE MARKERS:",
      "   -notrim, do not trim cross-sections to levee markers.",
      "EXAMPLES:",
      "   plenvor.exe -shp hecras.sdf",
  };
  for (const char* text : kUsage) console::record(text);
}

void checkOutputFormats(const SdfRunOptions& options) {
  if (options.mifOutput && options.shpOutput) {
    console::line();
    console::line("ERROR - Both mif and shp outputs specified, please use only one.");
    EXITS();
  }
}

// ---------------------------------------------------------------------------------------------
// Projection

// The folder of the input name, where the projection files are looked for; blank for the
// current folder.
std::string inputFolder(const std::string& inputName) { return fixed::trimmed(FILEFOLDERPATH(inputName)); }

// The first of the two projection files that exists in the input name's folder; "" when neither.
std::string findProjectionFile(const std::string& inputName, const std::string& headerFile,
                               const std::string& projectionFile) {
  const std::string folder = inputFolder(inputName);
  for (const std::string& file : {headerFile, projectionFile}) {
    const std::string candidate = fixed::trimmed(ADDFOLDER(folder, file));
    if (fuFileExists(candidate)) return candidate;
  }
  return "";
}

// The header or projection file beside the input; without either the run stops.
void locateProjectionFile(MainRun& run, const std::string& headerFile, const std::string& projectionFile) {
  run.projectionPath = findProjectionFile(run.inputName, headerFile, projectionFile);
  if (!run.projectionPath.empty()) return;
  console::line();
  console::line("ERROR - A " + headerFile + " or " + projectionFile + " file does not exist in folder.");
  // The whole path, so that the user sees where the files were looked for even when the input
  // name holds no folder.
  const std::string folder = inputFolder(run.inputName);
  console::line("Folder looked in: " + fixed::trimmed(fuFullName(folder.empty() ? "./" : folder)));
  EXITS();
}

void openProjectionFile(MainRun& run) {
  OPENERBYNAME(run.projectionUnit, "I ", run.projectionPath,
               static_cast<int>(run.projectionPath.size()));
}

// The next line of the projection file; a failed read stops the run.
std::string readProjectionLine(const MainRun& run) {
  std::string line;
  const ReadStatus status = fuReadLine(run.projectionUnit, line);
  if (status != ReadStatus::Ok) stopOnDataReadFailure(status == ReadStatus::End, line);
  return line;
}

// The header's first line that holds "CoordSys" goes into every output .mif header.
void readMifProjection(MainRun& run) {
  locateProjectionFile(run, "Header.mif", "Projection.mif");
  openProjectionFile(run);
  console::line();
  console::line("Using " + run.projectionPath + " for setting projection.");
  fuRewind(run.projectionUnit);
  while (!fuAtEnd(run.projectionUnit)) {
    const std::string line = readProjectionLine(run);
    if (FLAGEXISTS(line, "CoordSys")) {
      const std::string coordSys = fixed::trimmed(line);
      // Never shorter than its declared length; a longer line is kept whole.
      gGis.gisOutputCoordSys = fixed::fit(coordSys, std::max(kTextLength, coordSys.size()));
      run.line = fixed::fit(coordSys, kTextLength);
      console::line();
      console::line("mif Projection: " + coordSys);
      return;
    }
  }
  console::line();
  console::line("ERROR - Unable to find CoordSys line in " + run.projectionPath);
  EXITS();
}

[[noreturn]] void stopOnEmptyPrj(const std::string& projectionPath) {
  console::line();
  console::line("ERROR - Projection line could not be found in \"GIS Projection\" .prj file." +
                projectionPath);
  EXITS();
}

// Appends one more line of a .prj to the projection text: a WKT that runs over several lines
// becomes one line; the indentation of the continuation lines and all trailing blanks go.
void appendPrjLine(const std::string& line, bool continuation, std::string& projection) {
  std::string text = fixed::trimmed(line);
  if (continuation) {
    const std::size_t start = text.find_first_not_of(" \t");
    text = start == std::string::npos ? std::string() : text.substr(start);
  }
  projection += text;
}

// The whole .prj, joined into one line, becomes the .prj text of every output shapefile.
void readPrjProjection(MainRun& run) {
  locateProjectionFile(run, "Header.prj", "Projection.prj");
  console::line("GIS Projection being extracted from " + run.projectionPath);
  openProjectionFile(run);
  if (fuAtEnd(run.projectionUnit)) stopOnEmptyPrj(run.projectionPath);

  std::string firstLine;
  std::string projection;
  bool first = true;
  while (!fuAtEnd(run.projectionUnit)) {
    const std::string line = readProjectionLine(run);
    if (first) firstLine = fixed::trimmed(line);
    appendPrjLine(line, !first, projection);
    first = false;
  }
  // A file of blank lines holds no projection either.
  if (fixed::isBlank(projection)) stopOnEmptyPrj(run.projectionPath);

  run.line = fixed::fit(firstLine, kTextLength);
  console::line();
  console::line("shp Projection: " + firstLine);
  gGis.gisOutputPrj = fixed::fit(projection, std::max(kTextLength, projection.size()));
}

// With neither option no projection file is read: the layers are shapefiles with a blank .prj.
void readProjection(MainRun& run) {
  if (run.options.mifOutput) {
    readMifProjection(run);
  } else if (run.options.shpOutput) {
    readPrjProjection(run);
  }
}

// ---------------------------------------------------------------------------------------------
// Input file

// The input file is read from its first line: a unit that holds it already (the projection file
// named as the input, say) is closed first, or the two would share one position.
void closeUnitsHolding(const std::string& name) {
  for (int unit = fuUnitOfFile(name); unit != 0;) {
    int closing = unit;
    CLOSER(closing);
    const int next = fuUnitOfFile(name);
    if (next == unit) break;  // a unit the table does not hold cannot be closed here
    unit = next;
  }
}

// A folder is no input file: the user is told so, rather than that nothing of the name exists.
void warnFolderNamedAsInput(const std::string& name) {
  console::record("WARNING - " + name + " is a folder, not a file.");
}

void warnFileNotFound(const std::string& name) {
  console::record("WARNING - Can''t find file " + name + ", try again");
}

// Asks on the console until an existing file is named. A blank answer is the user's choice to
// stop; the end of console input leaves the run without a file to convert, which a script that
// started it must see as a failure.
void askForInputFile(MainRun& run) {
  for (;;) {
    console::write(" Please enter the .sdf file (blank to exit)-> ");
    std::string answer;
    if (!console::readLine(answer)) {
      console::line();  // ends the prompt's line
      console::line();
      console::line("ERROR - Console input ended before an existing .sdf file was named.");
      EXITS(1);
    }
    BLANK(answer);
    if (fixed::isBlank(answer)) EXITS(0);
    run.inputName = fixed::trimmed(TRIMF(answer));
    if (fixed::trimmed(FILEEXT(run.inputName)) != ".sdf") run.inputName += ".sdf";
    if (fuFileExists(run.inputName)) return;
    if (fuFolderExists(run.inputName))
      warnFolderNamedAsInput(run.inputName);
    else
      warnFileNotFound(run.inputName);
  }
}

// A name from the command line that names nothing is reported as a typed one is, before the prompt.
void findInputFile(MainRun& run) {
  if (!fuFileExists(run.inputName)) {
    if (fuFolderExists(run.inputName))
      warnFolderNamedAsInput(run.inputName);
    else if (!fixed::isBlank(run.inputName))
      warnFileNotFound(run.inputName);
    askForInputFile(run);
  }
  closeUnitsHolding(run.inputName);
}

void openInputFile(MainRun& run) {
  OPENERBYNAME(run.sdfUnit, "I ", run.inputName, static_cast<int>(run.inputName.size()));
}

// ---------------------------------------------------------------------------------------------
// Reading and end

void readSdfFile(MainRun& run) {
  SdfFileParts parts;
  sdfStreamsPass(run.sdfUnit, run.inputName, run.line, run.lineNo, run.options, parts);
  sdfCrossSectionPass(run.sdfUnit, run.inputName, run.line, run.lineNo, run.options, parts);
}

[[noreturn]] void finishRun() {
  console::line();
  console::line("Finished.");
  EXITS(0);
}

}  // namespace

void plenvorMain(const std::vector<std::string>& args) {
  FILEUNITSINITIALISE(1000);
  printBuildAndArgumentCount(static_cast<int>(args.size()));

  MainRun run;
  readCommandLine(args, run);
  if (args.size() < 2) printUsage();
  checkOutputFormats(run.options);

  readProjection(run);

  findInputFile(run);
  openInputFile(run);

  readSdfFile(run);
  finishRun();
}
