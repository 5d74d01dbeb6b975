// Reading the objects of an input layer one at a time: the next object's kind, counts and part
// table, then its coordinates (or those of its next part) with a label position, angle and length.
// Regions come back in the ring layout of the inside-polygon routines: each ring as read, then one
// more copy of its second vertex, ir(j) the index of ring j's last point as read.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <string>
#include <vector>

#include "geometry/geometry.hpp"
#include "gis/gis_messages.hpp"
#include "gis/gis_read.hpp"
#include "gis/gis_state.hpp"
#include "gis/shapefile_format.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/run_control.hpp"

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

// How many vertices the caller's arrays can take (element 0 is unused), and with maxNodes the
// most that may be stored.
int capacityOf(std::span<double> x, std::span<double> y) {
  const std::size_t n = std::min(x.size(), y.size());
  return n < 1 ? 0 : static_cast<int>(std::min<std::size_t>(n - 1, kGisMaxVertices));
}
int limitOf(std::span<double> x, std::span<double> y, int maxNodes) {
  return std::min(maxNodes, capacityOf(x, y));
}

[[noreturn]] void tooManyNodes(const GisReadPlace& place, const char* text, std::int64_t requested, int limit) {
  gisRefuse(place, text, "             Requested" + rightAligned(AINTEGER8(requested), 8) + "        Limit" +
                             rightAligned(AINTEGER(limit), 8));
}

// The type name stored in the object's field of its declared length, without allocating.
void setTypeName(GisObject& gisO, std::string_view name) {
  gisO.typeName.resize(kGisTypeNameLength, ' ');
  fixed::assign(gisO.typeName, name);
}

// ---- shapefile ----------------------------------------------------------------------------------

const char* const kShpTypeError = "ERROR 0424 - Reading .shp file object type.";
const char* const kShpCoordError = "ERROR 0429 - Reading .shp file object coordinates.";
const char* const kShpNodes = "ERROR 0310 - Exceeded number of allowable nodes in a single .shp polyline or region.";

const char* shpTypeName(int type) {
  for (const ShpTypeName& t : kShpTypeNames)
    if (t.type == type) return t.name;
  return "Unknown";
}

const GisReadFailure kShpTypeRead{"ERROR 0425 - End of .shp file encountered whilst reading object type.",
                                  kShpTypeError};
const GisReadFailure kShpCoordRead{"ERROR 0430 - End of .shp file encountered whilst reading object coordinates.",
                                   kShpCoordError};

// The record being read, as a refusal names it. A unit that no layer reads has no count of its
// records: the place where the record starts is named instead.
GisReadPlace shpPlace(const ShpSubLayer& shp) {
  if (shp.readRecord > 0) return {shp.shpUnitLE, GisReadPlace::Kind::Record, shp.readRecord};
  return {shp.shpUnitLE, GisReadPlace::Kind::Byte, static_cast<std::int64_t>(shp.recordStart)};
}

// A number in the file that cannot be what it claims to be.
[[noreturn]] void shpCorrupt(const ShpSubLayer& shp, const char* line1, const std::string& what) {
  gisRefuse(shpPlace(shp), line1, kMessageIndent + what + " in file " + fuName(shp.shpUnitLE) + ".");
}

std::int32_t shpTypeI32(const ShpSubLayer& shp) { return gisGetI32(shpPlace(shp), kShpTypeRead); }
void shpSkipBox(const ShpSubLayer& shp) {
  char box[kShpBoxBytes];
  gisGetBytes(shpPlace(shp), box, kShpTypeRead);
}

// The read failure that goes with the message of a corrupt count.
const GisReadFailure& shpReadOf(const char* line1) { return line1 == kShpTypeError ? kShpTypeRead : kShpCoordRead; }

std::int32_t shpPointCount(const ShpSubLayer& shp, const char* line1) {
  const std::int32_t n = gisGetI32(shpPlace(shp), shpReadOf(line1));
  if (n < 0) shpCorrupt(shp, line1, "Point count of " + AINTEGER8(n) + " is negative");
  return n;
}

std::uint64_t shpContentWords(const ShpSubLayer& shp) { return (shp.recordEnd - shp.recordStart) / 2; }

// The record's content must hold what its counts claim: need bytes from the current position.
// Bytes beyond what the shape needs are allowed; the next record is placed by the content length.
void shpCheckFitsRecord(const ShpSubLayer& shp, std::int64_t need, const char* line1) {
  const std::uint64_t here = fuTell(shp.shpUnitLE);
  if (need < 0 || here > shp.recordEnd || static_cast<std::uint64_t>(need) > shp.recordEnd - here)
    shpCorrupt(shp, line1,
               "Record content length of " + AINTEGER8(static_cast<std::int64_t>(shpContentWords(shp))) +
                   " words is too short for the counts it holds");
}

// count items of size bytes each, passed to use(item, k) in turn for k = 0 .. count - 1. They are
// read in blocks through a fixed buffer, so that no item count allocates, after a check that the
// file holds them all: a short file stops the run before any item is used.
template <class Use>
void shpReadItems(const ShpSubLayer& shp, int count, std::size_t size, const GisReadFailure& failure, Use use) {
  const int unit = shp.shpUnitLE;
  const std::uint64_t here = fuTell(unit), end = fuSize(unit);
  const std::uint64_t bytes = static_cast<std::uint64_t>(std::max(count, 0)) * size;
  if (here > end || bytes > end - here) gisStopReading(shpPlace(shp), failure);
  std::array<char, 4096> block;
  const int perBlock = static_cast<int>(block.size() / size);
  for (int k = 0; k < count;) {
    const int n = std::min(perBlock, count - k);
    gisGetBytes(shpPlace(shp), std::span<char>(block.data(), static_cast<std::size_t>(n) * size), failure);
    const auto* item = reinterpret_cast<const unsigned char*>(block.data());
    for (int i = 0; i < n; ++i, ++k, item += size) use(item, k);
  }
}

// The part offsets into ir(1..nParts), then ir(nParts+1) := nPoints; each offset must lie within
// the record's points and none may go back, so every part count taken from them is sound.
void shpReadPartOffsets(const ShpSubLayer& shp, GisObject& gisO, int nParts, int nPoints, const char* line1) {
  const byteorder::Order order = fuOrder(shp.shpUnitLE);
  int previous = 0;
  shpReadItems(shp, nParts, kShpPartStartBytes, shpReadOf(line1), [&](const unsigned char* item, int k) {
    const std::int32_t offset = byteorder::getI32(item, order);
    if (offset < previous || offset > nPoints)
      shpCorrupt(shp, line1,
                 "Part offset of " + AINTEGER8(offset) + " is outside " + AINTEGER8(previous) + " to " + AINTEGER8(nPoints));
    gisO.ir[static_cast<std::size_t>(k) + 1] = offset;
    previous = offset;
  });
  gisO.ir[static_cast<std::size_t>(nParts) + 1] = nPoints;
}

// n pairs of doubles; pair k goes to x(first+k), y(first+k) when store is set.
void shpReadPairs(const ShpSubLayer& shp, int n, std::span<double> x, std::span<double> y, int first, bool store) {
  if (n <= 0) return;
  const int unit = shp.shpUnitLE;
  if (!store) {  // passed over without reading, however many there are
    const std::uint64_t here = fuTell(unit), size = fuSize(unit);
    const std::uint64_t bytes = static_cast<std::uint64_t>(n) * kShpPointBytes;
    if (here > size || bytes > size - here || !fuSeek(unit, here + bytes)) gisStopReading(shpPlace(shp), kShpCoordRead);
    return;
  }
  const byteorder::Order order = fuOrder(unit);
  shpReadItems(shp, n, kShpPointBytes, kShpCoordRead, [&](const unsigned char* pair, int k) {
    x[static_cast<std::size_t>(first + k)] = byteorder::getF64(pair, order);
    y[static_cast<std::size_t>(first + k)] = byteorder::getF64(pair + 8, order);
  });
}

// The record number and content length, then the shape type. The content length places the
// record's end, which the reads of its shape must stay within and where the next record starts.
// A content length that cannot be right is told of the record it belongs to: a header that is not
// that of the record expected stands where the previous record's content length put it.
int shpReadRecordHeader(ShpSubLayer& shp) {
  const int unit = shp.shpUnitLE;
  const bool counted = shp.readRecord >= 0;
  const std::int64_t expected = shp.readRecord + 1;
  const ShpSubLayer previous = shp;
  if (counted) shp.readRecord = expected;
  shp.recordStart = shp.recordEnd = fuTell(unit);
  char b[8];
  gisGetBytes(shpPlace(shp), b, kShpTypeRead);
  const auto* header = reinterpret_cast<const unsigned char*>(b);
  const std::int32_t number = byteorder::getI32(header, byteorder::Order::Big);
  const std::int32_t words = byteorder::getI32(header + 4, byteorder::Order::Big);
  const std::uint64_t here = fuTell(unit), size = fuSize(unit);
  if (words < kShpNullContentWords || here > size || static_cast<std::uint64_t>(words) * 2 > size - here) {
    if (counted && previous.readRecord >= 1 && number != expected)
      shpCorrupt(previous, kShpTypeError,
                 "Record content length of " + AINTEGER8(static_cast<std::int64_t>(shpContentWords(previous))) +
                     " words does not end at the header of the next record");
    shpCorrupt(shp, kShpTypeError, "Record content length of " + AINTEGER8(words) + " words runs past the end of the file");
  }
  shp.recordStart = here;
  shp.recordEnd = here + static_cast<std::uint64_t>(words) * 2;
  return shpTypeI32(shp);
}

void shpPolylineHeader(const ShpSubLayer& shp, GisObject& gisO) {
  shpSkipBox(shp);
  const std::int32_t nParts = shpTypeI32(shp);
  if (nParts >= kGisMaxParts)
    gisRefuse(shpPlace(shp),
              "ERROR 0421 - Exceeded maximum number of parts in a .shp polyline.  Limit is " + AINTEGER8(kGisMaxParts));
  if (nParts < 0) shpCorrupt(shp, kShpTypeError, "Part count of " + AINTEGER8(nParts) + " is negative");
  gisO.nSections = nParts;
  if (nParts == 1) gisO.isPline = true;
  if (nParts >= 2) gisO.isPlineMultiple = true;
  const std::int32_t nPoints = shpPointCount(shp, kShpTypeError);
  shpCheckFitsRecord(shp,
                     kShpPartStartBytes * static_cast<std::int64_t>(nParts) +
                         kShpPointBytes * static_cast<std::int64_t>(nPoints),
                     kShpTypeError);
  shpReadPartOffsets(shp, gisO, nParts, nPoints, kShpTypeError);
}

void shpPolygonHeader(const ShpSubLayer& shp, GisObject& gisO) {
  gisO.isRegion = true;
  shpSkipBox(shp);
  const std::int32_t nParts = shpTypeI32(shp);
  if (nParts >= kGisMaxParts)
    gisRefuse(shpPlace(shp),
              "ERROR 0422 - Exceeded maximum number of regions within a .shp region.  Limit is " + AINTEGER8(kGisMaxParts));
  if (nParts < 0) shpCorrupt(shp, kShpTypeError, "Ring count of " + AINTEGER8(nParts) + " is negative");
  shpCheckFitsRecord(shp, kShpCountBytes + kShpPartStartBytes * static_cast<std::int64_t>(nParts), kShpTypeError);
  gisO.nr = nParts;
}

// A polygon: every ring in one call, stored in the ring layout.
void shpReadPolygon(const ShpSubLayer& shp, GisObject& gisO, std::span<double> x, std::span<double> y, int limit,
                    int& nPoints, bool lRead) {
  const int nr = gisO.nr;
  if (nr < 0 || nr >= kGisMaxParts) gisShouldNotBeHere("shpReadObject");
  const std::int32_t total = shpPointCount(shp, kShpCoordError);
  shpCheckFitsRecord(shp,
                     kShpPartStartBytes * static_cast<std::int64_t>(nr) +
                         kShpPointBytes * static_cast<std::int64_t>(total),
                     kShpCoordError);
  shpReadPartOffsets(shp, gisO, nr, total, kShpCoordError);
  for (int j = 1; j <= nr; ++j)  // a ring of no points has no vertex to stand in its layout
    if (gisO.ir[static_cast<std::size_t>(j) + 1] == gisO.ir[static_cast<std::size_t>(j)])
      shpCorrupt(shp, kShpCoordError, "Ring " + AINTEGER8(j) + " of a region has no points");
  if (lRead && static_cast<std::int64_t>(nr) + total > limit)
    tooManyNodes(shpPlace(shp), kShpNodes, static_cast<std::int64_t>(nr) + total, limit);
  int s = 0;
  for (int j = 1; j <= nr; ++j) {
    const std::size_t jj = static_cast<std::size_t>(j);
    const int n = gisO.ir[jj + 1] - gisO.ir[jj];
    shpReadPairs(shp, n, x, y, s + 1, lRead);
    if (lRead) {
      // A ring of one point has no second vertex; that point stands in.
      const std::size_t src = static_cast<std::size_t>(n >= 2 ? s + 2 : s + 1);
      x[static_cast<std::size_t>(s + n + 1)] = x[src];
      y[static_cast<std::size_t>(s + n + 1)] = y[src];
    }
    gisO.ir[jj] = s + n;
    s += n + 1;
  }
  nPoints = nr < 1 ? 0 : s;
}

// ---- MIF ------------------------------------------------------------------------------------------

const char* const kMifRead = "ERROR 0308 - Reading .mif file.  Check file format is not corrupted.";
const char* const kMifEnd = "ERROR 0309 - Unexpected end of .mif file encountered.";
const char* const kMifNodes = "ERROR 0310 - Exceeded number of allowable nodes in a single polyline or region.";
const char* const kMifRegion = "ERROR 0318 - Less than 5 points for Region object in mif file.";

struct MifKeyword {
  std::string_view word;
  bool GisObject::*flag;
};
// In the order they are tried; the keywords of one first letter stand together.
constexpr std::array<MifKeyword, 13> kMifObjectKeywords{{
    {"POINT", &GisObject::isPoint},
    {"PLINE MULTIPLE", &GisObject::isPlineMultiple},
    {"PLINE", &GisObject::isPline},
    {"LINE", &GisObject::isLine},
    {"REGION", &GisObject::isRegion},
    {"RECT", &GisObject::isRect},
    {"ROUNDRECT", &GisObject::isRoundRect},
    {"MULTIPOINT", &GisObject::isMultiPoint},
    {"NONE", &GisObject::isNone},
    {"TEXT", &GisObject::isText},
    {"ARC", &GisObject::isArc},
    {"ELLIPSE", &GisObject::isEllipse},
    {"COLLECTION", nullptr},
}};

// For each capital letter, the keywords that begin with it: where they start in the table and
// how many there are. A line is tried against those alone.
struct MifKeywordRun {
  std::uint8_t first = 0;
  std::uint8_t count = 0;
};
constexpr std::array<MifKeywordRun, 26> mifKeywordRuns() {
  std::array<MifKeywordRun, 26> runs{};
  for (std::size_t k = 0; k < kMifObjectKeywords.size(); ++k) {
    MifKeywordRun& run = runs[static_cast<std::size_t>(kMifObjectKeywords[k].word[0] - 'A')];
    if (run.count == 0) run.first = static_cast<std::uint8_t>(k);
    run.count += 1;
  }
  return runs;
}
constexpr std::array<MifKeywordRun, 26> kMifKeywordRuns = mifKeywordRuns();
constexpr bool mifKeywordRunsAreWhole() {
  for (const MifKeywordRun& run : kMifKeywordRuns)
    for (std::size_t k = run.first; k < run.first + run.count; ++k)
      if (kMifObjectKeywords[k].word[0] != kMifObjectKeywords[run.first].word[0]) return false;
  return true;
}
static_assert(mifKeywordRunsAreWhole(), "the keywords of one first letter stand together");

// A refusal while the .mif is read names the line read last.
[[noreturn]] void mifRefuse(int unit, const std::string& line1, const std::string& line2 = "") {
  gisRefuse(gisLineOf(unit), line1, line2);
}
[[noreturn]] void mifCorrupt(int unit, const std::string& what) {
  mifRefuse(unit, kMifRead, kMessageIndent + what + " in file " + fuName(unit) + ".");
}

// A "Center" line alone is no object: a file that ends after one has no further object.
bool anyKind(const GisObject& o) {
  return o.isNone || o.isPoint || o.isLine || o.isPline || o.isPlineMultiple || o.isRegion || o.isEllipse ||
         o.isRect || o.isRoundRect || o.isArc || o.isText || o.isMultiPoint;
}

// The first character after blanks and TABs (1-based) of a line.
std::size_t mifKeyPosition(std::string_view line) {
  const std::size_t tl = fixed::trimLen(line);
  std::size_t pos = 1;
  while (pos < tl && (line[pos - 1] == ' ' || line[pos - 1] == '\t')) ++pos;
  return pos;
}

// The text begins with word (capitals and blanks), its letters a to z taken in either case and
// blanks beyond the text's end.
bool mifStartsWith(std::string_view text, std::string_view word) {
  const std::size_t n = std::min(text.size(), word.size());
  for (std::size_t i = 0; i < n; ++i) {
    // A capital matches itself and its small letter, a blank only a blank.
    const char c = text[i], w = word[i];
    if (c != w && (w == ' ' || (c | 0x20) != (w | 0x20))) return false;
  }
  return word.find_first_not_of(' ', n) == std::string_view::npos;
}

// The object keyword the text begins with, in the table's order; null for any other line. Most
// lines passed over (styles, vertices) are told apart by their first character alone.
const MifKeyword* mifMatchKeyword(std::string_view text) {
  if (text.empty()) return nullptr;
  const char c = text[0];
  const char first = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  if (first < 'A' || first > 'Z') return nullptr;
  const MifKeywordRun run = kMifKeywordRuns[static_cast<std::size_t>(first - 'A')];
  for (std::size_t k = run.first; k < run.first + run.count; ++k)
    if (mifStartsWith(text, kMifObjectKeywords[k].word)) return &kMifObjectKeywords[k];
  return nullptr;
}

// The text of a line from its position pos (1-based) on.
std::string_view mifTextFrom(std::string_view line, std::size_t pos) {
  return line.substr(std::min(line.size(), pos - 1));
}

// A line as the reads of the layer take it: cut to its 1000 characters.
std::string_view mifCut(std::string_view line) { return line.substr(0, kTextLength); }

// The next line where it stands, cut; it holds until the unit is read again. Style lines and
// vertices are neither copied nor padded.
std::string_view mifNextLine(int unit, ReadStatus& st) {
  std::string_view line;
  st = fuReadLineView(unit, gGisRead.textLine, line);
  return mifCut(line);
}

// The next line in the search for an object keyword.
std::string_view mifReadObjectLine(int unit) {
  ReadStatus st = ReadStatus::Ok;
  const std::string_view line = mifNextLine(unit, st);
  if (st == ReadStatus::End) mifRefuse(unit, "ERROR 0322 - End of .mif file encountered whilst reading object type.");
  if (st != ReadStatus::Ok) mifRefuse(unit, "ERROR 0321 - Reading .mif file object type.");
  return line;
}

// The next line of an object's coordinates or counts.
std::string_view mifReadDataLine(int unit) {
  ReadStatus st = ReadStatus::Ok;
  const std::string_view line = mifNextLine(unit, st);
  if (st == ReadStatus::End) mifRefuse(unit, kMifEnd);
  if (st != ReadStatus::Ok) mifRefuse(unit, kMifRead);
  return line;
}

// The whole number that a free-format read takes first from text. The usual form (blanks, then
// digits that end the item) is read where it stands; any other goes to the full read.
bool mifWholeNumber(std::string_view text, std::int32_t& n) {
  std::size_t p = 0;
  while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
  const std::size_t first = p;
  std::int32_t v = 0;
  while (p < text.size() && p - first < 9 && text[p] >= '0' && text[p] <= '9') v = v * 10 + (text[p++] - '0');
  const bool ends = p == text.size() || text[p] == ' ' || text[p] == '\t' || text[p] == ',' || text[p] == '/';
  if (p > first && ends) {
    n = v;
    return true;
  }
  return CHECKINT(std::string(text), n);
}

// The whole number that follows a keyword; missing or broken counts make the file unreadable.
int mifKeywordCount(int unit, std::string_view text, std::string_view keyword) {
  std::int32_t n = 0;
  if (!mifWholeNumber(text, n)) mifCorrupt(unit, "No count after " + std::string(keyword));
  return n;
}

void mifKeywordCounts(int unit, const MifKeyword& keyword, std::string_view after, GisObject& gisO,
                      std::string_view line) {
  const std::string_view word = keyword.word;
  if (keyword.flag == &GisObject::isPlineMultiple || keyword.flag == &GisObject::isMultiPoint) {
    const int n = mifKeywordCount(unit, after, word);
    // A multipoint is read one point per call, so only its parts' table bounds a multiple polyline.
    const int most = keyword.flag == &GisObject::isMultiPoint ? INT32_MAX : kGisMaxParts;
    if (n < 0 || n > most)
      mifCorrupt(unit, "Count of " + AINTEGER8(n) + " after " + std::string(word) + " is outside 0 to " + AINTEGER8(most));
    gisO.nSections = n;
  } else if (keyword.flag == &GisObject::isRegion) {
    const int n = mifKeywordCount(unit, after, word);
    if (n > kGisMaxParts)
      mifRefuse(unit, "ERROR 0304 - Exceeded maximum number of polygons in region below of " + AINTEGER8(kGisMaxParts),
                fixed::trimmed(line));
    gisO.nr = n;
  }
}

// Numbers read free-format, as the reads of the MIF layer take them.
enum class Got { Ok, RunOut, Bad };

// count numbers from one text; values before a failure are kept.
Got mifNumbersFromText(const std::string& text, int count, double* values, int& got) {
  for (const FreeItem& item : freeFormatItems(text)) {
    if (got == count) break;
    if (!item.present) {
      ++got;  // a null value leaves its number as it was
      continue;
    }
    if (!readFreeFormatReal(item, values[got])) return Got::Bad;
    ++got;
  }
  return got == count ? Got::Ok : Got::RunOut;
}

// The same, where a text of plain numbers, the usual vertex line, is read in place without an
// allocation; any other text (a null value, a repeat, a pair split over lines) goes to the item
// list, which reads it from its start again.
Got mifNumbersFromLine(std::string_view text, int count, double* values, int& got) {
  text = text.substr(0, kTextLength);
  if (freeFormatReadDoubles(text, count - got, values + got) == FreeReadStatus::Ok) {
    got = count;
    return Got::Ok;
  }
  return mifNumbersFromText(fixed::fit(text, kTextLength), count, values, got);
}

// count numbers from the next lines of the unit: a read starts on a new line and goes on over
// further lines until it has them all.
void mifNumbersFromUnit(int unit, int count, double* values) {
  int got = 0;
  for (;;) {
    const Got r = mifNumbersFromLine(mifReadDataLine(unit), count, values, got);
    if (r == Got::Ok) return;
    if (r == Got::Bad) mifRefuse(unit, kMifRead);
  }
}

void mifNumbersFromRest(int unit, const std::string& rest, int count, double* values) {
  int got = 0;
  const Got r = mifNumbersFromLine(rest, count, values, got);
  if (r == Got::RunOut) mifRefuse(unit, kMifEnd);
  if (r == Got::Bad) mifRefuse(unit, kMifRead);
}

// A point count: the whole number on the next line that holds anything.
int mifCountFromUnit(int unit) {
  for (;;) {
    const std::string_view text = mifReadDataLine(unit);
    if (fixed::isBlank(text)) continue;
    std::int32_t n = 0;
    if (!mifWholeNumber(text, n)) mifRefuse(unit, kMifRead);
    if (n < 0) mifCorrupt(unit, "Point count of " + AINTEGER8(n) + " is negative");
    return n;
  }
}

void mifPassLines(int unit, int n) {
  for (int k = 0; k < n; ++k) mifReadDataLine(unit);
}

void mifReadPairInto(int unit, std::span<double> x, std::span<double> y, std::size_t i) {
  double v[2] = {0.0, 0.0};
  mifNumbersFromUnit(unit, 2, v);
  if (i < x.size() && i < y.size()) {
    x[i] = v[0];
    y[i] = v[1];
  }
}

// A polyline or one section of a multiple polyline: n pairs, one read each.
void mifReadPolyline(int unit, int n, std::span<double> x, std::span<double> y, int limit, bool lRead) {
  if (lRead) {
    if (n > limit) tooManyNodes(gisLineOf(unit), kMifNodes, n, limit);
    for (int i = 1; i <= n; ++i) mifReadPairInto(unit, x, y, static_cast<std::size_t>(i));
    return;
  }
  if (n < 1) return;
  mifReadPairInto(unit, x, y, 1);
  mifPassLines(unit, n - 1);
}

void mifReadRegion(int unit, GisObject& gisO, std::span<double> x, std::span<double> y, int limit, int& nPoints,
                   bool lRead) {
  nPoints = 0;
  if (gisO.nr < 1) mifRefuse(unit, kMifRegion);
  if (gisO.nr > kGisMaxParts) gisShouldNotBeHere("mifReadObject");
  // The ring counts come from the file: their running total is kept in 64 bits, so no count, however
  // large, can wrap it round to a place inside or before the arrays.
  std::int64_t total = 0;
  int start = 1;
  for (int j = 1; j <= gisO.nr; ++j) {
    const int n = mifCountFromUnit(unit);
    if (n < 1) mifCorrupt(unit, "Ring " + AINTEGER8(j) + " of a region has no points");
    total += static_cast<std::int64_t>(n) + 1;
    if (lRead) {
      if (total > limit) tooManyNodes(gisLineOf(unit), kMifNodes, total, limit);
      const int end = static_cast<int>(total);
      for (int i = start; i <= end - 1; ++i) mifReadPairInto(unit, x, y, static_cast<std::size_t>(i));
      // A ring of one point has no second vertex; that point stands in.
      const std::size_t src = static_cast<std::size_t>(n >= 2 ? start + 1 : start);
      x[static_cast<std::size_t>(end)] = x[src];
      y[static_cast<std::size_t>(end)] = y[src];
      gisO.ir[static_cast<std::size_t>(j)] = end - 1;
      start = end + 1;
    } else if (j == 1) {
      mifReadPairInto(unit, x, y, 1);
      mifPassLines(unit, n - 1);
    } else {
      mifPassLines(unit, n);
    }
  }
  // A region passed over whose points outnumber what the count can hold (its lines were all there)
  // reports the largest count.
  nPoints = static_cast<int>(std::min<std::int64_t>(total, INT32_MAX));
  if (total < 5) mifRefuse(unit, kMifRegion);
}

// The next line whole in the bytes read ahead, as a line read takes it (its line end and a CR
// before it left out, cut), and the bytes ahead moved on behind it; the bytes it took, 0 when no
// whole line is left.
std::size_t mifTakeLineAhead(std::string_view& ahead, std::string_view& line) {
  const std::size_t end = ahead.find('\n');
  if (end == std::string_view::npos) return 0;
  line = mifCut(ahead.substr(0, end > 0 && ahead[end - 1] == '\r' ? end - 1 : end));
  ahead.remove_prefix(end + 1);
  return end + 1;
}

// The text of a line behind its leading blanks and TABs, where a keyword stands.
std::string_view mifKeyText(std::string_view line) {
  std::size_t p = 0;
  while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
  return line.substr(p);
}

// After a region: style lines are passed over up to the next object keyword. Its line is left to
// be read again and is kept with the layer, so that the search for the next object takes it
// without a second read. A "Center" line on the way gives the region's label position. The lines
// are looked at where they stand in the block read ahead, and the unit is moved once, to where the
// search leaves it; a line beyond the block is read.
void mifLookAhead(MifLayer& mif, bool& labelWanted, double& xc, double& yc) {
  const int unit = mif.mifUnit;
  std::uint64_t lineStart = 0;
  std::string_view ahead = fuBytesAhead(unit, lineStart);
  std::uint64_t unitAt = lineStart;  // where the unit stands
  for (;;) {
    std::string_view line;
    std::uint64_t lineEnd = 0;
    if (const std::size_t taken = mifTakeLineAhead(ahead, line)) {
      lineEnd = lineStart + taken;
    } else {
      if (unitAt != lineStart) fuSeek(unit, lineStart);
      if (fuAtEnd(unit)) return;
      line = mifReadObjectLine(unit);
      ahead = fuBytesAhead(unit, lineEnd);
      unitAt = lineEnd;
    }
    const std::string_view key = mifKeyText(line);
    if (!key.empty() && (key[0] | 0x20) == 'c' && mifStartsWith(key, "CENTER")) {
      fuSeek(unit, lineEnd);
      mif.rest.assign(key.substr(6));
      double c[2] = {0.0, 0.0};
      mifNumbersFromRest(unit, mif.rest, 2, c);
      xc = c[0];
      yc = c[1];
      labelWanted = false;
      return;
    }
    if (const MifKeyword* k = mifMatchKeyword(key)) {
      mif.line.assign(line);
      const std::size_t position = line.size() - key.size() + 1;
      mif.heldLine = {fuSeek(unit, lineStart), lineStart, lineEnd, static_cast<std::size_t>(k - kMifObjectKeywords.data()),
                      position};
      return;
    }
    lineStart = lineEnd;
  }
}

// ---- labels ---------------------------------------------------------------------------------------

float angleOf(double dy, double dx) { return static_cast<float>(std::atan2(dy, dx) * kDegrees); }

// The point half way along the polyline, and the direction of the segment it lies on.
void polylineLabel(std::span<double> x, std::span<double> y, int n, double& xc, double& yc, float& angle,
                   float& length) {
  float total = 0.0f;
  for (int i = 1; i < n; ++i) total += DISTANCE_8(x[i], y[i], x[i + 1], y[i + 1]);
  length = total;
  if (n < 1) return;
  xc = x[1];
  yc = y[1];
  if (total <= 0.0f) return;  // no length to halve: the label stays on the first vertex
  const float half = total / 2.0f;
  float sum = 0.0f;
  for (int i = 1; i < n; ++i) {
    const float seg = DISTANCE_8(x[i], y[i], x[i + 1], y[i + 1]);
    if (sum + seg < half) {
      sum += seg;
      continue;
    }
    const float t = (half - sum) / seg;
    xc = x[i] + t * (x[i + 1] - x[i]);
    yc = y[i] + t * (y[i + 1] - y[i]);
    angle = angleOf(y[i + 1] - y[i], x[i + 1] - x[i]);
    return;
  }
}

void regionLabel(std::span<double> x, std::span<double> y, int nPoints, double& xc, double& yc) {
  const int n = nPoints - 2;
  if (n < 1) {
    if (nPoints >= 1) {
      xc = x[1];
      yc = y[1];
    }
    return;
  }
  double sx = 0.0, sy = 0.0;
  for (int i = 1; i <= n; ++i) {
    sx += x[i];
    sy += y[i];
  }
  xc = sx / n;
  yc = sy / n;
}

void objectLabel(const GisObject& o, std::span<double> x, std::span<double> y, int& nPoints, bool labelWanted,
                 double& xc, double& yc, float& angle, float& length) {
  const int capacity = capacityOf(x, y);
  if (o.isPoint || o.isMultiPoint) {
    if (capacity < 1) return;
    xc = x[1];
    yc = y[1];
    if (capacity >= 2) {
      x[2] = x[1];
      y[2] = y[1];
    }
  } else if (o.isLine || o.isRect || o.isRoundRect) {
    if (capacity < 2) return;
    xc = (x[1] + x[2]) / 2.0;
    yc = (y[1] + y[2]) / 2.0;
    angle = angleOf(y[2] - y[1], x[2] - x[1]);
    length = DISTANCE_8(x[1], y[1], x[2], y[2]);
  } else if (o.isArc || o.isEllipse) {
    nPoints = 0;
  } else if (o.isPline || o.isPlineMultiple) {
    polylineLabel(x, y, std::min(nPoints, capacity), xc, yc, angle, length);
  } else if (o.isRegion && labelWanted) {
    regionLabel(x, y, std::min(nPoints, capacity), xc, yc);
  }
}

// ---- placing records --------------------------------------------------------------------------------

// The unit on the next record: each record's content length placed it when its header was read,
// so bytes a record holds beyond its shape, or parts a caller did not read, never derail the
// reading. A layer not yet prepared (no record placed) reads on from where the unit stands.
void shpGotoNextRecord(const ShpSubLayer& shp) {
  if (shp.recordEnd < kShpHeaderBytes) return;
  const int unit = shp.shpUnitLE;
  if (fuTell(unit) != shp.recordEnd && !fuSeek(unit, shp.recordEnd)) gisStopReading(shpPlace(shp), kShpTypeRead);
}

// Passes over one whole record (its header and content).
void shpPassRecord(ShpSubLayer& shp) {
  shpReadRecordHeader(shp);
  if (!fuSeek(shp.shpUnitLE, shp.recordEnd)) gisStopReading(shpPlace(shp), kShpTypeRead);
}

// The layer's data has ended when the unit is at the end of the file, or when the object's last
// part has been read and no record follows it.
bool shpDataEnded(const ShpSubLayer& shp, const GisObject& gisO) {
  const int unit = shp.shpUnitLE;
  if (fuAtEnd(unit)) return true;
  const bool partsLeft = (gisO.isPline || gisO.isPlineMultiple || gisO.isMultiPoint) && gisO.nr < gisO.nSections;
  return !partsLeft && shp.recordEnd >= fuSize(unit);
}

// The next record's header and the counts and part table of its shape.
void shpObjectTypeOf(ShpSubLayer& shp, int& shapeType, GisObject& gisO) {
  shapeType = shpReadRecordHeader(shp);
  gisO.nr = 0;
  switch (shapeType) {
    case kShpNullShape:
      gisO.isNone = true;
      break;
    case kShpPoint:
      gisO.isPoint = true;
      shpCheckFitsRecord(shp, kShpPointBytes, kShpTypeError);
      break;
    case kShpPolyline:
      shpPolylineHeader(shp, gisO);
      break;
    case kShpPolygon:
      shpPolygonHeader(shp, gisO);
      break;
    case kShpMultiPoint: {
      gisO.isMultiPoint = true;
      shpSkipBox(shp);
      gisO.nSections = shpPointCount(shp, kShpTypeError);
      shpCheckFitsRecord(shp, kShpPointBytes * static_cast<std::int64_t>(gisO.nSections), kShpTypeError);
      break;
    }
    default:
      gisRefuse(shpPlace(shp), "ERROR 0423 - Unsupported .shp object type " + std::string(shpTypeName(shapeType)) +
                                   " [" + AINTEGER8(shapeType) + "]");
  }
  setTypeName(gisO, shpTypeName(shapeType));
}

// The coordinates of the shape whose header was read last, or of its next part.
void shpReadObjectOf(const ShpSubLayer& shp, int shapeType, GisObject& gisO, std::span<double> x,
                     std::span<double> y, int maxNodes, int& nPoints, bool lRead) {
  gisO.isComplete = false;
  const int limit = limitOf(x, y, maxNodes);
  switch (shapeType) {
    case kShpNullShape:
      nPoints = 0;
      return;
    case kShpPoint:
    case kShpMultiPoint:
      nPoints = 1;
      if (lRead && limit < 1) tooManyNodes(shpPlace(shp), kShpNodes, 1, limit);
      shpReadPairs(shp, 1, x, y, 1, capacityOf(x, y) >= 1);
      if (shapeType == kShpMultiPoint) gisO.nr += 1;  // the points read so far
      break;
    case kShpPolyline: {
      // One part per call; the part table was checked when the record header was read.
      if (gisO.nr < 0 || gisO.nr >= gisO.nSections) gisShouldNotBeHere("shpReadObject");
      gisO.nr += 1;
      const std::size_t k = static_cast<std::size_t>(gisO.nr);
      const int n = gisO.ir[k + 1] - gisO.ir[k];
      nPoints = n;
      if (lRead && n > limit) tooManyNodes(shpPlace(shp), kShpNodes, n, limit);
      shpReadPairs(shp, n, x, y, 1, lRead);
      break;
    }
    case kShpPolygon:
      shpReadPolygon(shp, gisO, x, y, limit, nPoints, lRead);
      break;
    default:
      gisFail(std::string("Should not be here [shpReadObject].  Please contact") + SUPPORT_CONTACT);
  }
  gisO.isComplete = true;
}

// The input layer that reads the .shp on unit, as the place of its record; null when no layer
// reads it (a caller that opened the file itself).
ShpSubLayer* shpInputOf(int unit) {
  if (unit <= 0) return nullptr;
  for (int id = 1; id <= kGisMaxLayers; ++id) {
    GisLayerSlot* slot = gGis.layers.find(static_cast<std::size_t>(id));
    if (slot && slot->gisInUse && !slot->gisWrite && slot->shpSubLayer[kShpInputSubLayer].shpUnitLE == unit)
      return &slot->shpSubLayer[kShpInputSubLayer];
  }
  return nullptr;
}

// A unit that no layer reads keeps no record between calls: its records are not counted, and a
// shape is read within what is left of the file.
ShpSubLayer unheldShp(int unit) {
  ShpSubLayer shp;
  shp.shpUnitLE = unit;
  shp.readRecord = -1;
  shp.recordStart = fuTell(unit);
  shp.recordEnd = fuSize(unit);
  return shp;
}

// The object whose keyword stands at position pos (1-based) of the layer's line: its kind, type
// name and counts, and the text after the keyword.
bool mifTakeKeyword(MifLayer& mif, const MifKeyword& k, std::size_t pos, GisObject& gisO) {
  const int unit = mif.mifUnit;
  setTypeName(gisO, k.word);
  if (!k.flag) mifRefuse(unit, "ERROR 0303 - MIF \"Collection\" objects not supported.  Delete or disaggregate object.");
  gisO.*(k.flag) = true;
  pos += k.word.size();
  mifKeywordCounts(unit, k, mifTextFrom(mif.line, pos), gisO, mif.line);
  mif.rest.assign(mifTextFrom(mif.line, pos));
  return true;
}

}  // namespace

bool shpObjectType(int unit, int& shapeType, GisObject& gisO) {
  ShpSubLayer* held = shpInputOf(unit);
  ShpSubLayer unheld = held ? ShpSubLayer{} : unheldShp(unit);
  shpObjectTypeOf(held ? *held : unheld, shapeType, gisO);
  return true;
}

bool shpReadObject(int unit, int shapeType, GisObject& gisO, std::span<double> x, std::span<double> y,
                   int maxNodes, int& nPoints, bool lRead) {
  const ShpSubLayer* held = shpInputOf(unit);
  const ShpSubLayer unheld = held ? ShpSubLayer{} : unheldShp(unit);
  shpReadObjectOf(held ? *held : unheld, shapeType, gisO, x, y, maxNodes, nPoints, lRead);
  return true;
}

bool mifObjectType(MifLayer& mif, GisObject& gisO) {
  const int unit = mif.mifUnit;
  std::string& line = mif.line;  // the line read last, kept as read: it is not padded
  // The keyword line the look-ahead kept is taken while the file stands where that line starts.
  const MifLayer::HeldLine held = mif.heldLine;
  mif.heldLine.held = false;
  if (held.held && fuTell(unit) == held.start && fuSeek(unit, held.end))
    return mifTakeKeyword(mif, kMifObjectKeywords[held.keyword], held.position, gisO);
  line.clear();
  std::size_t pos = 1;
  while (!fuAtEnd(unit)) {
    line.assign(mifReadObjectLine(unit));
    pos = mifKeyPosition(line);
    const std::string_view key = mifTextFrom(line, pos);
    if (const MifKeyword* k = mifMatchKeyword(key)) return mifTakeKeyword(mif, *k, pos, gisO);
    gisO.hasCenter = mifStartsWith(key, "CENTER");
    if (gisO.hasCenter) {
      pos += 6;
      setTypeName(gisO, "CENTER");
    }
  }
  mif.rest.assign(mifTextFrom(line, pos));
  return anyKind(gisO);
}

bool mifReadObject(MifLayer& mif, GisObject& gisO, std::span<double> x, std::span<double> y, int maxNodes,
                   int& nPoints, bool& labelWanted, double& xc, double& yc, bool lRead) {
  const int unit = mif.mifUnit;
  const std::string& rest = mif.rest;
  gisO.isComplete = false;
  const int limit = limitOf(x, y, maxNodes);
  double v[4] = {0.0, 0.0, 0.0, 0.0};
  if (gisO.isMultiPoint) {
    nPoints = 1;
    if (lRead && limit < 1) tooManyNodes(gisLineOf(unit), kMifNodes, 1, limit);
    mifReadPairInto(unit, x, y, 1);
  } else if (gisO.isPoint) {
    nPoints = 1;
    if (lRead && limit < 1) tooManyNodes(gisLineOf(unit), kMifNodes, 1, limit);
    if (!fixed::isBlank(rest)) {
      mifNumbersFromRest(unit, rest, 2, v);
      if (capacityOf(x, y) >= 1) {
        x[1] = v[0];
        y[1] = v[1];
      }
    } else {
      mifReadPairInto(unit, x, y, 1);
    }
  } else if (gisO.isLine || gisO.isRect || gisO.isRoundRect) {
    nPoints = 2;
    if (lRead && limit < 2) tooManyNodes(gisLineOf(unit), kMifNodes, 2, limit);
    mifNumbersFromRest(unit, rest, 4, v);
    if (capacityOf(x, y) >= 2) {
      x[1] = v[0];
      y[1] = v[1];
      x[2] = v[2];
      y[2] = v[3];
    }
  } else if (gisO.isArc || gisO.isEllipse) {
    nPoints = 0;
    return true;
  } else if (gisO.isPline || gisO.isPlineMultiple) {
    if (gisO.isPline) {
      std::int32_t n = 0;
      if (fixed::isBlank(rest)) mifRefuse(unit, kMifEnd);
      if (!mifWholeNumber(rest, n)) mifRefuse(unit, kMifRead);
      if (n < 0) mifCorrupt(unit, "Point count of " + AINTEGER8(n) + " is negative");
      nPoints = n;
    } else {
      nPoints = mifCountFromUnit(unit);
    }
    mifReadPolyline(unit, nPoints, x, y, limit, lRead);
  } else if (gisO.isRegion) {
    mifReadRegion(unit, gisO, x, y, limit, nPoints, lRead);
    mifLookAhead(mif, labelWanted, xc, yc);
  } else {
    return true;  // none, text and the rest carry no coordinates here
  }
  gisO.isComplete = true;
  return true;
}

bool gisObjectType(int gisID, GisObject& gisO) {
  gisCheckHandle("gisObjectType", gisID);
  GisLayerSlot& slot = gGis.layers[gisID];
  gisInitialiseObject(gisO);
  if (slot.gisLayerType == kGisLayerMif) {
    MifLayer& mif = slot.mifLayer;
    const bool found = mifObjectType(mif, gisO);
    slot.gisEndOfData = fuAtEnd(mif.mifUnit);
    return found;
  }
  if (slot.gisLayerType != kGisLayerShapefile) gisShouldNotBeHere("gisObjectType");
  ShpSubLayer& shp = slot.shpSubLayer[kShpInputSubLayer];
  const int unit = shp.shpUnitLE;
  shpGotoNextRecord(shp);
  for (;;) {
    if (fuAtEnd(unit)) {  // no further record: an empty layer, or the end after passed-over ones
      slot.gisEndOfData = true;
      return false;
    }
    if (dbfPassDeletedRecord(slot.dbfSubLayer[kShpInputSubLayer]) == 0) break;
    shpPassRecord(shp);  // a deleted record takes its shape with it
  }
  shpObjectTypeOf(shp, shp.recordShapeType, gisO);
  slot.gisEndOfData = fuAtEnd(unit);
  return true;
}

void gisReadObject(int gisID, GisObject& gisO, std::span<double> x, std::span<double> y, int maxNodes,
                   int& nPoints, double& xc, double& yc, float& angle, float& length, bool lRead) {
  angle = 0.0f;
  length = 0.0f;
  bool labelWanted = true;
  gisCheckHandle("gisReadObject", gisID);
  GisLayerSlot& slot = gGis.layers[gisID];
  bool ok = false;
  if (slot.gisLayerType == kGisLayerMif) {
    MifLayer& mif = slot.mifLayer;
    ok = mifReadObject(mif, gisO, x, y, maxNodes, nPoints, labelWanted, xc, yc, lRead);
    slot.gisEndOfData = fuAtEnd(mif.mifUnit);
  } else if (slot.gisLayerType == kGisLayerShapefile) {
    ShpSubLayer& shp = slot.shpSubLayer[kShpInputSubLayer];
    shpReadObjectOf(shp, shp.recordShapeType, gisO, x, y, maxNodes, nPoints, lRead);
    ok = true;
    slot.gisEndOfData = shpDataEnded(shp, gisO);
  } else {
    gisShouldNotBeHere("gisReadObject");
  }
  if (!ok)
    gisFail("ERROR 0253 - Failed to read coordinates for a " + fixed::trimmed(gisO.typeName) + " object in GIS layer.");
  if (!lRead) return;
  objectLabel(gisO, x, y, nPoints, labelWanted, xc, yc, angle, length);
}
