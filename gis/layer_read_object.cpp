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

[[noreturn]] void tooManyNodes(const char* text, std::int64_t requested, int limit) {
  gisFail(text, "             Requested" + rightAligned(AINTEGER8(requested), 8) + "        Limit" +
                    rightAligned(AINTEGER(limit), 8));
}

// ---- shapefile ----------------------------------------------------------------------------------

const char* const kShpTypeError = "ERROR 0424 - Reading .shp file object type.";
const char* const kShpCoordError = "ERROR 0429 - Reading .shp file object coordinates.";
const char* const kShpNodes = "ERROR 0310 - Exceeded number of allowable nodes in a single .shp polyline or region.";

std::string shpTypeName(int type) {
  for (const ShpTypeName& t : kShpTypeNames)
    if (t.type == type) return t.name;
  return "Unknown";
}

const GisReadFailure kShpTypeRead{"ERROR 0425 - End of .shp file encountered whilst reading object type.",
                                  kShpTypeError};
const GisReadFailure kShpCoordRead{"ERROR 0430 - End of .shp file encountered whilst reading object coordinates.",
                                   kShpCoordError};

// A number in the file that cannot be what it claims to be.
[[noreturn]] void shpCorrupt(int unit, const char* line1, const std::string& what) {
  gisFail(line1, kMessageIndent + what + " in file " + fuName(unit) + ".");
}

std::int32_t shpTypeI32(int unit) { return gisGetI32(unit, kShpTypeRead); }
void shpSkipBox(int unit) {
  char box[32];
  gisGetBytes(unit, box, kShpTypeRead);
}

// The read failure that goes with the message of a corrupt count.
const GisReadFailure& shpReadOf(const char* line1) { return line1 == kShpTypeError ? kShpTypeRead : kShpCoordRead; }

std::int32_t shpPointCount(int unit, const char* line1) {
  const std::int32_t n = gisGetI32(unit, shpReadOf(line1));
  if (n < 0) shpCorrupt(unit, line1, "Point count of " + AINTEGER8(n) + " is negative");
  return n;
}

// The record's content must hold what its counts claim: need bytes from the current position.
// Bytes beyond what the shape needs are allowed; the next record is placed by the content length.
void shpCheckFitsRecord(int unit, std::int64_t need, const char* line1) {
  const ShpRecordPlace& place = gGisRead.shpRecord;
  if (place.unit != unit) return;
  const std::uint64_t here = fuTell(unit);
  if (need < 0 || here > place.end || static_cast<std::uint64_t>(need) > place.end - here)
    shpCorrupt(unit, line1,
               "Record content length of " + AINTEGER8(static_cast<std::int64_t>((place.end - place.start) / 2)) +
                   " words is too short for the counts it holds");
}

// count items of size bytes each, passed to use(item, k) in turn for k = 0 .. count - 1. They are
// read in blocks through a fixed buffer, so that no item count allocates, after a check that the
// file holds them all: a short file stops the run before any item is used.
template <class Use>
void shpReadItems(int unit, int count, std::size_t size, const GisReadFailure& failure, Use use) {
  const std::uint64_t here = fuTell(unit), end = fuSize(unit);
  const std::uint64_t bytes = static_cast<std::uint64_t>(std::max(count, 0)) * size;
  if (here > end || bytes > end - here) gisStopReading(unit, failure);
  std::array<char, 4096> block;
  const int perBlock = static_cast<int>(block.size() / size);
  for (int k = 0; k < count;) {
    const int n = std::min(perBlock, count - k);
    gisGetBytes(unit, std::span<char>(block.data(), static_cast<std::size_t>(n) * size), failure);
    const auto* item = reinterpret_cast<const unsigned char*>(block.data());
    for (int i = 0; i < n; ++i, ++k, item += size) use(item, k);
  }
}

// The part offsets into ir(1..nParts), then ir(nParts+1) := nPoints; each offset must lie within
// the record's points and none may go back, so every part count taken from them is sound.
void shpReadPartOffsets(int unit, GisObject& gisO, int nParts, int nPoints, const char* line1) {
  const byteorder::Order order = fuOrder(unit);
  int previous = 0;
  shpReadItems(unit, nParts, 4, shpReadOf(line1), [&](const unsigned char* item, int k) {
    const std::int32_t offset = byteorder::getI32(item, order);
    if (offset < previous || offset > nPoints)
      shpCorrupt(unit, line1, "Part offset of " + AINTEGER8(offset) + " is outside " + AINTEGER8(previous) + " to " + AINTEGER8(nPoints));
    gisO.ir[static_cast<std::size_t>(k) + 1] = offset;
    previous = offset;
  });
  gisO.ir[static_cast<std::size_t>(nParts) + 1] = nPoints;
}

// n pairs of doubles; pair k goes to x(first+k), y(first+k) when store is set.
void shpReadPairs(int unit, int n, std::span<double> x, std::span<double> y, int first, bool store) {
  if (n <= 0) return;
  if (!store) {  // passed over without reading, however many there are
    const std::uint64_t here = fuTell(unit), size = fuSize(unit), bytes = static_cast<std::uint64_t>(n) * 16;
    if (here > size || bytes > size - here || !fuSeek(unit, here + bytes)) gisStopReading(unit, kShpCoordRead);
    return;
  }
  const byteorder::Order order = fuOrder(unit);
  shpReadItems(unit, n, 16, kShpCoordRead, [&](const unsigned char* pair, int k) {
    x[static_cast<std::size_t>(first + k)] = byteorder::getF64(pair, order);
    y[static_cast<std::size_t>(first + k)] = byteorder::getF64(pair + 8, order);
  });
}

// The record number and content length, then the shape type. The content length places the
// record's end, which the reads of its shape must stay within and where the next record starts.
int shpReadRecordHeader(int unit) {
  char b[8];
  gisGetBytes(unit, b, kShpTypeRead);
  const std::int32_t words = byteorder::getI32(reinterpret_cast<const unsigned char*>(b) + 4, byteorder::Order::Big);
  const std::uint64_t here = fuTell(unit), size = fuSize(unit);
  if (words < 2 || here > size || static_cast<std::uint64_t>(words) * 2 > size - here)
    shpCorrupt(unit, kShpTypeError,
               "Record content length of " + AINTEGER8(words) + " words runs past the end of the file");
  gGisRead.shpRecord = ShpRecordPlace{unit, here, here + static_cast<std::uint64_t>(words) * 2};
  return shpTypeI32(unit);
}

void shpPolylineHeader(int unit, GisObject& gisO) {
  shpSkipBox(unit);
  const std::int32_t nParts = shpTypeI32(unit);
  if (nParts >= kGisMaxParts)
    gisFail("ERROR 0421 - Exceeded maximum number of parts in a .shp polyline.  Limit is " + AINTEGER8(kGisMaxParts));
  if (nParts < 0) shpCorrupt(unit, kShpTypeError, "Part count of " + AINTEGER8(nParts) + " is negative");
  gisO.nSections = nParts;
  if (nParts == 1) gisO.isPline = true;
  if (nParts >= 2) gisO.isPlineMultiple = true;
  const std::int32_t nPoints = shpPointCount(unit, kShpTypeError);
  shpCheckFitsRecord(unit, 4 * static_cast<std::int64_t>(nParts) + 16 * static_cast<std::int64_t>(nPoints),
                     kShpTypeError);
  shpReadPartOffsets(unit, gisO, nParts, nPoints, kShpTypeError);
}

void shpPolygonHeader(int unit, GisObject& gisO) {
  gisO.isRegion = true;
  shpSkipBox(unit);
  const std::int32_t nParts = shpTypeI32(unit);
  if (nParts >= kGisMaxParts)
    gisFail("ERROR 0422 - Exceeded maximum number of regions within a .shp region.  Limit is " + AINTEGER8(kGisMaxParts));
  if (nParts < 0) shpCorrupt(unit, kShpTypeError, "Ring count of " + AINTEGER8(nParts) + " is negative");
  shpCheckFitsRecord(unit, 4 + 4 * static_cast<std::int64_t>(nParts), kShpTypeError);
  gisO.nr = nParts;
}

// A polygon: every ring in one call, stored in the ring layout.
void shpReadPolygon(int unit, GisObject& gisO, std::span<double> x, std::span<double> y, int limit, int& nPoints,
                    bool lRead) {
  const int nr = gisO.nr;
  if (nr < 0 || nr >= kGisMaxParts) gisShouldNotBeHere("shpReadObject");
  const std::int32_t total = shpPointCount(unit, kShpCoordError);
  shpCheckFitsRecord(unit, 4 * static_cast<std::int64_t>(nr) + 16 * static_cast<std::int64_t>(total),
                     kShpCoordError);
  shpReadPartOffsets(unit, gisO, nr, total, kShpCoordError);
  for (int j = 1; j <= nr; ++j)  // a ring of no points has no vertex to stand in its layout
    if (gisO.ir[static_cast<std::size_t>(j) + 1] == gisO.ir[static_cast<std::size_t>(j)])
      shpCorrupt(unit, kShpCoordError, "Ring " + AINTEGER8(j) + " of a region has no points");
  if (lRead && static_cast<std::int64_t>(nr) + total > limit)
    tooManyNodes(kShpNodes, static_cast<std::int64_t>(nr) + total, limit);
  int s = 0;
  for (int j = 1; j <= nr; ++j) {
    const std::size_t jj = static_cast<std::size_t>(j);
    const int n = gisO.ir[jj + 1] - gisO.ir[jj];
    shpReadPairs(unit, n, x, y, s + 1, lRead);
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
  const char* word;
  bool GisObject::*flag;
};
const std::array<MifKeyword, 13> kMifObjectKeywords{{
    {"POINT", &GisObject::isPoint},
    {"PLINE MULTIPLE", &GisObject::isPlineMultiple},
    {"PLINE", &GisObject::isPline},
    {"LINE", &GisObject::isLine},
    {"REGION", &GisObject::isRegion},
    {"MULTIPOINT", &GisObject::isMultiPoint},
    {"NONE", &GisObject::isNone},
    {"RECT", &GisObject::isRect},
    {"ROUNDRECT", &GisObject::isRoundRect},
    {"TEXT", &GisObject::isText},
    {"ARC", &GisObject::isArc},
    {"ELLIPSE", &GisObject::isEllipse},
    {"COLLECTION", nullptr},
}};

[[noreturn]] void mifCorrupt(int unit, const std::string& what) {
  gisFail(kMifRead, kMessageIndent + what + " in file " + fuName(unit) + ".");
}

// A "Center" line alone is no object: a file that ends after one has no further object.
bool anyKind(const GisObject& o) {
  return o.isNone || o.isPoint || o.isLine || o.isPline || o.isPlineMultiple || o.isRegion || o.isEllipse ||
         o.isRect || o.isRoundRect || o.isArc || o.isText || o.isMultiPoint;
}

// The first character after blanks and TABs (1-based), and the 16-character key there.
std::size_t mifKeyPosition(const std::string& line) {
  const std::size_t tl = fixed::trimLen(line);
  std::size_t pos = 1;
  while (pos < tl && (line[pos - 1] == ' ' || line[pos - 1] == '\t')) ++pos;
  return pos;
}
std::string mifKey(const std::string& line, std::size_t pos) {
  std::string key = fixed::slice(line, pos, pos + 15);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}
const MifKeyword* mifMatchKeyword(const std::string& key) {
  for (const MifKeyword& k : kMifObjectKeywords)
    if (key.starts_with(k.word)) return &k;
  return nullptr;
}

std::string mifReadObjectLine(int unit) {
  std::string line;
  const ReadStatus st = fuReadLine(unit, line);
  if (st == ReadStatus::End) gisFail("ERROR 0322 - End of .mif file encountered whilst reading object type.");
  if (st != ReadStatus::Ok) gisFail("ERROR 0321 - Reading .mif file object type.");
  return fixed::fit(line, kTextLength);
}

// The whole number that follows a keyword; missing or broken counts make the file unreadable.
int mifKeywordCount(int unit, const std::string& text, const char* keyword) {
  std::int32_t n = 0;
  if (!CHECKINT(text, n)) mifCorrupt(unit, std::string("No count after ") + keyword);
  return n;
}

void mifKeywordCounts(int unit, const std::string& word, const std::string& after, GisObject& gisO,
                      const std::string& line) {
  if (word == "PLINE MULTIPLE" || word == "MULTIPOINT") {
    const int n = mifKeywordCount(unit, after, word.c_str());
    // A multipoint is read one point per call, so only its parts' table bounds a multiple polyline.
    const int most = word == "MULTIPOINT" ? INT32_MAX : kGisMaxParts;
    if (n < 0 || n > most) mifCorrupt(unit, "Count of " + AINTEGER8(n) + " after " + word + " is outside 0 to " + AINTEGER8(most));
    gisO.nSections = n;
  } else if (word == "REGION") {
    const int n = mifKeywordCount(unit, after, "REGION");
    if (n > kGisMaxParts)
      gisFail("ERROR 0304 - Exceeded maximum number of polygons in region below of " + AINTEGER8(kGisMaxParts),
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

// count numbers from the next lines of the unit: a read starts on a new line and goes on over
// further lines until it has them all.
void mifNumbersFromUnit(int unit, int count, double* values) {
  int got = 0;
  for (;;) {
    std::string line;
    const ReadStatus st = fuReadLine(unit, line);
    if (st == ReadStatus::End) gisFail(kMifEnd);
    if (st != ReadStatus::Ok) gisFail(kMifRead);
    const Got r = mifNumbersFromText(fixed::fit(line, kTextLength), count, values, got);
    if (r == Got::Ok) return;
    if (r == Got::Bad) gisFail(kMifRead);
  }
}

void mifNumbersFromRest(const std::string& rest, int count, double* values) {
  int got = 0;
  const Got r = mifNumbersFromText(rest, count, values, got);
  if (r == Got::RunOut) gisFail(kMifEnd);
  if (r == Got::Bad) gisFail(kMifRead);
}

// A point count: the whole number on the next line that holds anything.
int mifCountFromUnit(int unit) {
  for (;;) {
    std::string line;
    const ReadStatus st = fuReadLine(unit, line);
    if (st == ReadStatus::End) gisFail(kMifEnd);
    if (st != ReadStatus::Ok) gisFail(kMifRead);
    if (fixed::isBlank(line)) continue;
    std::int32_t n = 0;
    if (!CHECKINT(line, n)) gisFail(kMifRead);
    if (n < 0) mifCorrupt(unit, "Point count of " + AINTEGER8(n) + " is negative");
    return n;
  }
}

void mifPassLines(int unit, int n) {
  std::string line;
  for (int k = 0; k < n; ++k) {
    const ReadStatus st = fuReadLine(unit, line);
    if (st == ReadStatus::End) gisFail(kMifEnd);
    if (st != ReadStatus::Ok) gisFail(kMifRead);
  }
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
    if (n > limit) tooManyNodes(kMifNodes, n, limit);
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
  if (gisO.nr < 1) gisFail(kMifRegion);
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
      if (total > limit) tooManyNodes(kMifNodes, total, limit);
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
  if (total < 5) gisFail(kMifRegion);
}

// After a region: style lines are passed over up to the next object keyword, which is left to be
// read again. A "Center" line on the way gives the region's label position.
void mifLookAhead(int unit, std::string& rest, bool& labelWanted, double& xc, double& yc) {
  GisObject& scratch = gGisRead.mifCenterScratch;
  gisInitialiseObject(scratch);
  for (;;) {
    const std::uint64_t lineStart = fuTell(unit);
    if (fuAtEnd(unit)) return;
    const std::string line = mifReadObjectLine(unit);
    const std::size_t pos = mifKeyPosition(line);
    const std::string key = mifKey(line, pos);
    if (key.starts_with("CENTER")) {
      scratch.hasCenter = true;
      scratch.typeName = fixed::fit("CENTER", kGisTypeNameLength);
      rest = fixed::fit(line.substr(std::min(line.size(), pos - 1 + 6)), kTextLength);
      double c[2] = {0.0, 0.0};
      mifNumbersFromRest(rest, 2, c);
      xc = c[0];
      yc = c[1];
      labelWanted = false;
      return;
    }
    if (mifMatchKeyword(key)) {
      fuSeek(unit, lineStart);
      return;
    }
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
// reading. A layer not yet prepared (no offset kept) reads on from where the unit stands.
void shpGotoNextRecord(int unit, int nextOffsetWords) {
  if (nextOffsetWords < kShpHeaderWords) return;
  const std::uint64_t next = static_cast<std::uint64_t>(nextOffsetWords) * 2;
  if (fuTell(unit) != next) fuSeek(unit, next);
}

// Passes over one whole record (its header and content).
void shpPassRecord(int unit) {
  shpReadRecordHeader(unit);
  fuSeek(unit, gGisRead.shpRecord.end);
}

// The layer's data has ended when the unit is at the end of the file, or when the object's last
// part has been read and no record follows it.
bool shpDataEnded(const ShpSubLayer& shp, const GisObject& gisO) {
  const int unit = shp.shpUnitLE;
  if (fuAtEnd(unit)) return true;
  const bool partsLeft = (gisO.isPline || gisO.isPlineMultiple || gisO.isMultiPoint) && gisO.nr < gisO.nSections;
  return !partsLeft && static_cast<std::uint64_t>(shp.nextOffset) * 2 >= fuSize(unit);
}

}  // namespace

bool shpObjectType(int unit, int& shapeType, GisObject& gisO) {
  shapeType = shpReadRecordHeader(unit);
  gisO.nr = 0;
  switch (shapeType) {
    case kShpNullShape:
      gisO.isNone = true;
      break;
    case kShpPoint:
      gisO.isPoint = true;
      shpCheckFitsRecord(unit, 16, kShpTypeError);
      break;
    case kShpPolyline:
      shpPolylineHeader(unit, gisO);
      break;
    case kShpPolygon:
      shpPolygonHeader(unit, gisO);
      break;
    case kShpMultiPoint: {
      gisO.isMultiPoint = true;
      shpSkipBox(unit);
      gisO.nSections = shpPointCount(unit, kShpTypeError);
      shpCheckFitsRecord(unit, 16 * static_cast<std::int64_t>(gisO.nSections), kShpTypeError);
      break;
    }
    default:
      gisFail("ERROR 0423 - Unsupported .shp object type " + shpTypeName(shapeType) + " [" + AINTEGER8(shapeType) + "]");
  }
  gisO.typeName = fixed::fit(shpTypeName(shapeType), kGisTypeNameLength);
  return true;
}

bool shpReadObject(int unit, int shapeType, GisObject& gisO, std::span<double> x, std::span<double> y,
                   int maxNodes, int& nPoints, bool lRead) {
  gisO.isComplete = false;
  const int limit = limitOf(x, y, maxNodes);
  switch (shapeType) {
    case kShpNullShape:
      nPoints = 0;
      return true;
    case kShpPoint:
    case kShpMultiPoint:
      nPoints = 1;
      if (lRead && limit < 1) tooManyNodes(kShpNodes, 1, limit);
      shpReadPairs(unit, 1, x, y, 1, capacityOf(x, y) >= 1);
      if (shapeType == kShpMultiPoint) gisO.nr += 1;  // the points read so far
      break;
    case kShpPolyline: {
      // One part per call; the part table was checked when the record header was read.
      if (gisO.nr < 0 || gisO.nr >= gisO.nSections) gisShouldNotBeHere("shpReadObject");
      gisO.nr += 1;
      const std::size_t k = static_cast<std::size_t>(gisO.nr);
      const int n = gisO.ir[k + 1] - gisO.ir[k];
      nPoints = n;
      if (lRead && n > limit) tooManyNodes(kShpNodes, n, limit);
      shpReadPairs(unit, n, x, y, 1, lRead);
      break;
    }
    case kShpPolygon:
      shpReadPolygon(unit, gisO, x, y, limit, nPoints, lRead);
      break;
    default:
      gisFail(std::string("Should not be here [shpReadObject].  Please contact") + SUPPORT_CONTACT);
  }
  gisO.isComplete = true;
  return true;
}

bool mifObjectType(int unit, std::string& line, std::string& rest, GisObject& gisO) {
  line = fixed::blanks(kTextLength);
  std::size_t pos = 1;
  bool found = false;
  while (!found && !fuAtEnd(unit)) {
    line = mifReadObjectLine(unit);
    pos = mifKeyPosition(line);
    const std::string key = mifKey(line, pos);
    if (const MifKeyword* k = mifMatchKeyword(key)) {
      const std::string word = k->word;
      gisO.typeName = fixed::fit(word, kGisTypeNameLength);
      if (!k->flag) gisFail("ERROR 0303 - MIF \"Collection\" objects not supported.  Delete or disaggregate object.");
      gisO.*(k->flag) = true;
      pos += word.size();
      found = true;
      mifKeywordCounts(unit, word, line.substr(std::min(line.size(), pos - 1)), gisO, line);
    }
    gisO.hasCenter = key.starts_with("CENTER");
    if (gisO.hasCenter) {
      pos += 6;
      gisO.typeName = fixed::fit("CENTER", kGisTypeNameLength);
    }
  }
  rest = fixed::fit(line.substr(std::min(line.size(), pos - 1)), kTextLength);
  return anyKind(gisO);
}

bool mifReadObject(int unit, std::string& rest, GisObject& gisO, std::span<double> x, std::span<double> y,
                   int maxNodes, int& nPoints, bool& labelWanted, double& xc, double& yc, bool lRead) {
  gisO.isComplete = false;
  const int limit = limitOf(x, y, maxNodes);
  double v[4] = {0.0, 0.0, 0.0, 0.0};
  if (gisO.isMultiPoint) {
    nPoints = 1;
    if (lRead && limit < 1) tooManyNodes(kMifNodes, 1, limit);
    mifReadPairInto(unit, x, y, 1);
  } else if (gisO.isPoint) {
    nPoints = 1;
    if (lRead && limit < 1) tooManyNodes(kMifNodes, 1, limit);
    if (!fixed::isBlank(rest)) {
      mifNumbersFromRest(rest, 2, v);
      if (capacityOf(x, y) >= 1) {
        x[1] = v[0];
        y[1] = v[1];
      }
    } else {
      mifReadPairInto(unit, x, y, 1);
    }
  } else if (gisO.isLine || gisO.isRect || gisO.isRoundRect) {
    nPoints = 2;
    if (lRead && limit < 2) tooManyNodes(kMifNodes, 2, limit);
    mifNumbersFromRest(rest, 4, v);
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
      if (fixed::isBlank(rest)) gisFail(kMifEnd);
      if (!CHECKINT(rest, n)) gisFail(kMifRead);
      if (n < 0) mifCorrupt(unit, "Point count of " + AINTEGER8(n) + " is negative");
      nPoints = n;
    } else {
      nPoints = mifCountFromUnit(unit);
    }
    mifReadPolyline(unit, nPoints, x, y, limit, lRead);
  } else if (gisO.isRegion) {
    mifReadRegion(unit, gisO, x, y, limit, nPoints, lRead);
    mifLookAhead(unit, rest, labelWanted, xc, yc);
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
  if (slot.gisLayerType == 1) {
    MifLayer& mif = slot.mifLayer;
    const bool found = mifObjectType(mif.mifUnit, mif.line, mif.rest, gisO);
    slot.gisEndOfData = fuAtEnd(mif.mifUnit);
    return found;
  }
  if (slot.gisLayerType != 2) gisShouldNotBeHere("gisObjectType");
  ShpSubLayer& shp = slot.shpSubLayer[1];
  const int unit = shp.shpUnitLE;
  shpGotoNextRecord(unit, shp.nextOffset);
  for (;;) {
    if (fuAtEnd(unit)) {  // no further record: an empty layer, or the end after passed-over ones
      slot.gisEndOfData = true;
      return false;
    }
    if (dbfPassDeletedRecord(slot.dbfSubLayer[1]) == 0) break;
    shpPassRecord(unit);  // a deleted record takes its shape with it
  }
  shpObjectType(unit, shp.recordShapeType, gisO);
  shp.nextOffset = static_cast<int>(gGisRead.shpRecord.end / 2);
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
  if (slot.gisLayerType == 1) {
    MifLayer& mif = slot.mifLayer;
    ok = mifReadObject(mif.mifUnit, mif.rest, gisO, x, y, maxNodes, nPoints, labelWanted, xc, yc, lRead);
    slot.gisEndOfData = fuAtEnd(mif.mifUnit);
  } else if (slot.gisLayerType == 2) {
    ShpSubLayer& shp = slot.shpSubLayer[1];
    ok = shpReadObject(shp.shpUnitLE, shp.recordShapeType, gisO, x, y, maxNodes, nPoints, lRead);
    slot.gisEndOfData = shpDataEnded(shp, gisO);
  } else {
    gisShouldNotBeHere("gisReadObject");
  }
  if (!ok)
    gisFail("ERROR 0253 - Failed to read coordinates for a " + fixed::trimmed(gisO.typeName) + " object in GIS layer.");
  if (!lRead) return;
  objectLabel(gisO, x, y, nPoints, labelWanted, xc, yc, angle, length);
}
