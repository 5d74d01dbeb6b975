// Moving about in the text header of a MIF file: the "Columns" line and its count, one attribute
// definition, the "Data" line, the CoordSys line (found, cleaned for comparison, or read from a
// projection file with a non-earth default), and the copy of a header into another MIF file.
#include <cstdint>
#include <string>

#include "gis/gis_layers.hpp"
#include "gis/gis_messages.hpp"
#include "gis/gis_read.hpp"
#include "gis/gis_state.hpp"
#include "platform/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

constexpr std::size_t kShortLine = 100;  // the "Columns" and "Data" searches look this far only

// A warning printed after one empty line; the run goes on.
void warn(const std::string& text, bool pause) {
  gisSetMessage(text);
  gisPrintMessage(1);
  if (pause) PAUSERUN();
}

MifLayer& mifLayerOf(int gisID, const char* routine) {
  gisCheckHandle(routine, gisID);
  GisLayerSlot& slot = gGis.layers[gisID];
  if (slot.gisLayerType != kGisLayerMif) gisShouldNotBeHere(routine);
  return slot.mifLayer;
}

}  // namespace

void mifSplitAttributeLine(const std::string& line, std::string& name, std::size_t nameLength, std::string& type,
                           std::size_t typeLength) {
  const std::string text = fixed::fit(TRIMF(fixed::fit(line, kTextLength)), kTextLength);
  const std::size_t p = text.find(' ');  // 0-based; the name is everything before it
  if (p == std::string::npos) {
    name = fixed::fit(text, nameLength);
    type = fixed::blanks(typeLength);
    return;
  }
  name = fixed::fit(text.substr(0, p), nameLength);
  type = fixed::fit(text.substr(p + 1), typeLength);
}

ReadStatus mifReadLineCut(int unit, std::string& line, std::size_t length) {
  const ReadStatus st = fuReadLine(unit, line);
  if (line.size() > length) line.resize(length);
  return st;
}

MifLineFound mifFindLine(int unit, std::size_t length, std::string_view keyword, std::string& line) {
  while (!fuAtEnd(unit)) {
    if (mifReadLineCut(unit, line, length) != ReadStatus::Ok) return MifLineFound::ReadFailed;
    if (FLAGEXISTS(line, keyword)) return MifLineFound::Line;
  }
  return MifLineFound::End;
}

MifHeaderWalk::MifHeaderWalk(int unit, std::size_t lineLength) : unit_(unit), length_(lineLength) { fuRewind(unit); }

bool MifHeaderWalk::toColumns() { return mifFindLine(unit_, length_, "Columns", line_) == MifLineFound::Line; }

bool MifHeaderWalk::count(std::int32_t& n) const {
  const std::size_t at = UPPERCASE(line_).find("COLUMNS");
  if (at == std::string::npos) return false;
  return CHECKINT(line_.substr(at + 7), n);
}

bool MifHeaderWalk::nextColumn() { return mifReadLineCut(unit_, line_, length_) == ReadStatus::Ok; }

bool MifHeaderWalk::toData() { return mifFindLine(unit_, length_, "Data", line_) == MifLineFound::Line; }

bool mifGotoBeginningOfAttributes(int unit, int& nAttr) {
  MifHeaderWalk walk(unit, kShortLine);
  // A file without a "Columns" line has no count to give: no other line stands in for it.
  if (!walk.toColumns()) {
    warn("WARNING 0315 - Problems finding start of attribute definitions in .mif file", true);
    return false;
  }
  std::int32_t n = 0;
  if (!walk.count(n)) {
    warn("WARNING 0314 - Problems reading number of attributes in .mif file", true);
    return false;
  }
  nAttr = n;
  return true;
}

bool gisGotoBeginningOfAttributes(int gisID, int& nAttr) {
  MifLayer& mif = mifLayerOf(gisID, "gisGotoBeginningOfAttributes");
  return mifGotoBeginningOfAttributes(mif.mifUnit, nAttr);
}

void mifReadAttributeDefinition(int unit, GisAttributeDefinition& definition) {
  std::string line;
  if (mifReadLineCut(unit, line, kTextLength) != ReadStatus::Ok) gisRefuse(gisLineOf(unit), kMifNoDefinition);
  mifSplitAttributeLine(line, definition.name, 256, definition.type, kGisAttributeTypeLength);
}

GisAttributeDefinition gisReadAttributeDefinition(int gisID) {
  MifLayer& mif = mifLayerOf(gisID, "gisReadAttributeDefinition");
  GisAttributeDefinition d;
  mifReadAttributeDefinition(mif.mifUnit, d);
  return d;
}

// The whole header is walked, column lines and all, so that a column whose name holds "Data" is
// passed over as it is by the header read.
void mifGotoBeginningOfData(int unit) {
  MifHeaderWalk walk(unit, kShortLine);
  std::int32_t n = 0;
  bool found = walk.toColumns() && walk.count(n);
  for (std::int32_t k = 0; found && k < n; ++k) found = walk.nextColumn();
  if (!found || !walk.toData()) gisRefuse(gisLineOf(unit), kMifNoDataBlock);
}

MifLineFound mifSearchCoordSys(int unit, std::string& line) {
  const MifLineFound found = mifFindLine(unit, kTextLength, "CoordSys", line);
  if (found == MifLineFound::Line) line = fixed::trimmed(line);
  return found;
}

std::string mifFindCoordSysLine(int unit) {
  std::string line;
  const MifLineFound found = mifSearchCoordSys(unit, line);
  if (found == MifLineFound::ReadFailed) warn(kMifNoCoordSys, false);
  return found == MifLineFound::Line ? line : "";
}

std::string mifCleanCoordSysLine(const std::string& line) {
  return TRIMF(REMOVEQUOTES(REMOVETABS(REMOVESPACES(UPPERCASE(line)))));
}

std::string mifReadCoordSysLine(const std::string& fileName) {
  std::string result = kDefaultCoordSys;
  const std::string name = fixed::trimmed(TRIMF(fileName));
  if (!fuFileExists(name)) {
    gisSetMessage("WARNING 0307 - No MapInfo Projection or mif header file " + name + " found.",
                  kMessageIndent + "Non-Earth Coordinates will be used.  [mifReadCoordSysLine]");
    gisPrintMessage(1);
    PAUSERUN();
    return result;
  }
  int unit = 0;
  OPENERBYNAME(unit, "I ", name, kGisTextNameLength);
  std::string line;
  // A file without a CoordSys line gives the default without a word; one that cannot be read
  // says so.
  const MifLineFound found = mifSearchCoordSys(unit, line);
  if (found == MifLineFound::Line) result = line;
  if (found == MifLineFound::ReadFailed) warn("WARNING 0312 - Problems finding CoordSys line in .mif file", true);
  // Done with the file: a caller that asks for several projections keeps no unit open per call.
  CLOSER(unit);
  return result;
}

void mifCopyHeader(int unitIn, int unitOut) {
  console::line("Copying header info from file unit " + fixed::trimmed(AINTEGER(unitIn)) + " to " +
                fixed::trimmed(AINTEGER(unitOut)) + "...");
  fuRewind(unitIn);
  std::string line;
  while (!fuAtEnd(unitIn)) {
    const ReadStatus st = mifReadLineCut(unitIn, line, kTextLength);
    if (st == ReadStatus::End) gisRefuse(gisLineOf(unitIn), "ERROR 0302 - End of File encountered (mifCopyHeader)");
    if (st != ReadStatus::Ok) gisRefuse(gisLineOf(unitIn), "ERROR 0301 - Reading data (mifCopyHeader)");
    if (FLAGEXISTS(line, "Columns")) return;
    if (!fuWriteLine(unitOut, fixed::trimmed(line)))
      gisWriteFailure("ERROR 0437 - Writing .mif file header.", fuName(unitOut));
  }
}
