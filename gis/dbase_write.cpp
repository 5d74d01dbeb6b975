// The dBASE III table writers: the header with its field descriptors, and one record split from
// an attribute data line. Every integer of the file is little-endian; the .dbf unit's own byte
// order gives that.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "gis/dbase_write.hpp"
#include "gis/gis_messages.hpp"
#include "gis/shapefile_format.hpp"
#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

DbfValueBuffers gDbfValues;
namespace {
const bool kEnrolled = processstate::enrol("gDbfValues", [] { gDbfValues.reset(); });

constexpr std::size_t kValueLength = 256;  // a value longer than its buffer entry is cut
const char* const kHeaderWriteError = "ERROR 0413 - Writing .dbf file header.";

void putU8(int unit, int v) {
  if (v < 0 || v > 255) gisShouldNotBeHere("i1u: i4 outside range");
  if (!fuPutU8(unit, static_cast<std::uint8_t>(v))) gisWriteFailure(kHeaderWriteError, fuName(unit));
}

void putU16(int unit, int v) {
  if (v < 0 || v > 65535) gisShouldNotBeHere("i2u: i4 outside range");
  if (!fuPutU16(unit, static_cast<std::uint16_t>(v))) gisWriteFailure(kHeaderWriteError, fuName(unit));
}

void putZeros(int unit, int n) {
  if (!fuPutBytes(unit, std::string(static_cast<std::size_t>(n), '\0')))
    gisWriteFailure(kHeaderWriteError, fuName(unit));
}

// The .dbf field of each attribute type, by the start of the type's name; a length of 0 takes the
// definition's width.
struct DbfFieldKind {
  std::string_view typePrefix;
  char type;
  int length;
  int decimals;
};
constexpr DbfFieldKind kDbfFieldKinds[] = {
    {"CHAR", 'C', 0, 0}, {"LOGICAL", 'C', 1, 0}, {"FLOAT", 'N', 16, 5}, {"INTEGER", 'N', 8, 0}, {"DECIMAL", 'N', 0, 0}};

// One field of the table from its attribute definition.
void dbfFieldFromDefinition(const GisAttributeDefs& defs, int i, DbfSubLayer& dbf) {
  const std::string cleaned = CLEANATTRIBUTENAME(fixed::fit(TRIMF(defs.name[i]), kGisAttributeNameLength));
  dbf.fieldName[i] = fixed::fit(fixed::trimmed(fixed::fit(cleaned, 10)), 11);

  const std::string type = UPPERCASE(TRIMF(defs.type[i]));
  for (const DbfFieldKind& kind : kDbfFieldKinds) {
    if (!type.starts_with(kind.typePrefix)) continue;
    dbf.fieldType[i].assign(1, kind.type);
    dbf.fieldLength[i] = kind.length > 0 ? kind.length : defs.width[i];
    dbf.decimals[i] = kind.decimals;
    return;
  }
  gisShouldNotBeHere("Unrecognised DBF field");
}

// The fixed header: version, date, counts and lengths.
void dbfWriteFileHeader(const DbfSubLayer& dbf) {
  const int unit = dbf.unit;
  putU8(unit, kDbfVersion);
  const std::time_t now = std::time(nullptr);
  const std::tm* today = std::localtime(&now);
  putU8(unit, today ? today->tm_year : 0);
  putU8(unit, today ? today->tm_mon + 1 : 1);
  putU8(unit, today ? today->tm_mday : 1);
  if (!fuPutI32(unit, dbf.headerRecordCount)) gisWriteFailure(kHeaderWriteError, fuName(unit));
  putU16(unit, dbfHeaderLength(dbf.nFields));
  putU16(unit, dbf.recordLength + 1);
  putZeros(unit, 20);
}

// One 32-byte descriptor per field, in field order.
void dbfWriteFieldDescriptors(const DbfSubLayer& dbf) {
  const int unit = dbf.unit;
  for (int i = 1; i <= dbf.nFields; ++i) {
    std::string name = fixed::trimmed(dbf.fieldName[i]);
    name.resize(11, '\0');
    if (!fuPutBytes(unit, name) || !fuPutBytes(unit, fixed::fit(dbf.fieldType[i], 1)))
      gisWriteFailure(kHeaderWriteError, fuName(unit));
    putZeros(unit, 4);
    if (dbf.fieldLength[i] < 1 || dbf.fieldLength[i] > 255)
      gisFail("ERROR 0412 - dbf field length of " + fixed::trimmed(AINTEGER(dbf.fieldLength[i])) +
              " is outside allowable range of 1 to 255 when writing dbf file.");
    putU8(unit, dbf.fieldLength[i]);
    putU8(unit, dbf.decimals[i]);
    putZeros(unit, 14);
  }
}

// ---- Records ----

// A quoted value starting at pos (the quote): its text with doubled quotes made single, and the
// position after the closing quote. False when the quote is never closed.
bool readQuotedValue(std::string_view line, std::size_t pos, std::string& value, std::size_t& after) {
  const char quote = line[pos];
  value.clear();
  for (std::size_t j = pos + 1; j < line.size();) {
    const std::size_t q = line.find(quote, j);
    if (q == std::string_view::npos) return false;
    value.append(line.substr(j, q - j));  // the text up to the next quote, in one piece
    if (q + 1 < line.size() && line[q + 1] == quote) {
      value += quote;
      j = q + 2;
    } else {
      after = q + 1;
      return true;
    }
  }
  return false;
}

// Splits the data line into the first nFields values. Values are separated by commas outside
// quotes; an unquoted value is the text up to the next comma without the blanks round it, so an
// identifier keeps its slashes, asterisks and inner blanks. A value in double or single quotes may
// hold commas, a doubled quote standing for one; after its closing quote only blanks and a comma,
// or the next value, may follow. A quote that is never closed is plain text. Fields beyond the
// values given, and null values, stay blank.
void splitDataLine(std::string_view line, int nFields, std::array<std::string, kDbfMaxFields + 1>& values,
                   int& used) {
  std::size_t pos = 0;
  int k = 0;
  while (k < nFields) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size()) break;
    // Each value is read into its own place, whose storage serves the next records as well.
    std::string& value = values[++k];
    std::size_t after = 0;
    if ((line[pos] == '"' || line[pos] == '\'') && readQuotedValue(line, pos, value, after)) {
      pos = after;
      while (pos < line.size() && line[pos] == ' ') ++pos;
      if (pos < line.size() && line[pos] == ',') ++pos;
    } else {
      std::size_t comma = line.find(',', pos);
      if (comma == std::string_view::npos) comma = line.size();
      value.assign(fixed::stripped(line.substr(pos, comma - pos)));
      pos = comma < line.size() ? comma + 1 : comma;
    }
    if (value.size() > kValueLength) value.resize(kValueLength);
  }
  // The places the last records filled behind this one's values are emptied.
  for (int j = k + 1; j <= used; ++j) values[j].clear();
  used = k;
}

// A plain decimal number ([sign]digits[.digits]) rounded to d decimals, exactly, on its digits.
std::string roundPlainDecimal(const std::string& sign, std::string intDigits, const std::string& frac, int d) {
  if (intDigits.empty()) intDigits.assign(1, '0');
  std::string digits = intDigits + frac.substr(0, static_cast<std::size_t>(d));
  const bool roundUp = static_cast<std::size_t>(d) < frac.size() && frac[static_cast<std::size_t>(d)] >= '5';
  if (roundUp) {
    std::size_t i = digits.size();
    while (i > 0) {
      --i;
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        ++digits[i];
        break;
      }
      if (i == 0) digits.insert(digits.begin(), '1');
    }
  }
  const std::size_t nInt = digits.size() - static_cast<std::size_t>(d);
  std::string out = sign + digits.substr(0, nInt);
  if (d > 0) out.append(1, '.').append(digits, nInt);
  return out;
}

bool isPlainDecimal(const std::string& t, std::string& sign, std::string& intDigits, std::string& frac) {
  std::size_t i = 0;
  sign.clear();
  intDigits.clear();
  frac.clear();
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) sign = t[i++];
  while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) intDigits += t[i++];
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) frac += t[i++];
  }
  return i == t.size() && !(intDigits.empty() && frac.empty());
}

}  // namespace

bool gisIsNumberText(std::string_view t) {
  auto digitsAt = [&t](std::size_t& i) {
    std::size_t n = 0;
    for (; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])); ++i) ++n;
    return n;
  };
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = digitsAt(i);
  if (i < t.size() && t[i] == '.') digits += digitsAt(++i);
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (digitsAt(i) == 0) return false;
  }
  return i == t.size();
}

namespace {

// A number too long for its field with as many decimals dropped (rounded) as it takes to fit, or,
// in a field without decimals, rounded to an integer; empty when that does not fit either.
std::string numberRoundedToWidth(const std::string& t, std::size_t width, bool integerOnly) {
  std::string sign, intDigits, frac;
  if (isPlainDecimal(t, sign, intDigits, frac)) {
    for (int d = integerOnly ? 0 : static_cast<int>(frac.size()); d >= 0; --d) {
      const std::string r = roundPlainDecimal(sign, intDigits, frac, d);
      if (r.size() <= width) return r;
    }
    return {};
  }
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || !std::isfinite(v)) return {};
  for (int d = integerOnly ? 0 : 17; d >= 0; --d) {
    char text[400];
    const int len = std::snprintf(text, sizeof text, "%.*f", d, v);
    if (len > 0 && static_cast<std::size_t>(len) <= width) return std::string(text, static_cast<std::size_t>(len));
  }
  return {};
}

// A value of a numeric field: right-justified in exactly its field length. A value too long is
// never cut to other digits: its blanks go first, then its decimals (all of them in a field
// without decimals); when even that does not fit the field is written blank, which readers take as
// no value. A value that is no number is written blank too. Both are reported.
std::string dbfNumericField(const std::string& value, DbfSubLayer& dbf, int i) {
  const std::size_t width = static_cast<std::size_t>(dbf.fieldLength[i]);
  std::string v = fixed::trimmed(value);
  const std::string_view number = fixed::stripped(v);
  if (!number.empty() && !gisIsNumberText(number)) {
    if (gisFirstValueWarning(dbf.valueWarnings[i], kWarnedNotANumber))
      gisWarnValue(dbf.unit, dbf.records + 1, "WARNING 0415 - Value " + std::string(number) + " is not a number, written blank in .dbf field " +
                         fixed::trimmed(dbf.fieldName[i]) + ".");
    return std::string(width, ' ');
  }
  if (v.size() > width) v = std::string(number);
  if (v.size() > width) {
    const std::string rounded = numberRoundedToWidth(v, width, dbf.decimals[i] == 0);
    if (rounded.empty()) {
      if (gisFirstValueWarning(dbf.valueWarnings[i], kWarnedTooWide))
        gisWarnValue(dbf.unit, dbf.records + 1, "WARNING 0414 - Value " + v + " too long for .dbf field " + fixed::trimmed(dbf.fieldName[i]) +
                           ", written blank.");
      return std::string(width, ' ');
    }
    v = rounded;
  }
  return std::string(width - v.size(), ' ') + v;
}

// A value of a character field into its place in the record: left-justified, cut to the field
// length, blank-padded.
void dbfCharacterField(char* out, const std::string& value, std::size_t width) {
  const std::size_t n = std::min(fixed::trimLen(value), width);
  fixed::copyShort(out, value.data(), n);
  fixed::fillBlanks(out + n, width - n);
}

// The length of the common numeric value, a plain decimal number ([sign]digits[.digits]) that
// fits its field, leading blanks included, as dbfNumericField counts them; 0 for any other value,
// which dbfNumericField then handles.
std::size_t dbfPlainNumberLength(const std::string& value, std::size_t width) {
  const std::size_t n = fixed::trimLen(value);
  if (n == 0 || n > width) return 0;
  std::size_t i = 0;
  while (value[i] == ' ') ++i;
  if (value[i] == '+' || value[i] == '-') ++i;
  std::size_t digits = 0;
  for (bool point = false; i < n; ++i) {
    const char c = value[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return 0;
    }
  }
  return digits == 0 ? 0 : n;
}

// The guards that keep a record inside its buffers: the table is open and its header was written.
// The length of a record of those fields, its flag byte included.
std::size_t dbfCheckRecordCanBeWritten(const DbfSubLayer& dbf, const char* routine) {
  if (dbf.unit < 1 || dbf.nFields < 1 || dbf.nFields > kDbfMaxFields) gisShouldNotBeHere(routine);
  std::size_t length = 1;
  for (int i = 1; i <= dbf.nFields; ++i) {
    if (dbf.fieldLength[i] < 1 || dbf.fieldLength[i] > 255) gisShouldNotBeHere(routine);
    length += static_cast<std::size_t>(dbf.fieldLength[i]);
  }
  return length;
}

bool isCharacterField(const DbfSubLayer& dbf, int i) {
  const std::string& type = dbf.fieldType[i];
  return type.size() == 1 && (type[0] == 'C' || type[0] == 'c');
}

// The record into out: the flag byte of a record in use, then each field in exactly its length.
// plain holds the length of each plain numeric value, 0 for the others; character whether each
// field is a character field.
void dbfFillRecord(char* out, DbfSubLayer& dbf, const std::array<std::string, kDbfMaxFields + 1>& values,
                   const std::array<std::size_t, kDbfMaxFields + 1>& plain,
                   const std::array<bool, kDbfMaxFields + 1>& character) {
  *out++ = kDbfRecordInUse;
  for (int i = 1; i <= dbf.nFields; ++i) {
    const std::size_t width = static_cast<std::size_t>(dbf.fieldLength[i]);
    const std::string& value = values[i];
    if (character[i]) {
      dbfCharacterField(out, value, width);
    } else if (const std::size_t n = plain[i]; n > 0) {
      fixed::fillBlanks(out, width - n);
      fixed::copyShort(out + (width - n), value.data(), n);
    } else {
      const std::string field = dbfNumericField(value, dbf, i);
      std::memcpy(out, field.data(), width);
    }
    out += width;
  }
}

void dbfWriteRecord(DbfSubLayer& dbf, const std::string& dataLine,
                    std::array<std::string, kDbfMaxFields + 1>& values, int& used, const char* routine,
                    const char* writeError) {
  const std::size_t length = dbfCheckRecordCanBeWritten(dbf, routine);
  splitDataLine(std::string_view(dataLine).substr(0, fixed::trimLen(dataLine)), dbf.nFields, values, used);
  std::array<std::size_t, kDbfMaxFields + 1>& plain = gDbfValues.plain;
  std::array<bool, kDbfMaxFields + 1>& character = gDbfValues.character;
  bool allPlain = true;
  for (int i = 1; i <= dbf.nFields; ++i) {
    character[i] = isCharacterField(dbf, i);
    plain[i] = character[i] ? 0 : dbfPlainNumberLength(values[i], static_cast<std::size_t>(dbf.fieldLength[i]));
    allPlain = allPlain && (plain[i] > 0 || character[i]);
  }
  // A record of plain values is built in its record buffer, in the table's write buffer. One with
  // another value is built apart first, as a warning about that value may write elsewhere.
  // The record's storage holds nothing between calls; every byte is written.
  std::string& record = gDbfValues.record;
  const char* filled = nullptr;
  if (!allPlain) {
    record.resize(length);
    dbfFillRecord(record.data(), dbf, values, plain, character);
    filled = record.data();
  }
  RecordBuffer out(dbf.unit, length);
  if (char* at = out.take(length)) {
    if (filled) std::memcpy(at, filled, length);
    else dbfFillRecord(at, dbf, values, plain, character);
  }
  if (!out.commit()) gisWriteFailure(writeError, fuName(dbf.unit));
}

}  // namespace

void dbfWriteHeader(const GisAttributeDefs& defs, DbfSubLayer& dbf) {
  if (dbf.unit < 1) return;

  if (!fuRewind(dbf.unit)) gisWriteFailure(kHeaderWriteError, fuName(dbf.unit));
  dbf.headerRecordCount = defs.recordCount;
  dbf.nFields = defs.n;

  if (dbf.nFields > kDbfMaxFields) gisFail("ERROR 0411 - Exceeded maximum number of dbf Fields trying to write dbf file.");
  if (dbf.nFields < 1) gisFail("ERROR 0319 - No attributes specified when writing .dbf file.");

  for (int i = 1; i <= dbf.nFields; ++i) dbfFieldFromDefinition(defs, i, dbf);

  // The record length and its deletion flag must fit the header's 16-bit field.
  std::int64_t total = 0;
  for (int i = 1; i <= dbf.nFields; ++i) total += dbf.fieldLength[i];
  if (total > 65534) gisShouldNotBeHere("dbfTotLen>32767");
  dbf.recordLength = static_cast<int>(total);

  dbfWriteFileHeader(dbf);
  dbfWriteFieldDescriptors(dbf);
  putU8(dbf.unit, kDbfHeaderEnd);
}

void dbfdataline(DbfSubLayer& dbf) {
  dbfWriteRecord(dbf, gGis.gisDataLine, gDbfValues.values, gDbfValues.used, "dbfdataline",
                 "ERROR 0417 - Writing .dbf record.");
}

void dbfdatalinelarge(DbfSubLayer& dbf) {
  dbfWriteRecord(dbf, gGis.gisDataLineLarge, gDbfValues.valuesLarge, gDbfValues.usedLarge, "dbfdatalinelarge",
                 "ERROR 0417 - Writing large .dbf record.");
}
