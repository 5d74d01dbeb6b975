// Reading the headers of an input layer (the .shp header, the .dbf field table, the .mif header),
// its attribute and record counts, and putting it back on its first object and record.
#include <algorithm>
#include <cstdint>
#include <string>

#include "gis/gis_messages.hpp"
#include "gis/gis_read.hpp"
#include "gis/gis_state.hpp"
#include "gis/shapefile_format.hpp"
#include "platform/console.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

// ---- .shp header --------------------------------------------------------------------------------

const GisReadFailure kShpHeaderRead{"ERROR 0428 - End of .shp file encountered whilst reading header.",
                                    "ERROR 0427 - Reading .shp file header."};

std::int32_t shpHeaderI32(int unit) { return gisGetI32(gisHeaderOf(unit), kShpHeaderRead); }
double shpHeaderF64(int unit) { return gisGetF64(gisHeaderOf(unit), kShpHeaderRead); }

// ---- .dbf header ----------------------------------------------------------------------------------

const GisReadFailure kDbfHeaderRead{"ERROR 0404 - End of .dbf file encountered whilst reading header.",
                                    "ERROR 0403 - Reading .dbf file header."};

std::string dbfHeaderBytes(int unit, std::size_t n) { return gisGetBytes(gisHeaderOf(unit), n, kDbfHeaderRead); }
std::int32_t dbfHeaderI32(int unit) { return gisGetI32(gisHeaderOf(unit), kDbfHeaderRead); }

// What is wrong with the header: what (with the file's name after its first words) stands on the
// line after the message.
[[noreturn]] void dbfHeaderDamaged(int unit, const std::string& what, const std::string& rest) {
  gisRefuse(gisHeaderOf(unit), "ERROR 0403 - Reading .dbf file header.",
            kMessageIndent + what + " in file " + fuName(unit) + rest);
}

// One 32-byte descriptor whose first character has been read already.
void dbfReadFieldDescriptor(DbfSubLayer& dbf, char first) {
  const int unit = dbf.unit;
  dbf.nFields += 1;
  if (dbf.nFields > kDbfMaxFields) gisRefuse(gisHeaderOf(unit), "ERROR 0401 - Exceeded maximum number of dbf Fields.");
  const int i = dbf.nFields;
  std::string raw = std::string(1, first) + dbfHeaderBytes(unit, 10);
  raw.resize(std::min(raw.find('\0'), raw.size()));  // a name ends at its first NUL
  dbf.fieldName[i] = fixed::fit(CLEANATTRIBUTENAME(raw), 11);
  dbf.fieldType[i] = dbfHeaderBytes(unit, 1);
  dbfHeaderI32(unit);  // the field's data address
  const int length = static_cast<unsigned char>(dbfHeaderBytes(unit, 1)[0]);
  if (length < 1 || length > 255)
    gisRefuse(gisHeaderOf(unit),
              "ERROR 0402 - dbf field length of " + AINTEGER(length) + " is outside allowable range of 1 to 255.");
  dbf.fieldLength[i] = length;
  dbf.recordLength += length;
  for (int k = 0; k < 3; ++k) {  // the decimal count and the reserved bytes
    dbfHeaderBytes(unit, 1);
    dbfHeaderI32(unit);
  }
}

// Records start where the header length says, whatever padding lies between the terminator and
// it; each record is as long as the header says, so bytes a writer added after the fields are
// passed over with the record. Lengths that cannot hold what the descriptors declare stop the run.
void dbfPlaceFirstRecord(DbfSubLayer& dbf, int headerLength, int fileRecordLength) {
  const int unit = dbf.unit;
  const std::uint64_t afterTerminator = fuTell(unit);
  if (static_cast<std::uint64_t>(headerLength) < afterTerminator)
    dbfHeaderDamaged(unit, "Header length of " + AINTEGER(headerLength),
                     " ends before its field descriptors (" + AINTEGER(static_cast<std::int32_t>(afterTerminator)) + ").");
  if (fileRecordLength - 1 < dbf.recordLength)
    dbfHeaderDamaged(unit, "Record length of " + AINTEGER(fileRecordLength),
                     " is shorter than its fields (" + AINTEGER(dbf.recordLength + 1) + ").");
  dbf.recordLength = fileRecordLength - 1;
  if (static_cast<std::uint64_t>(headerLength) > fuSize(unit)) gisStopReading(gisHeaderOf(unit), kDbfHeaderRead);
  if (static_cast<std::uint64_t>(headerLength) != afterTerminator) fuSeek(unit, static_cast<std::uint64_t>(headerLength));
}

// The field list on the console and the library log.
void dbfPrintFields(const DbfSubLayer& dbf) {
  std::string text = AINTEGER(dbf.nFields) + " DBF Fields (Name [#/Type/Length]): ";
  for (int i = 1; i <= dbf.nFields; ++i)
    text += fixed::trimmed(dbf.fieldName[i]) + " [" + AINTEGER(i) + "/" + dbf.fieldType[i] + "/" +
            AINTEGER(dbf.fieldLength[i]) + "]  ";
  gisLogLine(text);
}

// ---- .mif header ----------------------------------------------------------------------------------

// The count of the "Columns" line the walk stands on; the attribute arrays bound it.
int mifReadColumnsCount(int unit, const MifHeaderWalk& walk) {
  std::int32_t n = 0;
  const char* const unread = "ERROR 0314 - Could not read number of attributes in .mif file";
  if (!walk.count(n)) gisRefuse(gisLineOf(unit), unread);
  if (n < 1) gisRefuse(gisLineOf(unit), "ERROR 0319 - No attributes specified in .mif file.");
  if (n > kMifMaxAttributes)
    gisRefuse(gisLineOf(unit), unread,
              kMessageIndent + "Columns count of " + AINTEGER(n) + " in file " + fuName(unit) +
                  " is above the limit of " + AINTEGER(kMifMaxAttributes) + ".");
  return n;
}

void mifPrintAttributes(const MifLayer& mif) {
  std::string text = AINTEGER(mif.nAttributes) + " MIF Fields: Name [#/Type]: ";
  for (int i = 1; i <= mif.nAttributes; ++i)
    text += fixed::trimmed(mif.attributeName[i]) + " [" + AINTEGER(i) + "/" + fixed::trimmed(mif.attributeType[i]) +
            "]  ";
  gisLogLine(text);
}

// The first record follows the 100-byte header; a .shp without one is at its end at once.
void shpPrepareFirstRecord(GisLayerSlot& slot) {
  ShpSubLayer& shp = slot.shpSubLayer[kShpInputSubLayer];
  if (shp.shpUnitLE <= 0) return;
  shp.readRecord = 0;
  shp.recordStart = shp.recordEnd = kShpHeaderBytes;
  slot.gisEndOfData = fuAtEnd(shp.shpUnitLE);
}

// The lines of the unit's file that start before its position: the number of the line read last.
// The unit is moved; only a refusal, which ends the run, asks.
std::int64_t linesBefore(int unit) {
  const std::uint64_t here = fuTell(unit);
  if (!fuRewind(unit)) return 0;
  std::int64_t n = 0;
  std::string line;
  while (fuTell(unit) < here && fuReadLine(unit, line) == ReadStatus::Ok) ++n;
  return n;
}

}  // namespace

std::string gisPlaceLine(const GisReadPlace& place) {
  const std::string file = fixed::trimmed(fuName(place.unit));
  if (file.empty()) return "";
  const std::string of = " of file " + file + ".";
  switch (place.kind) {
    case GisReadPlace::Kind::Header:
      return "Header" + of;
    case GisReadPlace::Kind::Record:
      return "Record " + AINTEGER8(place.number) + of;
    case GisReadPlace::Kind::Line:
      return "Line " + AINTEGER8(std::max<std::int64_t>(linesBefore(place.unit), 1)) + of;
    case GisReadPlace::Kind::Row:
      return "Record " + AINTEGER8(linesBefore(place.unit) + place.number) + of;
    case GisReadPlace::Kind::Byte:
      return "Byte " + AINTEGER8(place.number) + of;
  }
  return "";
}

void gisRefuse(const GisReadPlace& place, const std::string& line1, const std::string& line2,
               const std::string& line3) {
  const std::string where = gisPlaceLine(place);
  gisSetMessage(line1);
  int next = 2;
  for (const std::string* text : {&line2, &line3, &where})
    if (!fixed::isBlank(*text) && next <= 4) gGis.gisMessageLines[next++] = fixed::fit(*text, kTextLength);
  gisPrintMessage(1);
  EXITS();
}

// The file-unit manager refuses to read more bytes than the file has left, so a read that fails
// on a unit that is still open has, short of a failing disk, met the end of the file.
void gisStopReading(const GisReadPlace& place, const GisReadFailure& failure) {
  gisRefuse(place, fuIsOpen(place.unit) ? failure.atEnd : failure.failed);
}

std::string gisGetBytes(const GisReadPlace& place, std::size_t n, const GisReadFailure& failure) {
  std::string b;
  if (!fuGetBytes(place.unit, n, b)) gisStopReading(place, failure);
  return b;
}

void gisGetBytes(const GisReadPlace& place, std::span<char> bytes, const GisReadFailure& failure) {
  if (!fuGetBytes(place.unit, bytes)) gisStopReading(place, failure);
}

std::int32_t gisGetI32(const GisReadPlace& place, const GisReadFailure& failure) {
  std::int32_t v = 0;
  if (!fuGetI32(place.unit, v)) gisStopReading(place, failure);
  return v;
}

double gisGetF64(const GisReadPlace& place, const GisReadFailure& failure) {
  double v = 0.0;
  if (!fuGetF64(place.unit, v)) gisStopReading(place, failure);
  return v;
}

void shpReadHeader(int unit, int& code, int& length, int& version, int& type, double& xmin, double& ymin,
                   double& xmax, double& ymax) {
  if (unit <= 0) return;
  fuRewind(unit);
  const std::int32_t c = shpHeaderI32(unit);
  for (int k = 0; k < 5; ++k) shpHeaderI32(unit);
  const std::int32_t len = shpHeaderI32(unit);
  const std::int32_t ver = shpHeaderI32(unit);
  const std::int32_t t = shpHeaderI32(unit);
  double box[4];
  for (double& b : box) b = shpHeaderF64(unit);
  for (int k = 0; k < 4; ++k) shpHeaderF64(unit);  // z and m ranges
  code = c;
  length = len;
  version = ver;
  type = t;
  xmin = box[0];
  ymin = box[1];
  xmax = box[2];
  ymax = box[3];
}

void dbfReadHeader(DbfSubLayer& dbf) {
  const int unit = dbf.unit;
  if (unit <= 0) return;
  fuRewind(unit);
  dbf.hasFlagAhead = false;  // read ahead before the rewind
  dbfHeaderBytes(unit, 4);
  const std::int32_t count = dbfHeaderI32(unit);
  const std::string lengths = dbfHeaderBytes(unit, 24);  // header and record lengths, reserved bytes
  const auto* p = reinterpret_cast<const unsigned char*>(lengths.data());
  const int headerLength = byteorder::getU16(p, byteorder::Order::Little);
  const int fileRecordLength = byteorder::getU16(p + 2, byteorder::Order::Little);
  // The count sizes what callers read; a negative one is a damaged header, not a count.
  if (count < 0) dbfHeaderDamaged(unit, "Record count of " + AINTEGER(count), " is negative.");
  dbf.headerRecordCount = count;
  console::line("DBF file contains " + AINTEGER(count) + " records.");
  dbf.nFields = 0;
  dbf.recordLength = 0;
  for (;;) {
    const char c = dbfHeaderBytes(unit, 1)[0];
    if (c == kDbfHeaderEnd) break;
    dbfReadFieldDescriptor(dbf, c);
  }
  if (dbf.nFields == 0) gisRefuse(gisHeaderOf(unit), "ERROR 0319 - No attributes specified in .dbf file.");
  dbfPlaceFirstRecord(dbf, headerLength, fileRecordLength);
  dbfPrintFields(dbf);
}

void mifReadHeader(MifLayer& mif) {
  const int unit = mif.mifUnit;
  if (unit <= 0) return;
  MifHeaderWalk walk(unit, kTextLength);
  // A file without a "Columns" line has no attribute definitions to read.
  if (!walk.toColumns())
    gisRefuse(gisLineOf(unit), "ERROR 0315 - Could not find start of attribute definitions in .mif file");
  const int n = mifReadColumnsCount(unit, walk);
  mif.nAttributes = n;
  for (int i = 1; i <= n; ++i) {
    if (!walk.nextColumn()) gisRefuse(gisLineOf(unit), kMifNoDefinition);
    mifSplitAttributeLine(walk.line(), mif.attributeName[i], kGisAttributeNameLength, mif.attributeType[i],
                          kGisAttributeTypeLength);
  }
  mifPrintAttributes(mif);
  if (!walk.toData()) gisRefuse(gisLineOf(unit), kMifNoDataBlock);
}

void gisReadHeader(int gisID) {
  gisCheckHandle("gisReadHeader", gisID);
  GisLayerSlot& slot = gGis.layers[gisID];
  if (slot.gisLayerType == kGisLayerMif) {
    mifReadHeader(slot.mifLayer);
    return;
  }
  if (slot.gisLayerType != kGisLayerShapefile) gisShouldNotBeHere("gisReadHeader");
  ShpSubLayer& shp = slot.shpSubLayer[kShpInputSubLayer];
  int code = 0, length = 0, version = 0, type = 0, dropped = 0;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  shpReadHeader(shp.shpUnitBE, code, length, dropped, dropped, x0, y0, x1, y1);
  if (shp.shpUnitBE > 0) {
    shp.fileCode = code;
    shp.fileLength = length;
    console::line("Shapefile Code: " + AINTEGER(code) + "  Length: " + AINTEGER(length));
  }
  shpReadHeader(shp.shpUnitLE, dropped, dropped, version, type, x0, y0, x1, y1);
  if (shp.shpUnitLE > 0) {
    shp.version = version;
    shp.fileShapeType = type;
    shp.xmin = x0;
    shp.ymin = y0;
    shp.xmax = x1;
    shp.ymax = y1;
    console::line("Shapefile Version: " + AINTEGER(version) + "  Type: " + AINTEGER(type));
  }
  if (shp.shpUnitBE > 0) CLOSER(shp.shpUnitBE);
  dbfReadHeader(slot.dbfSubLayer[kShpInputSubLayer]);
  slot.dbfSubLayer[kShpInputSubLayer].records = 0;
  shpPrepareFirstRecord(slot);
}

int gisNumberAttributes(int gisID) {
  gisCheckHandle("gisNumberAttributes", gisID);
  const GisLayerSlot& slot = gGis.layers[gisID];
  if (slot.gisLayerType == kGisLayerMif) return slot.mifLayer.nAttributes;
  if (slot.gisLayerType == kGisLayerShapefile) return slot.dbfSubLayer[kShpInputSubLayer].nFields;
  return 0;  // no attributes on any other kind of slot
}

std::int64_t gisNumberRecords(int gisID) {
  gisCheckHandle("gisNumberRecords", gisID);
  const GisLayerSlot& slot = gGis.layers[gisID];
  if (slot.gisLayerType == kGisLayerShapefile) return slot.dbfSubLayer[kShpInputSubLayer].headerRecordCount;
  if (slot.gisLayerType != kGisLayerMif) return 0;
  const int unit = slot.mifLayer.midUnit;
  if (unit <= 0) return 0;
  // Counted from the top, then the .mid goes back where it stood, so the rows still pair with
  // the objects when the count is taken in the middle of reading.
  const std::uint64_t here = fuTell(unit);
  fuRewind(unit);
  std::int64_t count = 0;
  std::string& line = gGisRead.textLine;
  while (!fuAtEnd(unit)) {
    if (fuReadLine(unit, line) != ReadStatus::Ok) break;
    ++count;
  }
  fuSeek(unit, here);
  return count;
}

void gisGotoBeginningOfData(int gisID) {
  gisCheckHandle("gisGotoBeginningOfData", gisID);
  GisLayerSlot& slot = gGis.layers[gisID];
  console::line();
  console::line("Rewinding GIS Layer " + AINTEGER(gisID) + "...");
  slot.gisEndOfData = false;
  if (slot.gisLayerType == kGisLayerShapefile) {
    int dropped = 0;
    double d = 0;
    shpReadHeader(slot.shpSubLayer[kShpInputSubLayer].shpUnitLE, dropped, dropped, dropped, dropped, d, d, d, d);
    dbfReadHeader(slot.dbfSubLayer[kShpInputSubLayer]);
    slot.dbfSubLayer[kShpInputSubLayer].records = 0;
    shpPrepareFirstRecord(slot);
    return;
  }
  if (slot.gisLayerType != kGisLayerMif) gisShouldNotBeHere("gisGotoBeginningOfData");
  MifLayer& mif = slot.mifLayer;
  if (mif.mifUnit > 0) mifGotoBeginningOfData(mif.mifUnit);
  fuRewind(mif.midUnit);
}
