#include "converter/sdf_reading.hpp"

#include <array>
#include <cstdint>

#include "converter/read_failure.hpp"
#include "converter/sdf_blocks.hpp"
#include "converter/sdf_cross_section.hpp"
#include "converter/sdf_layers.hpp"
#include "converter/sdf_sections.hpp"
#include "gis/gis_layers.hpp"
#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

SdfCrossSection gSdfSection;
namespace {
const bool kEnrolled = processstate::enrol("gSdfSection", [] { gSdfSection.reset(); });

// Progress and error lines of the passes stand after one empty line.
void report(const std::string& text) {
  console::line();
  console::line(text);
}

std::string onLine(const std::string& text, std::int64_t lineNo) { return text + AINTEGER8(lineNo); }

// A missing identifier line would put the reach or section under the names of the one before
// it: the run stops, naming the line that stands in its place.
[[noreturn]] void stopOnMissingName(int unit, const std::string& error, std::int64_t lineNo) {
  report(onLine(error, lineNo));
  reportReadPlace({unit, lineNo});
  EXITS();
}

// Reads the line that must hold key (a "STREAM ID:"-like keyword) into field.
void readNamedLine(int unit, const std::string& block, const std::string& key, const std::string& error,
                   std::string& field, std::string& line, std::int64_t& lineNo) {
  readSdfBlockLine(unit, block, line, lineNo);
  if (!FLAGEXISTS(line, key)) stopOnMissingName(unit, error, lineNo);
  field = fixed::fit(textAfterColon(line), kTextLength);
}

// --- Streams pass ---------------------------------------------------------------------------

void readFirstLine(int unit, std::string& line, std::int64_t& lineNo) {
  lineNo = 0;
  if (readSdfLine(unit, line, lineNo)) return;
  report("ERROR - Unexpected end of file " + fixed::trimmed(fuName(unit)) + " at line 1: the file is empty.");
  EXITS();
}

// The STREAM ID: and REACH ID: lines that follow a REACH: line.
void readReachNames(int unit, std::string& line, std::int64_t& lineNo) {
  SdfCrossSection& xs = gSdfSection;
  readNamedLine(unit, "REACH", "STREAM ID:", "Error Expecting Stream ID: on ", xs.streamId, line, lineNo);
  readNamedLine(unit, "REACH", "REACH ID:", "Error Expecting REACH ID: on ", xs.reachId, line, lineNo);
}

// The vertices up to the END: line, written as one polyline with its names.
void readCentreLine(int unit, std::string& line, std::int64_t& lineNo) {
  GisCoordBuffer& buf = gGis.gisCoordBuffer;
  int count = 0;
  for (;;) {
    readSdfBlockLine(unit, "CENTERLINE", line, lineNo);
    if (FLAGEXISTS(line, "END:")) break;
    if (count >= kGisMaxVertices) {
      report("ERROR - More than 100,000 vertices in CENTERLINE block at line " + AINTEGER8(lineNo) + " of file " +
             fixed::trimmed(fuName(unit)) + ".");
      EXITS();
    }
    double xy[2] = {0.0, 0.0};
    const FreeReadStatus status = freeFormatReadDoubles(line, 2, xy);
    if (status != FreeReadStatus::Ok) stopOnDataReadFailure(status == FreeReadStatus::RunOut, line, {unit, lineNo});
    ++count;
    buf.x[count] = xy[0];
    buf.y[count] = xy[1];
  }
  buf.n = count;
  const SdfCrossSection& xs = gSdfSection;
  GisObject& obj = gSdfLayers.gisObject;
  obj.nr = 1;
  obj.ir[1] = 1;
  gisWriteObject(gSdfLayers.streams, obj);
  sdfWriteRecord(gSdfLayers.streams, obj, sdfTextField(xs.streamId) + "," + sdfTextField(xs.reachId));
}

bool startsStreamNetwork(const std::string& line) {
  return FLAGEXISTS(line, "BEGINSTREAMNETWORK") || FLAGEXISTS(line, "BEGIN STREAM NETWORK");
}

// The start lines of the two parts of an export, wherever the streams pass meets them.
void noteFileParts(const std::string& line, SdfFileParts& parts) {
  if (!parts.streamNetwork) parts.streamNetwork = startsStreamNetwork(line);
  if (!parts.crossSections) parts.crossSections = FLAGEXISTS(line, "BEGIN CROSS-SECTIONS:");
}

// A line of the cross-sections ends a stream network whose END STREAM NETWORK: line is missing.
bool beginsCrossSections(const std::string& line) {
  return FLAGEXISTS(line, "BEGIN CROSS-SECTIONS:") || FLAGEXISTS(line, "CROSS-SECTION:");
}

void warnOfNetworkWithoutEnd(const std::string& where) {
  report("WARNING - The stream network has no END STREAM NETWORK line; it ends at " + where + ".");
}

// The header's values are free text (layer names such as ".../StreamCenterlines") that may hold
// any keyword; its lines are passed over up to END HEADER: (or the start of either part).
struct HeaderSkip {
  bool inHeader = false;
  // True when the line belongs to the header and must not be tested.
  bool skips(const std::string& line) {
    if (!inHeader) {
      inHeader = FLAGEXISTS(line, "BEGIN HEADER:");
      return inHeader;
    }
    if (FLAGEXISTS(line, "END HEADER:")) {
      inHeader = false;
      return true;
    }
    if (!startsStreamNetwork(line) && !FLAGEXISTS(line, "BEGIN CROSS-SECTIONS:")) return true;
    inHeader = false;
    return false;
  }
};

// --- Cross-section pass ---------------------------------------------------------------------

// The STREAM ID:, REACH ID: and STATION: lines after a CROSS-SECTION: line.
void readSectionNames(int unit, std::string& line, std::int64_t& lineNo) {
  SdfCrossSection& xs = gSdfSection;
  const std::string block = "CROSS-SECTION";
  readNamedLine(unit, block, "STREAM ID:", "Error Expecting Stream ID: on ", xs.streamId, line, lineNo);
  readNamedLine(unit, block, "REACH ID:", "Error Expecting REACH ID: on ", xs.reachId, line, lineNo);
  readSdfBlockLine(unit, block, line, lineNo);
  if (!FLAGEXISTS(line, "STATION:")) stopOnMissingName(unit, "Error Expecting STATION: on ", lineNo);
  // An interpolated station carries a "*" after its number.
  const std::size_t star = line.find('*');
  if (star != std::string::npos) line = fixed::fit(line.substr(0, star), kTextLength);
  xs.stationText = fixed::fit(textAfterColon(line), kTextLength);
}

void closeSectionLayers(SdfSectionLayers& layers) {
  gisCloseLayer(layers.surfacePoints);
  gisCloseLayer(layers.sectionLines);
  gisCloseLayer(layers.cutLines);
  gisCloseLayer(layers.leveePoints);
  gisCloseLayer(layers.endPoints);
}

// The data blocks of a section, in the order a line is tested for their keywords.
enum SdfBlock { kCutLine, kNValues, kLevees, kSurfaceLine, kBlockKinds };
constexpr const char* kBlockKeyword[kBlockKinds] = {"CUT LINE", "NVALUES", "LEVEE POSITIONS", "SURFACE LINE"};

// The section being read: where it began (its CROSS-SECTION: line; 0 while no section is open) and
// the keyword line of each block read in it (0 for none).
struct OpenSection {
  std::int64_t start = 0;
  std::array<std::int64_t, kBlockKinds> blockAt{};
};

int dataLinesRead(const SdfCrossSection& xs, SdfBlock block) {
  switch (block) {
    case kCutLine: return xs.cutCount;
    case kNValues: return xs.nCount;
    case kLevees: return xs.leveeCount;
    default: return xs.surfCount;
  }
}

// A block with no CROSS-SECTION: line before it since the last END: has no names of its own: its
// data would be written under the section before it, replacing that section's profile.
[[noreturn]] void stopOutsideSection(int unit, const std::string& keyword, std::int64_t lineNo) {
  report("ERROR - Unexpected " + keyword + " at line " + AINTEGER8(lineNo) + " of file " + fixed::trimmed(fuName(unit)) +
         " outside a cross-section: no CROSS-SECTION: line opens it.");
  EXITS();
}

// A block that occurs twice in one section keeps its later occurrence; when the earlier one held
// data lines, the user is told which two.
void noteBlockStart(int unit, OpenSection& open, SdfBlock block, std::int64_t lineNo) {
  if (open.start == 0) stopOutsideSection(unit, kBlockKeyword[block], lineNo);
  const std::int64_t before = open.blockAt[block];
  if (before != 0 && dataLinesRead(gSdfSection, block) > 0)
    report(std::string("WARNING - The ") + kBlockKeyword[block] + " block at line " + AINTEGER8(lineNo) +
           " replaces the one at line " + AINTEGER8(before) + " in the same cross-section.");
  open.blockAt[block] = lineNo;
}

// Reads the block whose keyword the line holds, the first in the order of kBlockKeyword; false
// when it holds none. The line that ended the block is left in the buffer.
bool readSectionBlock(int unit, std::string& line, std::int64_t& lineNo, const SdfRunOptions& options,
                      OpenSection& open) {
  SdfCrossSection& xs = gSdfSection;
  if (FLAGEXISTS(line, "CUT LINE")) {
    noteBlockStart(unit, open, kCutLine, lineNo);
    xs.hasCutLine = true;
    GetSdfCutline(unit, xs.cutX, xs.cutY, xs.cutCount, lineNo, line);
  } else if (FLAGEXISTS(line, "NVALUES")) {
    noteBlockStart(unit, open, kNValues, lineNo);
    xs.hasNValues = true;
    GetSdfnVals(unit, xs.nValue, xs.nFraction, xs.nCount, lineNo, line);
    // A block that ends before its first data line gives the section no n values at all.
    if (xs.nCount < 1) xs.hasNValues = false;
  } else if (FLAGEXISTS(line, "LEVEE POSITIONS")) {
    report(onLine("Found LEVEE POSITIONS on line ", lineNo));
    noteBlockStart(unit, open, kLevees, lineNo);
    xs.hasLevees = true;
    GetSdfLevees(unit, xs.leveeCount, xs.leveeMarkers, lineNo, line);
    // -notrim: the block is read and reported, the section is handled as having no markers.
    if (!options.trimToLevees) xs.hasLevees = false;
  } else if (FLAGEXISTS(line, "SURFACE LINE")) {
    report(onLine("Found SURFACE LINE on line ", lineNo));
    noteBlockStart(unit, open, kSurfaceLine, lineNo);
    xs.hasSurfaceLine = true;
    GetSdfSurfaceLine(unit, xs.surfCount, xs.surfX, xs.surfY, xs.surfZ, lineNo, line);
  } else {
    return false;
  }
  return true;
}

// A section whose END: line never came would be lost without a word, or take the names of the
// section after it; what came instead (the end of the file, or the line that closed the section)
// is named with the line where the section began.
[[noreturn]] void stopInOpenSection(const std::string& unexpected, std::int64_t sectionStart) {
  report("ERROR - Unexpected " + unexpected + " in the cross-section that begins at line " + AINTEGER8(sectionStart) +
         ": its END: line is missing.");
  EXITS();
}

// A keyword line that starts a section or ends the cross-sections closes the open section, if any.
void checkNoSectionOpen(int unit, std::int64_t sectionStart, const std::string& keyword, std::int64_t lineNo) {
  if (sectionStart != 0)
    stopInOpenSection(keyword + " at line " + AINTEGER8(lineNo) + " of file " + fixed::trimmed(fuName(unit)),
                      sectionStart);
}

// A file of neither part (a text or binary file given by mistake) is no export to convert.
[[noreturn]] void stopOnNoExport(int unit) {
  report("ERROR - " + fixed::trimmed(fuName(unit)) +
         " is not an SDF export: it holds no BEGIN STREAM NETWORK: line and no BEGIN CROSS-SECTIONS: line.");
  EXITS();
}

}  // namespace

void sdfStreamsPass(int sdfUnit, const std::string& inputName, std::string& line, std::int64_t& lineNo,
                    const SdfRunOptions& options, SdfFileParts& parts) {
  // The input name keeps its ".sdf" in the streams layer's name.
  OpenSdfStreamLayer(fixed::trimmed(inputName) + "_streams" + sdfLayerExtension(options.mifOutput),
                     gSdfLayers.streams);
  report("Processing Stream Centrelines");
  console::line();
  gSdfLayers.gisObject.isPline = true;

  // The first line opens the header at most; it is not tested for blocks.
  readFirstLine(sdfUnit, line, lineNo);
  noteFileParts(line, parts);
  HeaderSkip header;
  header.inHeader = FLAGEXISTS(line, "BEGIN HEADER:");

  bool done = false;
  while (!done && !sdfAtEnd(sdfUnit)) {
    if (!readSdfLine(sdfUnit, line, lineNo)) break;
    noteFileParts(line, parts);
    if (header.skips(line)) continue;
    if (beginsCrossSections(line)) {
      warnOfNetworkWithoutEnd(onLine("line ", lineNo) + " of file " + fixed::trimmed(fuName(sdfUnit)) +
                              ", where the cross-sections begin");
      parts.crossSectionLineRead = true;
      break;
    }
    if (FLAGEXISTS(line, "BEGINSTREAMNETWORK")) report(onLine("Found BEGINSTREAMNETWORK on line ", lineNo));
    if (FLAGEXISTS(line, "REACH:")) {
      report(onLine("Found start of reach block on line ", lineNo));
      readReachNames(sdfUnit, line, lineNo);
    }
    if (FLAGEXISTS(line, "CENTERLINE")) {
      report(onLine("Found CENTERLINE on line ", lineNo));
      readCentreLine(sdfUnit, line, lineNo);
    }
    if (FLAGEXISTS(line, "END STREAM NETWORK") || FLAGEXISTS(line, "ENDSTREAMNETWORK")) {
      report(onLine("Found ENDSTREAMNETWORK on line ", lineNo));
      done = true;
    }
  }
  // A file of neither part is reported as no export by the cross-section pass.
  if (!done && !parts.crossSectionLineRead && (parts.streamNetwork || parts.crossSections))
    warnOfNetworkWithoutEnd("the end of file " + fixed::trimmed(fuName(sdfUnit)));

  gisCloseLayer(gSdfLayers.streams);
  gSdfLayers.gisObject.isPline = false;
}

void sdfCrossSectionPass(int sdfUnit, const std::string& inputName, std::string& line, std::int64_t& lineNo,
                         const SdfRunOptions& options, SdfFileParts& parts) {
  OpenSdfSectionLayers(sdfBaseName(inputName), options.mifOutput, gSdfLayers.sections);

  bool done = false;
  OpenSection open;
  // A line already in the buffer (the one the streams pass ended at, or the one that ended a
  // block) is tested from the first test on, before any further line is read.
  bool lineHeld = parts.crossSectionLineRead;
  while (!done) {
    if (!lineHeld && (sdfAtEnd(sdfUnit) || !readSdfLine(sdfUnit, line, lineNo))) break;
    lineHeld = false;
    if (FLAGEXISTS(line, "BEGIN CROSS-SECTIONS:")) {
      report(onLine("Found BEGIN CROSS-SECTIONS: on line ", lineNo));
      parts.crossSections = true;
    }
    if (FLAGEXISTS(line, "CROSS-SECTION:")) {
      checkNoSectionOpen(sdfUnit, open.start, "CROSS-SECTION:", lineNo);
      report(onLine("Found new cross-section on line ", lineNo));
      open.start = lineNo;
      readSectionNames(sdfUnit, line, lineNo);
      parts.crossSections = true;
    }
    if (readSectionBlock(sdfUnit, line, lineNo, options, open)) {
      lineHeld = true;
      continue;
    }
    // An END: with no section open (one given twice) has nothing to end.
    if (FLAGEXISTS(line, "END:") && open.start != 0) {
      report("End of section processing... ");
      SdfCrossSection& xs = gSdfSection;
      xs.startLine = open.start;
      Process_sdf_Sections(xs, gSdfLayers.sections);
      xs.clearFlags();
      open = OpenSection{};
    }
    if (FLAGEXISTS(line, "END CROSS-SECTIONS")) {
      checkNoSectionOpen(sdfUnit, open.start, "END CROSS-SECTIONS", lineNo);
      report(onLine("Found END CROSS-SECTIONS on line ", lineNo));
      done = true;
    }
    if (FLAGEXISTS(line, "ENDSTREAMNETWORK")) {
      checkNoSectionOpen(sdfUnit, open.start, "ENDSTREAMNETWORK", lineNo);
      report(onLine("Found ENDSTREAMNETWORK on line ", lineNo));
      done = true;
    }
  }
  if (!done && open.start != 0)
    stopInOpenSection("end of file " + fixed::trimmed(fuName(sdfUnit)), open.start);
  if (!parts.streamNetwork && !parts.crossSections) stopOnNoExport(sdfUnit);

  closeSectionLayers(gSdfLayers.sections);
}
