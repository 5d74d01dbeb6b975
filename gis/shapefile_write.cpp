// The shapefile writers: the 100-byte header of a .shp or .shx, and one main-file record with its
// index entry.
//
// Each .shp and .shx is connected twice, once per byte order, and the two connections share one
// stream and one position. The 100-byte header is written item by item, each item through the
// connection of its byte order. A record is built whole in a record buffer of the little-endian
// .shp connection, its two big-endian header words given their order, and its index entry in one
// of the big-endian .shx connection; each counts as written only once its buffer is committed.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "gis/gis_messages.hpp"
#include "gis/shapefile_format.hpp"
#include "gis/shapefile_write.hpp"
#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"

namespace {

const char* const kHeaderWriteError = "ERROR 0437 - Writing .shp file header.";
const char* const kIndexHeaderWriteError = "ERROR 0437 - Writing .shx file header.";
const char* const kRecordWriteError = "ERROR 0439 - Writing .shp file object coordinates.";
const char* const kIndexWriteError = "ERROR 0439 - Writing .shx file index entries.";

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
    shapeType = kShpPoint;
    contentLength = kShpPointContentWords;
  } else if (gisO.isMultiPoint) {
    shapeType = kShpMultiPoint;
    contentLength = shpMultiPointContentWords(n);
  } else if (isLineOrPolyline(gisO)) {
    shapeType = kShpPolyline;
    contentLength = shpPolyContentWords(gisO.nr, n);
  } else if (gisO.isRegion) {
    shapeType = kShpPolygon;
    contentLength = shpPolyContentWords(gisO.nr, n);
  } else if (gisO.isNone) {
    shapeType = kShpNullShape;
    contentLength = kShpNullContentWords;
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

// The vertices as pairs x, y in the record's byte order.
void shpWritePoints(RecordBuffer& out, const GisCoordBuffer& buf, int n) {
  char* p = out.take(kShpPointBytes * static_cast<std::size_t>(n));
  if (!p) return;
  for (int i = 1; i <= n; ++i, p += kShpPointBytes) {
    byteorder::storeF64(p, buf.x[i], out.order());
    byteorder::storeF64(p + 8, buf.y[i], out.order());
  }
}

void shpWriteBox(RecordBuffer& out, const ShpBox& b) {
  out.putF64(b.xmin);
  out.putF64(b.ymin);
  out.putF64(b.xmax);
  out.putF64(b.ymax);
}

// The content after the shape type; box receives the vertices' box (none for a null shape).
void shpWriteContent(const GisObject& gisO, std::int32_t shapeType, RecordBuffer& out, ShpBox& box) {
  const GisCoordBuffer& buf = gGis.gisCoordBuffer;
  if (shapeType == kShpNullShape) return;
  if (shapeType == kShpPoint) {
    out.putF64(buf.x[1]);
    out.putF64(buf.y[1]);
    box = ShpBox{buf.x[1], buf.y[1], buf.x[1], buf.y[1]};
    return;
  }
  const int n = buf.n;
  box = shpObjectBox(buf, n);
  shpWriteBox(out, box);
  if (shapeType == kShpMultiPoint) {
    out.putI32(n);
    shpWritePoints(out, buf, n);
    return;
  }
  out.putI32(gisO.nr);
  out.putI32(n);
  for (int i = 1; i <= gisO.nr; ++i) out.putI32(gisO.ir[i] - 1);
  shpWritePoints(out, buf, n);
}

}  // namespace

void shpWriteHeader(ShpSubLayer& shp, int unitLE, int unitBE) {
  if (unitLE < 1 || unitBE < 1) gisShouldNotBeHere("shpnotopen");
  // The index has the same header: a failure names the kind of file that failed.
  const bool index = unitLE == shp.shxUnitLE && unitBE == shp.shxUnitBE;
  const char* const error = index ? kIndexHeaderWriteError : kHeaderWriteError;
  shp.fileCode = kShpFileCode;
  shp.fileLength = kShpHeaderWords;
  shp.version = kShpVersion;
  if (!fuRewind(unitLE) || !fuRewind(unitBE)) gisWriteFailure(error, fuName(unitLE));

  putI32(unitBE, shp.fileCode, error);
  for (int i = 0; i < 5; ++i) putI32(unitBE, 0, error);
  putI32(unitBE, shp.fileLength, error);
  putI32(unitLE, shp.version, error);
  putI32(unitLE, shp.fileShapeType, error);
  putF64(unitLE, shp.xmin, error);
  putF64(unitLE, shp.ymin, error);
  putF64(unitLE, shp.xmax, error);
  putF64(unitLE, shp.ymax, error);
  for (int i = 0; i < 4; ++i) putF64(unitLE, 0.0, error);
}

void shpWriteObject(GisObject& gisO, ShpSubLayer& shp) {
  shpCheckObjectCanBeWritten(gisO, shp);
  gisO.isComplete = false;

  // A kind the file cannot hold stops the run before any byte of it is written.
  std::int32_t shapeType = 0;
  std::int32_t contentLength = 0;
  if (!shpRecordKind(gisO, gGis.gisCoordBuffer.n, shapeType, contentLength))
    gisFail(std::string("ERROR 0350 - Trying to write a SHP object that is not yet supported.  Please contact") +
            SUPPORT_CONTACT);
  shp.recordShapeType = shapeType;
  // The header counts the file in 32-bit words; a file that outgrows them cannot be described.
  const std::int64_t newLength = static_cast<std::int64_t>(shp.fileLength) + kShpRecordHeaderWords + contentLength;
  const std::int64_t newOffset = static_cast<std::int64_t>(shp.nextOffset) + kShpRecordHeaderWords + contentLength;
  constexpr std::int64_t maxWords = std::numeric_limits<std::int32_t>::max();
  if (newLength > maxWords || newOffset > maxWords) gisFail(kRecordWriteError);

  // The whole record through the little-endian view: number and content length in the order of
  // the big-endian view, then shape type and content. The index entry, the counters and the box
  // follow only a record that was written, so that a failure leaves the files agreeing on the
  // records before it.
  const byteorder::Order big = fuOrder(shp.shpUnitBE);
  ShpBox box{};
  {
    RecordBuffer record(shp.shpUnitLE, 2 * static_cast<std::size_t>(kShpRecordHeaderWords + contentLength));
    record.putI32(shp.records + 1, big);
    record.putI32(contentLength, big);
    record.putI32(shapeType);
    shpWriteContent(gisO, shapeType, record, box);
    if (!record.commit()) gisWriteFailure(kRecordWriteError, fuName(shp.shpUnitLE));
  }

  // Both words of an index entry are big-endian, so it goes through that view of the .shx.
  {
    RecordBuffer index(shp.shxUnitBE, 2 * kShxEntryWords);
    index.putI32(shp.nextOffset);
    index.putI32(contentLength);
    if (!index.commit()) gisWriteFailure(kIndexWriteError, fuName(shp.shxUnitBE));
  }

  // The close writes these counts and the box into both headers.
  shp.records += 1;
  shp.nextOffset = static_cast<int>(newOffset);
  shp.fileLength = static_cast<int>(newLength);
  if (shapeType != kShpNullShape) shpWidenBox(shp, box);
  gisO.isComplete = true;
}
