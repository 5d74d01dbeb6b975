// Writing dispatch of an output layer: its header, objects and attribute records go to the writer
// of its kind (shapefile set, MIF/MID pair), with the guards every entry point shares.
#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "gis/dbase_write.hpp"
#include "gis/gis_layers.hpp"
#include "gis/gis_messages.hpp"
#include "gis/gis_state.hpp"
#include "gis/mif_write.hpp"
#include "gis/shapefile_format.hpp"
#include "gis/shapefile_write.hpp"
#include "platform/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/run_control.hpp"

namespace {

// The box of a sub-layer before its first vertex: the single-precision 9e29 widened to double,
// inverted, so that the first vertex written sets every side.
constexpr double kBoxSentinel = static_cast<double>(9.0e29f);

GisLayerSlot& slotOf(int gisID) { return gGis.layers[gisID]; }

// The shapefile sub-layer of an object and of its record, the first set flag deciding: a text
// (written as its point) and a multipoint go with the points; a null object, of no geometry of its
// own, goes to every open sub-layer; an object of no kind goes nowhere.
constexpr int kEverySubLayer = 0;
constexpr int kNoSubLayer = -1;
int shpSubLayerOf(const GisObject& o) {
  if (o.isPoint) return kShpSubLayerPoints;
  if (isLineOrPolyline(o)) return kShpSubLayerLines;
  if (o.isRegion) return kShpSubLayerRegions;
  if (o.isText || o.isMultiPoint) return kShpSubLayerPoints;
  if (o.isNone) return kEverySubLayer;
  return kNoSubLayer;
}

// ---- gisWriteHeader -------------------------------------------------------------------------

void writeShapefileSubLayerHeader(ShpSubLayer& shp, DbfSubLayer& dbf) {
  // The .prj holds the projection alone, so it is closed as soon as that is written.
  if (shp.prjUnit > 0) {
    if (!fuWriteLine(shp.prjUnit, fixed::trimmed(gGis.gisOutputPrj)) || !fuFlush(shp.prjUnit))
      gisWriteFailure("ERROR 0437 - Writing .prj file projection.", fuName(shp.prjUnit));
    CLOSER(shp.prjUnit);
  }
  // Both headers; index entries go through the big-endian .shx view alone from here on.
  shpWriteHeader(shp, shp.shpUnitLE, shp.shpUnitBE);
  shpWriteHeader(shp, shp.shxUnitLE, shp.shxUnitBE);
  if (!fuFlush(shp.shxUnitLE)) gisWriteFailure("ERROR 0437 - Writing .shx file header.", fuName(shp.shxUnitLE));
  CLOSER(shp.shxUnitLE);
  // The box starts inverted, so that the first vertex sets every side; the first record follows
  // the header.
  shp.xmin = shp.ymin = kBoxSentinel;
  shp.xmax = shp.ymax = -kBoxSentinel;
  shp.nextOffset = kShpHeaderWords;
  dbfWriteHeader(gGis.gisAttributeDefs, dbf);
  dbf.records = 0;
  shp.headerWritten = true;
}

void writeShapefileHeaders(GisLayerSlot& slot) {
  for (int k = 1; k <= kShpSubLayers; ++k) {
    ShpSubLayer& shp = slot.shpSubLayer[k];
    DbfSubLayer& dbf = slot.dbfSubLayer[k];
    if (shp.shpUnitLE > 0) {
      writeShapefileSubLayerHeader(shp, dbf);
    } else if (dbf.unit > 0) {
      // A table opened alone still needs its header before its records.
      dbfWriteHeader(gGis.gisAttributeDefs, dbf);
      dbf.records = 0;
      shp.headerWritten = true;
    }
  }
}

// ---- gisWriteObject -------------------------------------------------------------------------

// Objects with parts: at least one part, starting at vertex 1 or later, with strictly
// increasing starts; and every count within the object buffers.
void normaliseParts(int gisID, GisObject& gisO) {
  if (gisO.nr < 1) gisO.nr = 1;
  if (gisO.ir[1] < 1) gisO.ir[1] = 1;
  if (gisO.nr > kGisMaxParts) gisShouldNotBeHere("gisWriteObject");
  for (int i = 2; i <= gisO.nr; ++i) {
    if (gisO.ir[i] <= gisO.ir[i - 1]) {
      console::line();
      console::line(std::string("Should not be here [gisO_%ir(i) <= gisO_%ir(i-1)] - please contact") +
                    SUPPORT_CONTACT);
      console::line("GIS Layer   =" + rightAligned(AINTEGER(gisID), 5));
      console::line("i           =" + rightAligned(AINTEGER(i), 5));
      console::line("gisO_%ir(i) =" + rightAligned(AINTEGER(gisO.ir[i]), 5));
      console::line("gisO_%nr    =" + rightAligned(AINTEGER(gisO.nr), 5));
      EXITS();
    }
  }
}

// A part that starts past the last vertex would have a negative count. A single part of an object
// without vertices is no such fault: it is merely too short and is left out.
void checkPartsWithinVertices(int gisID, const GisObject& gisO) {
  const int n = gGis.gisCoordBuffer.n;
  if (gisO.ir[gisO.nr] <= std::max(n, 1)) return;
  console::line();
  console::line(std::string("Should not be here [gisO_%ir(nr) > gisCoordBuffer%n] - please contact") +
                SUPPORT_CONTACT);
  console::line("GIS Layer   =" + rightAligned(AINTEGER(gisID), 5));
  console::line("gisO_%ir(nr)=" + rightAligned(AINTEGER(gisO.ir[gisO.nr]), 5));
  console::line("gisO_%nr    =" + rightAligned(AINTEGER(gisO.nr), 5));
  console::line("n           =" + rightAligned(AINTEGER(n), 5));
  EXITS();
}

void checkVertexCount() {
  const GisCoordBuffer& buf = gGis.gisCoordBuffer;
  const long long capacity = static_cast<long long>(std::min(buf.x.size(), buf.y.size())) - 1;
  if (buf.n < 0 || buf.n > kGisMaxVertices || buf.n > capacity) gisShouldNotBeHere("gisWriteObject");
}

// ---- Parts too short for their kind ----
//
// GIS readers reject a polyline part of fewer than two vertices and a region ring of fewer than
// three distinct points (GDAL stops reading a MIF layer at one). Such a part is left out of the
// object with a warning; an object left without parts is written as a null object and keeps its
// record.

struct PartSpan {
  int first;  // 1-based vertex
  int count;
};

// The number of parts in which the writer lays the object out: 0 for kinds without parts. The MIF
// writer tests point and multipoint first and writes Line and Pline as one part; the shapefile
// routing tests point alone and writes every part by its start.
int partCount(const GisObject& o, bool mif) {
  if (o.isPoint || (mif && o.isMultiPoint)) return 0;
  if (!isLineOrPolyline(o) && !o.isRegion) return 0;
  if (mif && (o.isLine || o.isPline || (!isLineOrPolyline(o) && o.nr < 2))) return 1;
  return o.nr;
}

PartSpan partOf(const GisObject& o, bool mif, int i) {
  const int n = gGis.gisCoordBuffer.n;
  if (mif && o.isLine) return {1, std::min(n, 2)};
  if (mif && (o.isPline || (!isLineOrPolyline(o) && o.nr < 2))) return {1, n};
  const int next = i < o.nr ? o.ir[i + 1] : n + 1;
  return {o.ir[i], next - o.ir[i]};
}

bool sameVertex(int a, int b) {
  const GisCoordBuffer& buf = gGis.gisCoordBuffer;
  return buf.x[a] == buf.x[b] && buf.y[a] == buf.y[b];
}

// A ring needs three distinct points; the scan stops at the third.
bool hasThreeDistinctPoints(const PartSpan& p) {
  int second = 0;
  for (int i = p.first + 1; i < p.first + p.count; ++i) {
    if (sameVertex(i, p.first) || (second > 0 && sameVertex(i, second))) continue;
    if (second > 0) return true;
    second = i;
  }
  return false;
}

bool partUsable(const PartSpan& p, bool region) { return region ? hasThreeDistinctPoints(p) : p.count >= 2; }

bool allPartsUsable(const GisObject& o, bool mif) {
  const bool region = !isLineOrPolyline(o);
  const int parts = partCount(o, mif);
  for (int i = 1; i <= parts; ++i)
    if (!partUsable(partOf(o, mif, i), region)) return false;
  return true;
}

// The same object as a null shape; the caller's flags stay as they are, so its record is routed
// to the same sub-layer as its geometry.
GisObject asNullShape(const GisObject& gisO) {
  GisObject o = gisO;
  o.isPoint = o.isLine = o.isPline = o.isPlineMultiple = o.isRegion = false;
  o.isText = o.isMultiPoint = o.isEllipse = o.isRect = o.isRoundRect = o.isArc = o.hasCenter = false;
  o.isNone = true;
  return o;
}

void warnPartLeftOut(bool region, int part, int object, int layerUnit, bool lastPart) {
  gisSetMessage(region ? "WARNING 0440 - Region ring of fewer than 3 distinct points left out of a GIS object."
                       : "WARNING 0440 - Polyline part of fewer than 2 vertices left out of a GIS object.",
                kMessageIndent + "Part " + std::to_string(part) + " of object " + std::to_string(object) + " in GIS layer " +
                    fuName(layerUnit) + ".");
  if (lastPart)
    gGis.gisMessageLines[3] =
        fixed::fit(kMessageIndent + "No part remains: the object is written as a null object.", kTextLength);
  gisPrintMessage(1);
}

// The object as a writer receives it: the caller's own when every part is usable; otherwise a
// copy of the kept parts, whose vertices stand in the vertex buffer for as long as it lives (the
// caller's vertices are given back after the write), or a null object when no part is kept. The
// layer's file is named by its unit, looked up only for a warning.
class ObjectToWrite {
 public:
  ObjectToWrite(GisObject& caller, bool mif, int objectNumber, int layerUnit) : caller_(caller) {
    if (allPartsUsable(caller, mif)) return;
    const bool region = !isLineOrPolyline(caller);
    const int parts = partCount(caller, mif);
    copy_ = std::make_unique<GisObject>(caller);
    auto kept = std::make_unique<GisCoordBuffer>();
    const GisCoordBuffer& buf = gGis.gisCoordBuffer;
    int nKept = 0, nParts = 0;
    for (int i = 1; i <= parts; ++i) {
      const PartSpan p = partOf(caller, mif, i);
      if (!partUsable(p, region)) {
        warnPartLeftOut(region, i, objectNumber, layerUnit, i == parts && nParts == 0);
        continue;
      }
      copy_->ir[++nParts] = nKept + 1;
      for (int v = p.first; v < p.first + p.count; ++v) {
        ++nKept;
        kept->x[nKept] = buf.x[v];
        kept->y[nKept] = buf.y[v];
      }
    }
    if (nParts == 0) {
      *copy_ = asNullShape(caller);
      return;
    }
    copy_->nr = nParts;
    kept->n = nKept;
    std::swap(gGis.gisCoordBuffer, *kept);
    callerVertices_ = std::move(kept);
  }
  ~ObjectToWrite() {
    if (callerVertices_) std::swap(gGis.gisCoordBuffer, *callerVertices_);
    if (copy_) caller_.isComplete = copy_->isComplete;
  }
  ObjectToWrite(const ObjectToWrite&) = delete;
  ObjectToWrite& operator=(const ObjectToWrite&) = delete;

  GisObject& object() { return copy_ ? *copy_ : caller_; }

 private:
  GisObject& caller_;
  std::unique_ptr<GisObject> copy_;
  std::unique_ptr<GisCoordBuffer> callerVertices_;
};

void writeMifObject(GisLayerSlot& slot, GisObject& gisO) {
  MifLayer& mif = slot.mifLayer;
  // A .csv table has no .mif to hold geometry.
  if (mif.mifUnit < 1) gisShouldNotBeHere("gisWriteObject");
  ObjectToWrite o(gisO, true, mif.objectsWritten + 1, mif.mifUnit);
  mifWriteObject(o.object(), mif.mifUnit, mif.mifStyleLines[1], mif.mifStyleLines[2]);
  ++mif.objectsWritten;
}

[[noreturn]] void shpRoutingFailure() {
  gisFail(std::string("Should not be here [gisWriteObject-shp].  Please contact") + SUPPORT_CONTACT);
}

// Objects go only to sub-layers that were opened and whose header has been written.
ShpSubLayer& openShpSubLayer(GisLayerSlot& slot, int k) {
  ShpSubLayer& shp = slot.shpSubLayer[k];
  if (shp.shpUnitLE < 1 || !shp.headerWritten) shpRoutingFailure();
  return shp;
}

void writeShapefileObject(GisLayerSlot& slot, GisObject& gisO) {
  const int k = shpSubLayerOf(gisO);
  if (k == kNoSubLayer) shpRoutingFailure();
  if (k == kEverySubLayer) {
    for (int j = 1; j <= kShpSubLayers; ++j) {
      ShpSubLayer& shp = slot.shpSubLayer[j];
      if (slot.dbfSubLayer[j].unit > 0 && shp.shpUnitLE > 0) {
        if (!shp.headerWritten) shpRoutingFailure();
        shpWriteObject(gisO, shp);
      }
    }
    return;
  }
  // A text that the point sub-layer takes is written as its point, and stays one for its record.
  if (k == kShpSubLayerPoints && gisO.isText && !gisO.isPoint) {
    gisO.isText = false;
    gisO.isPoint = true;
  }
  ShpSubLayer& shp = openShpSubLayer(slot, k);
  ObjectToWrite o(gisO, false, shp.records + 1, shp.shpUnitLE);
  shpWriteObject(o.object(), shp);
}

// ---- gisWriteRecord -------------------------------------------------------------------------

// What differs between the two record writers: the routine's name in its guards, the wording of
// its failure, the data line it writes and the .dbf writer of that line.
struct RecordWriter {
  const char* routine;
  const char* failureText;  // ERROR 0254 wording, before the type name
  const std::string* line;
  void (*writeDbf)(DbfSubLayer&);
};

const RecordWriter kRecordWriter{"gisWriteRecord", "ERROR 0254 - Failed to write attribute data record for a ",
                                 &gGis.gisDataLine, dbfdataline};
const RecordWriter kLargeRecordWriter{"gisWriteRecordLarge",
                                      "ERROR 0254 - Failed to write large attribute data record for a ",
                                      &gGis.gisDataLineLarge, dbfdatalinelarge};

[[noreturn]] void dbfRoutingFailure(const RecordWriter& writer) {
  gisFail(std::string("Should not be here [") + writer.routine + "-dbf].  Please contact" + SUPPORT_CONTACT);
}

void writeTableRecord(GisLayerSlot& slot, int k, const RecordWriter& writer) {
  DbfSubLayer& dbf = slot.dbfSubLayer[k];
  if (dbf.unit < 1 || !slot.shpSubLayer[k].headerWritten) dbfRoutingFailure(writer);
  writer.writeDbf(dbf);
  dbf.records += 1;  // counted once it is written
}

void writeShapefileRecord(GisLayerSlot& slot, const GisObject& gisO, const RecordWriter& writer) {
  const int k = shpSubLayerOf(gisO);
  if (k == kNoSubLayer) dbfRoutingFailure(writer);
  if (k != kEverySubLayer) {
    writeTableRecord(slot, k, writer);
    return;
  }
  for (int j = 1; j <= kShpSubLayers; ++j)
    if (slot.dbfSubLayer[j].unit > 0) writeTableRecord(slot, j, writer);
}

void writeRecord(int gisID, GisObject& gisO, const RecordWriter& writer) {
  gisCheckHandle(writer.routine, gisID);
  GisLayerSlot& slot = slotOf(gisID);
  if (slot.gisLayerType == kGisLayerMif) {
    const int unit = slot.mifLayer.midUnit;
    if (unit < 1) gisShouldNotBeHere(writer.routine);
    if (!fuWriteLine(unit, midRow(slot.mifLayer, *writer.line)))
      gisWriteFailure(writer.failureText + fixed::trimmed(gisO.typeName) + " object in GIS layer.", fuName(unit));
    ++slot.mifLayer.rowsWritten;  // counted once it is written
  } else if (slot.gisLayerType == kGisLayerShapefile) {
    writeShapefileRecord(slot, gisO, writer);
  } else {
    gisShouldNotBeHere(writer.routine);
  }
}

}  // namespace

// ---- entry points -----------------------------------------------------------------------------

void gisWriteHeader(int gisID) {
  gisCheckHandle("gisWriteHeader", gisID);
  GisLayerSlot& slot = slotOf(gisID);
  if (slot.gisLayerType == kGisLayerMif) {
    // A .csv table has no .mif and so no header to write.
    if (slot.mifLayer.mifUnit > 0) {
      mifWriteHeader(gGis.gisAttributeDefs, slot.mifLayer.mifUnit);
      mifKeepColumns(slot.mifLayer, gGis.gisAttributeDefs);
    }
  } else if (slot.gisLayerType == kGisLayerShapefile) {
    writeShapefileHeaders(slot);
  } else {
    gisShouldNotBeHere("gisWriteHeader");
  }
}

void gisWriteObject(int gisID, GisObject& gisO) {
  gisCheckHandle("gisWriteObject", gisID);
  checkVertexCount();
  const bool hasParts = isLineOrPolyline(gisO) || gisO.isRegion;
  if (hasParts) normaliseParts(gisID, gisO);
  GisLayerSlot& slot = slotOf(gisID);
  if (slot.gisLayerType == kGisLayerMif) {
    if (partCount(gisO, true) > 0) checkPartsWithinVertices(gisID, gisO);
    writeMifObject(slot, gisO);
  } else if (slot.gisLayerType == kGisLayerShapefile) {
    if (partCount(gisO, false) > 0) checkPartsWithinVertices(gisID, gisO);
    writeShapefileObject(slot, gisO);
  } else {
    gisShouldNotBeHere("gisWriteObject");
  }
}

void gisWriteRecord(int gisID, GisObject& gisO) { writeRecord(gisID, gisO, kRecordWriter); }

void gisWriteRecordLarge(int gisID, GisObject& gisO) { writeRecord(gisID, gisO, kLargeRecordWriter); }
