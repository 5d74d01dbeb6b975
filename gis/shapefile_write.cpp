// The shapefile writers: the 100-byte header of a .shp or .shx, and one main-file record with its
// index entry.
//
// Each .shp and .shx is connected twice, once per byte order, and the two connections share one
// stream and one position. Every item is therefore written once, in the byte order of its own
// connection; the other connection sees the position move with it. A record is gathered first
// and written as one block.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "gis/gis_layers.hpp"
#include "platform/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"
#include "platform/process_state.hpp"

namespace {

const char* const kHeaderWriteError = "ERROR 0437 - Writing .shp file header.";
const char* const kRecordWriteError = "ERROR 0439 - Writing .shp file object coordinates.";

void putI32(int unit, std::int32_t v, const char* error) {
  if (!fuPutI32(unit, v)) gisWriteFailure(error, fuName(unit));
}

void putF64(int unit, double v, const char* error) {
  if (!fuPutF64(unit, v)) gisWriteFailure(error, fuName(unit));
}

// The box of one object as it is written: xmin, ymin, xmax, ymax.
struct ShpBox {
  double xmin, ymin, xmax, ymax;
};

// The box of vertices 1..n; with no vertex, the largest finite double for both minima and its
// negative for both maxima, so that widening a sub-layer box by it changes nothing.
ShpBox shpObjectBox(const GisCoordBuffer& buf, int n) {
  constexpr double big = std::numeric_limits<double>::max();
  ShpBox b{big, big, -big, -big};
  for (int i = 1; i <= n; ++i) {
    b.xmin = std::min(b.xmin, buf.x[i]);
    b.ymin = std::min(b.ymin, buf.y[i]);
    b.xmax = std::max(b.xmax, buf.x[i]);
    b.ymax = std::max(b.ymax, buf.y[i]);
  }
  return b;
}

void shpWidenBox(ShpSubLayer& shp, const ShpBox& b) {
  shp.xmin = std::min(shp.xmin, b.xmin);
  shp.ymin = std::min(shp.ymin, b.ymin);
  shp.xmax = std::max(shp.xmax, b.xmax);
  shp.ymax = std::max(shp.ymax, b.ymax);
}

// Shape type and content length in 16-bit words of the object about to be written; the flags are
// tested in a fixed order, the first that is set deciding. False for a kind the file cannot hold.
bool shpRecordKind(const GisObject& gisO, int n, std::int32_t& shapeType, std::int32_t& contentLength) {
  if (gisO.isPoint) {
    shapeType = 1;
    contentLength = 10;
  } else if (gisO.isMultiPoint) {
    shapeType = 8;
    contentLength = (16 * n + 40) / 2;
  } else if (gisO.isLine || gisO.isPline || gisO.isPlineMultiple) {
    shapeType = 3;
    contentLength = (16 * n + 4 * gisO.nr + 44) / 2;
  } else if (gisO.isRegion) {
    shapeType = 5;
    contentLength = (16 * n + 4 * gisO.nr + 44) / 2;
  } else if (gisO.isNone) {
    shapeType = 0;
    contentLength = 2;
  } else {
    return false;
  }
  return true;
}

// The guards that keep a record inside its buffers and its files: every connection the record
// goes through is open, and the vertex and part counts fit the object buffers.
void shpCheckObjectCanBeWritten(const GisObject& gisO, const ShpSubLayer& shp) {
  if (shp.shpUnitLE < 1 || shp.shpUnitBE < 1 || shp.shxUnitBE < 1) gisShouldNotBeHere("shpWriteObject");
  const bool hasVertexList = !gisO.isPoint && (gisO.isMultiPoint || gisO.isLine || gisO.isPline ||
                                               gisO.isPlineMultiple || gisO.isRegion);
  if (!hasVertexList) return;
  const int n = gGis.gisCoordBuffer.n;
  if (n < 0 || n > kGisMaxVertices) gisShouldNotBeHere("shpWriteObject");
  const bool hasParts = !gisO.isMultiPoint;
  if (hasParts && (gisO.nr < 0 || gisO.nr > kGisMaxParts)) gisShouldNotBeHere("shpWriteObject");
}

// The bytes of one record, gathered so that each file takes one transfer per object. Each item
// still takes the byte order of the connection it belongs to. The storage is laid out for the
// record's length first and the items stored in place; it grows should an item not fit.
struct ShpRecordBytes {
  std::string bytes;
  std::size_t used = 0;
  byteorder::Order order = byteorder::Order::Little;
  void start(std::size_t length) {
    if (bytes.size() < length) bytes.resize(length);
    used = 0;
  }
  char* room(std::size_t n) {
    if (used + n > bytes.size()) bytes.resize(used + n);
    char* p = bytes.data() + used;
    used += n;
    return p;
  }
  void i32(std::int32_t v) { byteorder::storeU32(room(4), static_cast<std::uint32_t>(v), order); }
  void f64(double v) { byteorder::storeF64(room(8), v, order); }
  std::string_view view() const { return std::string_view(bytes).substr(0, used); }
};

// The record and the index entry being built. Their storage holds nothing between objects; it is
// kept only so that no object allocates.
struct ShpRecordBuffers {
  ShpRecordBytes record;
  ShpRecordBytes index;
  void reset() { *this = ShpRecordBuffers{}; }
};
ShpRecordBuffers gShpRecords;
const bool kEnrolled = processstate::enrol("gShpRecords", [] { gShpRecords.reset(); });

void shpWritePoints(ShpRecordBytes& out, const GisCoordBuffer& buf, int n) {
  for (int i = 1; i <= n; ++i) {
    out.f64(buf.x[i]);
    out.f64(buf.y[i]);
  }
}

void shpWriteBox(ShpRecordBytes& out, const ShpBox& b) {
  out.f64(b.xmin);
  out.f64(b.ymin);
  out.f64(b.xmax);
  out.f64(b.ymax);
}

// The content after the shape type, and the sub-layer box widened by it.
void shpWriteContent(const GisObject& gisO, ShpSubLayer& shp, std::int32_t shapeType, ShpRecordBytes& out) {
  const GisCoordBuffer& buf = gGis.gisCoordBuffer;
  if (shapeType == 0) return;
  if (shapeType == 1) {
    out.f64(buf.x[1]);
    out.f64(buf.y[1]);
    shpWidenBox(shp, ShpBox{buf.x[1], buf.y[1], buf.x[1], buf.y[1]});
    return;
  }
  const int n = buf.n;
  const ShpBox box = shpObjectBox(buf, n);
  shpWidenBox(shp, box);
  shpWriteBox(out, box);
  if (shapeType == 8) {
    out.i32(n);
    shpWritePoints(out, buf, n);
    return;
  }
  out.i32(gisO.nr);
  out.i32(n);
  for (int i = 1; i <= gisO.nr; ++i) out.i32(gisO.ir[i] - 1);
  shpWritePoints(out, buf, n);
}

}  // namespace

void shpWriteHeader(ShpSubLayer& shp, int unitLE, int unitBE) {
  if (unitLE < 1 || unitBE < 1) gisShouldNotBeHere("shpnotopen");
  shp.fileCode = 9994;
  shp.fileLength = 50;
  shp.version = 1000;
  if (!fuRewind(unitLE) || !fuRewind(unitBE)) gisWriteFailure(kHeaderWriteError, fuName(unitLE));

  putI32(unitBE, shp.fileCode, kHeaderWriteError);
  for (int i = 0; i < 5; ++i) putI32(unitBE, 0, kHeaderWriteError);
  putI32(unitBE, shp.fileLength, kHeaderWriteError);
  putI32(unitLE, shp.version, kHeaderWriteError);
  putI32(unitLE, shp.fileShapeType, kHeaderWriteError);
  putF64(unitLE, shp.xmin, kHeaderWriteError);
  putF64(unitLE, shp.ymin, kHeaderWriteError);
  putF64(unitLE, shp.xmax, kHeaderWriteError);
  putF64(unitLE, shp.ymax, kHeaderWriteError);
  for (int i = 0; i < 4; ++i) putF64(unitLE, 0.0, kHeaderWriteError);
}

void shpWriteObject(GisObject& gisO, ShpSubLayer& shp) {
  shpCheckObjectCanBeWritten(gisO, shp);

  // The new record's number.
  shp.records += 1;
  gisO.isComplete = false;

  // Shape type and content length.
  std::int32_t shapeType = 0;
  std::int32_t contentLength = 0;
  if (!shpRecordKind(gisO, gGis.gisCoordBuffer.n, shapeType, contentLength))
    gisFail(std::string("ERROR 0350 - Trying to write a SHP object that is not yet supported.  Please contact") +
            SUPPORT_CONTACT);
  shp.recordShapeType = shapeType;
  // The header counts the file in 32-bit words; a file that outgrows them cannot be described.
  const std::int64_t newLength = static_cast<std::int64_t>(shp.fileLength) + contentLength + 4;
  const std::int64_t newOffset = static_cast<std::int64_t>(shp.nextOffset) + contentLength + 4;
  constexpr std::int64_t maxWords = std::numeric_limits<std::int32_t>::max();
  if (newLength > maxWords || newOffset > maxWords) gisFail(kRecordWriteError);

  // Record header and shape type.
  ShpRecordBytes& record = gShpRecords.record;
  record.start(8 + 2 * static_cast<std::size_t>(contentLength));
  record.order = fuOrder(shp.shpUnitBE);
  record.i32(shp.records);
  record.i32(contentLength);
  record.order = fuOrder(shp.shpUnitLE);
  record.i32(shapeType);

  // Index entry.
  ShpRecordBytes& index = gShpRecords.index;
  index.start(8);
  index.order = fuOrder(shp.shxUnitBE);
  index.i32(shp.nextOffset);
  index.i32(contentLength);
  if (!fuPutBytes(shp.shxUnitBE, index.view())) gisFail(kRecordWriteError);

  // Counters.
  shp.nextOffset = static_cast<int>(newOffset);
  shp.fileLength = static_cast<int>(newLength);
  gisO.isComplete = true;

  // Content and box, then the whole record through the little-endian view.
  shpWriteContent(gisO, shp, shapeType, record);
  if (!fuPutBytes(shp.shpUnitLE, record.view())) gisFail(kRecordWriteError);
}
