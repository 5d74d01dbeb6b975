#include "converter/sdf_sections.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "geometry/geometry.hpp"
#include "gis/gis_layers.hpp"
#include "platform/console.hpp"
#include "platform/file_identity.hpp"
#include "platform/process_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

SdfSectionWork gSdfWork;
namespace {
const bool kEnrolled = processstate::enrol("gSdfWork", [] { gSdfWork.reset(); });

// Stream, reach and station as the first three text fields of a record.
std::string sectionNames(const SdfCrossSection& xs) {
  return sdfTextField(xs.streamId) + "," + sdfTextField(xs.reachId) + "," + sdfTextField(xs.stationText);
}

// Stream, reach and station as a message names the section.
std::string sectionInWords(const SdfCrossSection& xs) {
  return "stream " + fixed::trimmed(xs.streamId) + ", reach " + fixed::trimmed(xs.reachId) + ", station " +
         fixed::trimmed(xs.stationText);
}

// What never stands in a profile's file name: the folder separators, which would take the profile
// out of the current folder, and what a Windows file name cannot hold (there a ":" writes into a
// hidden stream of another file).
constexpr std::string_view kNotInFileNames = "/\\<>:\"|?*";

// One part of the .csv name: each of those characters, and each control character, becomes "_" on
// every platform, so that a conversion gives the same file names on all of them.
std::string csvNamePart(const std::string& text) {
  std::string part = fixed::trimmed(text);
  for (char& c : part) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127 || kNotInFileNames.find(c) != std::string_view::npos) c = '_';
  }
  return part;
}

void writeObjectAndRecord(int layer, const std::string& record) {
  GisObject& obj = gSdfLayers.gisObject;
  obj.nr = 1;
  obj.ir[1] = 1;
  gisWriteObject(layer, obj);
  sdfWriteRecord(layer, obj, record);
}

void writePoint(int layer, double x, double y, const std::string& record) {
  GisCoordBuffer& buf = gGis.gisCoordBuffer;
  buf.n = 1;
  buf.x[1] = x;
  buf.y[1] = y;
  writeObjectAndRecord(layer, record);
}

// A cleared mask, the .csv name, and a station that must read as a number.
void startSection(const SdfCrossSection& xs) {
  SdfSectionWork& w = gSdfWork;
  const int n = std::max(xs.surfCount, 0);
  w.trimMask.fill(0, static_cast<std::size_t>(n) + 1, 0);
  w.csvName = fixed::fit(
      csvNamePart(xs.streamId) + "_" + csvNamePart(xs.reachId) + "_" + csvNamePart(xs.stationText) + ".csv",
      kTextLength);
  double station = 0.0;
  if (freeFormatReadDoubles(xs.stationText, 1, &station) != FreeReadStatus::Ok) {
    console::line();
    console::line("ERROR - converting station to numeric field");
    EXITS();
  }
}

// A computed value that is not finite would reach the outputs as "Infinity" or "NaN", or as a
// point that no GIS program can place: the run stops, naming the line where the section begins.
[[noreturn]] void stopOnValueNotFinite(const SdfCrossSection& xs, const std::string& what) {
  console::line();
  console::line("ERROR - The " + what + " of the cross-section that begins at line " + AINTEGER8(xs.startLine) +
                " (" + sectionInWords(xs) + ") is not finite in single precision.");
  EXITS();
}

// Chainage along the surface line, summed in single precision, and the change points and markers
// placed on it. The chainage only grows, so a last one that is finite makes every one finite.
float measureSection(const SdfCrossSection& xs) {
  SdfSectionWork& w = gSdfWork;
  w.sectionChainage[1] = 0.0f;
  for (int i = 2; i <= xs.surfCount; ++i)
    w.sectionChainage[i] =
        w.sectionChainage[i - 1] + DISTANCE_8(xs.surfX[i], xs.surfY[i], xs.surfX[i - 1], xs.surfY[i - 1]);
  const float length = w.sectionChainage[xs.surfCount];
  if (!std::isfinite(length)) stopOnValueNotFinite(xs, "chainage along the surface line");
  if (xs.hasNValues)
    for (int k = 1; k <= xs.nCount; ++k) w.nPosition[k] = xs.nFraction[k] * length;
  if (xs.hasLevees)
    for (int m = 1; m <= xs.leveeCount; ++m) w.leveePosition[m] = xs.leveeMarkers[m].fraction * length;
  return length;
}

// Each point takes the n of the change point with the greatest position at or before its
// chainage (of equal positions, the later in the block), and a point before every change point
// the n of the first by position. The pointer passes every change point up to the point's
// chainage, so a zone narrower than the gap between two points hands its n to no point. Change
// points out of order are walked in order of position. A section without n values gets 0.0,
// never the values of an earlier section.
void assignMannings(const SdfCrossSection& xs) {
  SdfSectionWork& w = gSdfWork;
  if (!xs.hasNValues || xs.nCount < 1) {
    w.pointMannings.fill(0, static_cast<std::size_t>(std::max(xs.surfCount + 1, 0)), 0.0f);
    return;
  }
  const ZeroArray<float>& position = w.nPosition;
  const int n = xs.nCount;
  bool inOrder = true;
  for (int k = 2; k <= n && inOrder; ++k) inOrder = !(position[k] < position[k - 1]);
  if (!inOrder) {
    for (int k = 1; k <= n; ++k) w.nOrder[k] = k;
    int* order = &w.nOrder[1];
    std::sort(order, order + n, [&position](int a, int b) {
      return position[a] < position[b] || (position[a] == position[b] && a < b);
    });
  }
  auto changePoint = [&w, inOrder](int k) { return inOrder ? k : w.nOrder[k]; };
  int k = 1;
  for (int i = 1; i <= xs.surfCount; ++i) {
    while (k < n && w.sectionChainage[i] >= position[changePoint(k + 1)]) ++k;
    w.pointMannings[i] = xs.nValue[changePoint(k)];
  }
}

// Each marker's plan position, interpolated between the two surface points around it, and its
// elevation: its own, or when its line gave none the surface elevation there. A marker beyond
// the end of the line sits on its last point.
void placeLeveeMarkers(const SdfCrossSection& xs) {
  SdfSectionWork& w = gSdfWork;
  const ZeroArray<float>& d = w.sectionChainage;
  for (int m = 1; m <= xs.leveeCount; ++m) {
    const float p = w.leveePosition[m];
    int i = 1;
    if (!(p - 0.0001f <= 0.0f)) {
      i = 2;
      while (i <= xs.surfCount && !(d[i] >= p)) ++i;
    }
    if (i == 1 || i > xs.surfCount) {
      const int at = (i == 1) ? 1 : xs.surfCount;
      w.leveeX[m] = xs.surfX[at];
      w.leveeY[m] = xs.surfY[at];
      w.leveeZ[m] = xs.surfZ[at];
    } else {
      const float t = (p - d[i - 1]) / (d[i] - d[i - 1]);
      w.leveeX[m] = xs.surfX[i - 1] + (xs.surfX[i] - xs.surfX[i - 1]) * static_cast<double>(t);
      w.leveeY[m] = xs.surfY[i - 1] + (xs.surfY[i] - xs.surfY[i - 1]) * static_cast<double>(t);
      w.leveeZ[m] = xs.surfZ[i - 1] + (xs.surfZ[i] - xs.surfZ[i - 1]) * t;
    }
    // A levee crest stands above the ground: its own height counts when the line gave one.
    if (xs.leveeMarkers[m].hasElevation) w.leveeZ[m] = xs.leveeMarkers[m].elevation;
    if (!std::isfinite(w.leveeX[m]) || !std::isfinite(w.leveeY[m]) || !std::isfinite(w.leveeZ[m]))
      stopOnValueNotFinite(xs, "place of levee marker " + fixed::trimmed(xs.leveeMarkers[m].id));
  }
}

// The first point of the smallest elevation.
int lowestPoint(const SdfCrossSection& xs) {
  int low = 1;
  for (int i = 2; i <= xs.surfCount; ++i)
    if (xs.surfZ[i] < xs.surfZ[low]) low = i;
  return low;
}

void trimOutside(int surfCount, float from, float to) {
  SdfSectionWork& w = gSdfWork;
  for (int i = 1; i <= surfCount; ++i)
    if (w.sectionChainage[i] < from || w.sectionChainage[i] > to) w.trimMask[i] = 1;
}

// Keeps the part between the markers that holds the lowest point. Without a marker, or
// when no two markers bracket the lowest point, the section keeps all its points.
void trimToMarkers(const SdfCrossSection& xs) {
  SdfSectionWork& w = gSdfWork;
  const std::vector<float>& p = w.leveePosition;
  const int n = xs.surfCount;
  const float dLow = w.sectionChainage[lowestPoint(xs)];
  const float below = -std::numeric_limits<float>::infinity();
  const float above = std::numeric_limits<float>::infinity();
  if (xs.leveeCount == 1) {
    if (dLow > p[1])
      trimOutside(n, p[1], above);
    else
      trimOutside(n, below, p[1]);
  } else if (xs.leveeCount == 2) {
    trimOutside(n, p[1], p[2]);
  } else if (xs.leveeCount >= 3) {
    console::line();
    console::line("WARNING - More than 2 levee markers found.");
    int j = 0;
    if (p[1] < dLow)
      for (int k = 2; k <= xs.leveeCount && j == 0; ++k)
        if (p[k] >= dLow) j = k;
    if (j == 0) {
      console::line();
      console::line("ERROR - Determing which two levee markes to use.");
      return;
    }
    trimOutside(n, p[j - 1], p[j]);
  }
}

void writeCsvLine(int unit, const std::string& text) {
  if (fuWriteLine(unit, text)) return;
  console::line();
  console::line("ERROR - Unable to write file " + fixed::trimmed(gSdfWork.csvName) + ".");
  EXITS();
}

// A profile never replaces a file the run is reading or writing: the input file named as a
// profile would be closed and emptied under the conversion, a layer file (open, or closed as the
// streams layer is) emptied under its layer. The file is compared by identity, as the file-unit
// manager compares it, under the name the opener will use.
void checkProfileIsNoFileOfThisRun(const SdfCrossSection& xs, const std::string& name,
                                   const platform::FileIdentity& file) {
  const GisRunFile reached = gisRunFileReached(name, file);
  if (reached.name.empty()) return;
  const std::string over = reached.beingRead
                               ? fixed::trimmed(reached.name) + ", the file being converted; that file is left as it is."
                               : reached.name + ", a file this run writes.";
  console::line();
  console::line("ERROR - The profile of " + sectionInWords(xs) + " would be written over " + over);
  EXITS();
}

// Two sections whose names reach one file write one profile, the later replacing the earlier; the
// user is told which two, as nothing else shows it. Names that differ reach one file through a
// link, or where the file system ignores case ("A1" and "a1"). The file is the one the name
// reaches before the open: a profile written earlier in the run exists by then.
void warnOfProfileWrittenBefore(const SdfCrossSection& xs, const std::string& name,
                                const platform::FileIdentity& file) {
  const SdfSectionWork& w = gSdfWork;
  const auto written = file.exists ? w.writtenProfiles.find({file.device, file.inode}) : w.writtenProfiles.end();
  if (written == w.writtenProfiles.end()) return;
  const std::string words = sectionInWords(xs);
  const SdfSectionWork::WrittenProfile before = written->second;
  const std::size_t end = w.profileWords.find('\n', before.wordsAt);
  console::line();
  console::line("WARNING - The profile " + name + " of the cross-section that begins at line " +
                std::to_string(xs.startLine) + " (" + words + ") replaces the one of the cross-section that begins at line " +
                std::to_string(before.line) + " (" + w.profileWords.substr(before.wordsAt, end - before.wordsAt) + ").");
}

// The profile just opened on unit, under the file the host gave it, with the words of its section.
void rememberProfile(const SdfCrossSection& xs, int unit) {
  SdfSectionWork& w = gSdfWork;
  const platform::FileIdentity file = fuIdentityOfUnit(unit);
  if (file.exists) w.writtenProfiles[{file.device, file.inode}] = {xs.startLine, w.profileWords.size()};
  w.profileWords += sectionInWords(xs);
  w.profileWords += '\n';
}

// The profile of the kept points. A number too wide for its column is written in full: asterisks
// would lose the value.
void writeProfileCsv(const SdfCrossSection& xs) {
  const SdfSectionWork& w = gSdfWork;
  // The host is asked once for the file the name reaches, for every check.
  const std::string name = TRIMF(w.csvName);
  const platform::FileIdentity file = fuIdentityOfFile(name);
  checkProfileIsNoFileOfThisRun(xs, name, file);
  warnOfProfileWrittenBefore(xs, name, file);
  int unit = 0;
  OPENERBYNAME(unit, "O ", w.csvName, kGisTextNameLength);
  rememberProfile(xs, unit);
  writeCsvLine(unit, xs.hasNValues ? "\"X\",\"Z\",\"N\"" : "\"X\",\"Z\"");
  std::string& row = gSdfWork.row;
  for (int i = 1; i <= xs.surfCount; ++i) {
    if (w.trimMask[i]) continue;
    row.clear();
    appendFixedOrWhole(row, w.sectionChainage[i], 12, 3);
    row += ',';
    appendFixedOrWhole(row, xs.surfZ[i], 12, 4);
    if (xs.hasNValues) {
      row += ',';
      appendFixedOrWhole(row, w.pointMannings[i], 8, 4);
    }
    writeCsvLine(unit, row);
  }
  CLOSER(unit);
}

// The Source field names the profile in at most its declared characters, the same in both formats;
// a longer name is cut, and said so, since the field then names no file.
std::string sourceField(const SdfCrossSection& xs, const std::string& csvName) {
  const std::string name = fixed::trimmed(csvName);
  if (name.size() <= kSdfSourceLength) return sdfTextField(name);
  console::line();
  console::line("WARNING - The profile name of " + sectionInWords(xs) + " is cut to the " +
                std::to_string(kSdfSourceLength) + " characters of the Source field: " + name);
  return sdfTextField(name.substr(0, kSdfSourceLength));
}

// One polyline through the kept points, named by its .csv profile.
void writeSectionLine(const SdfCrossSection& xs, int layer) {
  const SdfSectionWork& w = gSdfWork;
  GisCoordBuffer& buf = gGis.gisCoordBuffer;
  buf.n = 0;
  for (int i = 1; i <= xs.surfCount; ++i) {
    if (w.trimMask[i]) continue;
    ++buf.n;
    buf.x[buf.n] = xs.surfX[i];
    buf.y[buf.n] = xs.surfY[i];
  }
  if (buf.n < 2) {
    console::line();
    console::line("Error here.");
    return;
  }
  const std::string record = sourceField(xs, w.csvName) + ",\"xz\"," + (xs.hasNValues ? "\"n\"" : "\"\"") +
                             ",\"\",\"\",\"\",\"\",\"\",\"\"," + formatFixed(0.0, 12, 3) + "," +
                             formatFixed(0.0, 8, 3) + "," + formatFixed(0.0, 8, 3) + ",\"\"";
  GisObject& obj = gSdfLayers.gisObject;
  obj.isPline = true;
  writeObjectAndRecord(layer, record);
  obj.isPline = false;
}

std::string endPointRecord(float z, int decimals) {
  return formatFixedOrWhole(z, 12, decimals) + "," + formatFixed(0.0, 8, 4) + "," + formatFixed(0.0, 10, 3) + ",\"\"";
}

// An id written as it stands, unless it would not read back as one value: a comma would split
// it, a quote could open a quoted value, and leading blanks would be dropped.
std::string leveeIdField(const std::string& id) {
  const std::string text = fixed::trimmed(id);
  const bool plain = text.find_first_of(",\"'") == std::string::npos && (text.empty() || text[0] != ' ');
  return plain ? text : sdfTextField(text);
}

// Surface points, the two untrimmed end points, and the levee markers.
void writeSectionPoints(const SdfCrossSection& xs, const SdfSectionLayers& layers) {
  SdfSectionWork& w = gSdfWork;
  GisObject& obj = gSdfLayers.gisObject;
  obj.isPoint = true;
  const std::string names = sectionNames(xs);
  for (int i = 1; i <= xs.surfCount; ++i) {
    if (w.trimMask[i]) continue;
    w.row.assign(names);
    w.row += ',';
    appendFixedOrWhole(w.row, xs.surfZ[i], 12, 3);
    w.row += ',';
    appendFixedOrWhole(w.row, w.pointMannings[i], 8, 4);
    writePoint(layers.surfacePoints, xs.surfX[i], xs.surfY[i], w.row);
  }
  const int last = xs.surfCount;
  writePoint(layers.endPoints, xs.surfX[1], xs.surfY[1], endPointRecord(xs.surfZ[1], 4));
  writePoint(layers.endPoints, xs.surfX[last], xs.surfY[last], endPointRecord(xs.surfZ[last], 3));
  if (xs.hasLevees)
    for (int m = 1; m <= xs.leveeCount; ++m)
      writePoint(layers.leveePoints, w.leveeX[m], w.leveeY[m],
                 names + "," + formatFixedOrWhole(w.leveeZ[m], 12, 3) + "," + leveeIdField(xs.leveeMarkers[m].id));
  obj.isPoint = false;
}

// Every cut-line point as one polyline; a block without points still keeps its record.
void writeCutLine(const SdfCrossSection& xs, int layer) {
  GisCoordBuffer& buf = gGis.gisCoordBuffer;
  buf.n = xs.cutCount;
  for (int i = 1; i <= xs.cutCount; ++i) {
    buf.x[i] = xs.cutX[i];
    buf.y[i] = xs.cutY[i];
  }
  GisObject& obj = gSdfLayers.gisObject;
  obj.isPline = true;
  writeObjectAndRecord(layer, sectionNames(xs));
  obj.isPline = false;
}

}  // namespace

void Process_sdf_Sections(const SdfCrossSection& xs, const SdfSectionLayers& layers) {
  startSection(xs);
  // A SURFACE LINE block without points has nothing to measure: handled as no surface line.
  if (!xs.hasSurfaceLine || xs.surfCount < 1) {
    console::line();
    console::line("Warning - No surface line for section in sdf, unable to export .csv format section.");
    console::line(fixed::trimmed(xs.streamId) + fixed::trimmed(xs.reachId) + fixed::trimmed(xs.stationText));
  } else {
    measureSection(xs);
    assignMannings(xs);
    if (xs.hasLevees) {
      placeLeveeMarkers(xs);
      trimToMarkers(xs);
    }
    writeProfileCsv(xs);
    writeSectionLine(xs, layers.sectionLines);
    writeSectionPoints(xs, layers);
  }
  if (xs.hasCutLine) writeCutLine(xs, layers.cutLines);
}
