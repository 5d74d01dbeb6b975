// Reading the attribute record of each object as an attribute data line: the next .mid row of a
// MIF layer, or the next .dbf record of a shapefile layer joined into comma-separated values.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "gis/gis_messages.hpp"
#include "gis/gis_read.hpp"
#include "gis/gis_state.hpp"
#include "gis/shapefile_format.hpp"
#include "platform/process_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

GisReadBuffers gGisRead;
namespace {
const bool kEnrolled = processstate::enrol("gGisRead", [] { gGisRead.reset(); });

// The declared length of the caller's text; an empty one stands for a line of the usual size.
std::size_t declaredLength(const std::string& line) { return line.empty() ? kTextLength : line.size(); }

const GisReadFailure kDbfRecordRead{"ERROR 0408 - End of .dbf file encountered whilst reading record.",
                                    "ERROR 0407 - Reading .dbf record."};

// The record being read (the records read so far, deleted ones included, and this one).
GisReadPlace dbfPlace(const DbfSubLayer& dbf) {
  return {dbf.unit, GisReadPlace::Kind::Record, static_cast<std::int64_t>(dbf.records) + 1};
}

// The next n bytes of the table: where they stand in the block read ahead when they lie whole in
// it, else read whole into the record buffer. The buffer grows only for bytes the file is known to
// hold: a record length read from a damaged header allocates nothing. The bytes hold until the
// table is read again.
std::string_view dbfRecordBytes(const DbfSubLayer& dbf, std::size_t n) {
  std::uint64_t here = 0;
  const std::string_view ahead = fuBytesAhead(dbf.unit, here);
  if (ahead.size() >= n && fuSeek(dbf.unit, here + n)) return ahead.substr(0, n);
  std::string& record = gGisRead.dbfRecord;
  if (n > record.size()) {
    const std::uint64_t size = fuSize(dbf.unit);
    if (here > size || n > size - here) gisStopReading(dbfPlace(dbf), kDbfRecordRead);
    record.resize(n);
  }
  const std::span<char> bytes(record.data(), n);
  gisGetBytes(dbfPlace(dbf), bytes, kDbfRecordRead);
  return std::string_view(record.data(), n);
}

char dbfFlag(const DbfSubLayer& dbf) {
  char flag = ' ';
  gisGetBytes(dbfPlace(dbf), std::span<char>(&flag, 1), kDbfRecordRead);
  return flag;
}

// A record counted as read; the table's records must stay countable, as its header counts them.
void dbfCountRecord(DbfSubLayer& dbf) {
  if (dbf.records == INT32_MAX)
    gisRefuse(dbfPlace(dbf), "ERROR 0407 - Reading .dbf record.",
              kMessageIndent + "More records than a .dbf header can count.");
  dbf.records += 1;
}

// The deletion flag of the next record that is not deleted. A deleted record still counts as read:
// the header's count includes it.
char dbfNextLiveFlag(DbfSubLayer& dbf) {
  // The flag may have been read ahead already, when the object before the record was found.
  char flag = dbf.hasFlagAhead ? dbf.flagAhead : dbfFlag(dbf);
  dbf.hasFlagAhead = false;
  while (flag == kDbfRecordDeleted) {
    dbfRecordBytes(dbf, static_cast<std::size_t>(dbf.recordLength));
    dbfCountRecord(dbf);
    flag = dbfFlag(dbf);
  }
  return flag;
}

// The end mark; a header that promised more records is only a warning.
void dbfReachedEndMark(const DbfSubLayer& dbf) {
  if (dbf.records == dbf.headerRecordCount) return;
  gisSetMessage("WARNING 0405 - Insufficient number of records found in .dbf file.",
                kMessageIndent + "Found " + AINTEGER(dbf.records) + ", expecting " + AINTEGER(dbf.headerRecordCount) + ".");
  gisPrintMessage(0);
}

// The fields of one record, read whole and joined; bytes the record holds beyond its fields are
// passed over.
const std::string& dbfJoinFields(DbfSubLayer& dbf) {
  const std::string_view record = dbfRecordBytes(dbf, static_cast<std::size_t>(dbf.recordLength));
  std::string& joined = gGisRead.dbfLine;
  joined.clear();
  std::size_t at = 0;
  for (int i = 1; i <= dbf.nFields; ++i) {
    const std::size_t len = static_cast<std::size_t>(dbf.fieldLength[i]);
    std::string_view value = record.substr(at, len);
    at += len;
    value = value.substr(0, fixed::trimLen(value));
    const char type = dbf.fieldType[i].empty() ? ' ' : dbf.fieldType[i][0];
    if (type == 'C' || type == 'c') {
      if (value.find('"') == std::string_view::npos) {  // the usual value: nothing to double
        joined += '"';
        joined += value;
        joined += '"';
      } else {
        appendQuotedField(joined, value);
      }
    } else if (!value.empty() && value[0] == '*') {
      // A number field filled with asterisks holds no value (writers store an empty number so);
      // it reads as an empty value, as a blank one does, not as a 0 the writer never meant.
    } else {
      joined += value;
    }
    if (i < dbf.nFields) joined += ",";
  }
  return joined;
}

// One record as a data line; true when a record was read, false at the end mark. The line keeps
// its storage.
bool dbfReadOneRecord(DbfSubLayer& dbf, std::string& line) {
  // The line is filled once: by the record, or with blanks when there is none (and when the
  // table stops the run before a record is read).
  const std::size_t length = declaredLength(line);
  char flag = ' ';
  const std::string* joined = nullptr;
  try {
    flag = dbfNextLiveFlag(dbf);
    if (flag == kDbfRecordInUse || flag == '\0') joined = &dbfJoinFields(dbf);
  } catch (...) {
    line.assign(length, ' ');
    throw;
  }
  if (joined) {
    line.resize(length, ' ');
    fixed::assign(line, *joined);
    dbfCountRecord(dbf);
    return true;
  }
  line.assign(length, ' ');
  if (flag == kDbfEndMark) {
    dbfReachedEndMark(dbf);
    return false;
  }
  gisRefuse(dbfPlace(dbf), "ERROR 0406 - Unrecognised record identifier found in .dbf file.",
            "Character = " + std::string(1, flag) + " [" + AINTEGER(static_cast<unsigned char>(flag)) + "]",
            "Data line thus far = " + fixed::trimmed(line));
}

}  // namespace

int dbfPassDeletedRecord(DbfSubLayer& dbf) {
  const int unit = dbf.unit;
  if (unit <= 0) return 0;
  // The flag is kept with the table for the record reader rather than read again: no seek back
  // per object.
  if (!dbf.hasFlagAhead) {
    if (!fuGetBytes(unit, std::span<char>(&dbf.flagAhead, 1))) return 0;  // the end: the record reader reports it
    dbf.hasFlagAhead = true;
  }
  if (dbf.flagAhead != kDbfRecordDeleted) return 0;
  dbf.hasFlagAhead = false;
  dbfRecordBytes(dbf, static_cast<std::size_t>(dbf.recordLength));
  dbfCountRecord(dbf);
  gisSetMessage("WARNING 0409 - Deleted record " + AINTEGER(dbf.records) + " of .dbf file passed over with its object.",
                kMessageIndent + "File " + fuName(unit) + ".");
  gisPrintMessage(0);
  return dbf.records;
}

GisReadPlace gisLastRecordOf(int gisID) {
  const GisLayerSlot& slot = gGis.layers[gisID];
  if (slot.gisLayerType == kGisLayerMif) return {slot.mifLayer.midUnit, GisReadPlace::Kind::Row, 0};
  const DbfSubLayer& dbf = slot.dbfSubLayer[kShpInputSubLayer];
  return {dbf.unit, GisReadPlace::Kind::Record, dbf.records};
}

void dbfReadRecord(DbfSubLayer& dbf, bool& endOfData, std::string& line) {
  if (!dbfReadOneRecord(dbf, line)) endOfData = true;
}

void gisReadRecord(int gisID, const GisObject& gisO, std::string& line) {
  // The line is blank unless a record fills it; a record that is read fills it whole.
  const std::size_t length = declaredLength(line);
  if (gisID < 1 || gisID > kGisMaxLayers) line.assign(length, ' ');
  gisCheckHandle("gisReadRecord", gisID);
  GisLayerSlot& slot = gGis.layers[gisID];
  if (slot.gisLayerType == kGisLayerMif) {
    const int unit = slot.mifLayer.midUnit;
    std::string_view row;
    if (fuReadLineView(unit, gGisRead.textLine, row) != ReadStatus::Ok) {
      line.assign(length, ' ');
      gisRefuse({unit, GisReadPlace::Kind::Row, 1},
                "ERROR 0254 - Failed to read object attribute data record for a " + fixed::trimmed(gisO.typeName) +
                    " object in GIS layer.");
    }
    line.resize(length, ' ');
    fixed::assign(line, row);
    slot.gisEndOfData = fuAtEnd(unit);
    return;
  }
  if (slot.gisLayerType != kGisLayerShapefile) {
    line.assign(length, ' ');
    gisShouldNotBeHere("gisReadRecord");
  }
  DbfSubLayer& dbf = slot.dbfSubLayer[kShpInputSubLayer];
  if (!dbfReadOneRecord(dbf, line)) {
    slot.gisEndOfData = true;
    return;
  }
  if (!slot.gisEndOfData) slot.gisEndOfData = fuAtEnd(dbf.unit);
}
