// Writing dispatch of an output layer (header, objects, attribute records) and the library's
// message printer, with the stops that every GIS routine shares.
#include <algorithm>
#include <string>

#include "gis/gis_layers.hpp"
#include "gis/gis_state.hpp"
#include "utility/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"

namespace {

constexpr std::size_t kMessageLength = 1000;

// The box of a sub-layer before its first vertex: the single-precision 9e29 widened to double,
// inverted, so that the first vertex written sets every side.
constexpr double kBoxSentinel = static_cast<double>(9.0e29f);

std::string rightAligned(int value, std::size_t width) {
  std::string s = std::to_string(value);
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

GisLayerSlot& slotOf(int gisID) { return gGis.layers[gisID]; }

bool isLineKind(const GisObject& o) { return o.isLine || o.isPline || o.isPlineMultiple; }

// ---- gisWriteHeader -------------------------------------------------------------------------

void writeShapefileSubLayerHeader(ShpSubLayer& shp, DbfSubLayer& dbf) {
  // a. The projection text, then the .prj is done with.
  if (shp.prjUnit > 0) {
    if (!fuWriteLine(shp.prjUnit, fixed::trimmed(gGis.gisOutputPrj)) || !fuFlush(shp.prjUnit))
      gisFail("ERROR 0437 - Writing .shp file header.");
    CLOSER(shp.prjUnit);
  }
  // b. Both headers; index entries go through the big-endian .shx view alone from here on.
  shpWriteHeader(shp, shp.shpUnitLE, shp.shpUnitBE);
  shpWriteHeader(shp, shp.shxUnitLE, shp.shxUnitBE);
  if (!fuFlush(shp.shxUnitLE)) gisFail("ERROR 0437 - Writing .shp file header.");
  CLOSER(shp.shxUnitLE);
  // c. An inverted box that the first vertex resets, and the first record's offset.
  shp.xmin = shp.ymin = kBoxSentinel;
  shp.xmax = shp.ymax = -kBoxSentinel;
  shp.nextOffset = 50;
  // d. The table.
  dbfWriteHeader(gGis.gisAttributeDefs, dbf);
  dbf.records = 0;
  shp.headerWritten = true;
}

void writeShapefileHeaders(GisLayerSlot& slot) {
  for (int k = 1; k <= 3; ++k) {
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
      console::line("GIS Layer   =" + rightAligned(gisID, 5));
      console::line("i           =" + rightAligned(i, 5));
      console::line("gisO_%ir(i) =" + rightAligned(gisO.ir[i], 5));
      console::line("gisO_%nr    =" + rightAligned(gisO.nr, 5));
      EXITS();
    }
  }
}

// A part that starts past the last vertex would have no vertices, or a negative count.
void checkPartsWithinVertices(int gisID, const GisObject& gisO) {
  const int n = gGis.gisCoordBuffer.n;
  if (gisO.ir[gisO.nr] <= n) return;
  console::line();
  console::line(std::string("Should not be here [gisO_%ir(nr) > gisCoordBuffer%n] - please contact") +
                SUPPORT_CONTACT);
  console::line("GIS Layer   =" + rightAligned(gisID, 5));
  console::line("gisO_%ir(nr)=" + rightAligned(gisO.ir[gisO.nr], 5));
  console::line("gisO_%nr    =" + rightAligned(gisO.nr, 5));
  console::line("n           =" + rightAligned(n, 5));
  EXITS();
}

void checkVertexCount() {
  const GisCoordBuffer& buf = gGis.gisCoordBuffer;
  const long long capacity = static_cast<long long>(std::min(buf.x.size(), buf.y.size())) - 1;
  if (buf.n < 0 || buf.n > kGisMaxVertices || buf.n > capacity) gisShouldNotBeHere("gisWriteObject");
}

// A polyline of fewer than two vertices or a region of fewer than three has no drawable part;
// GIS readers reject such records, so it is written as a null shape and keeps its record.
bool tooFewVertices(bool lineKind, bool region) {
  const int n = gGis.gisCoordBuffer.n;
  return (lineKind && n < 2) || (region && n < 3);
}

// Whether the flag that decides the object's kind is one with parts; the MIF writer tests point
// and multipoint first, the shapefile routing point alone.
bool mifUsesParts(const GisObject& o) { return !o.isPoint && !o.isMultiPoint && (isLineKind(o) || o.isRegion); }
bool shpUsesParts(const GisObject& o) { return !o.isPoint && (isLineKind(o) || o.isRegion); }

bool mifTooFewVertices(const GisObject& o) { return mifUsesParts(o) && tooFewVertices(isLineKind(o), !isLineKind(o)); }
bool shpTooFewVertices(const GisObject& o) { return shpUsesParts(o) && tooFewVertices(isLineKind(o), !isLineKind(o)); }

// The same object as a null shape; the caller's flags stay as they are, so its record is routed
// to the same sub-layer as its geometry.
GisObject asNullShape(const GisObject& gisO) {
  GisObject o = gisO;
  o.isPoint = o.isLine = o.isPline = o.isPlineMultiple = o.isRegion = false;
  o.isText = o.isMultiPoint = o.isEllipse = o.isRect = o.isRoundRect = o.isArc = o.hasCenter = false;
  o.isNone = true;
  return o;
}

void writeMifObject(GisLayerSlot& slot, GisObject& gisO) {
  MifLayer& mif = slot.mifLayer;
  // A .csv table has no .mif to hold geometry.
  if (mif.mifUnit < 1) gisShouldNotBeHere("gisWriteObject");
  if (mifTooFewVertices(gisO)) {
    GisObject none = asNullShape(gisO);
    mifWriteObject(none, mif.mifUnit, mif.mifStyleLines[1], mif.mifStyleLines[2]);
    gisO.isComplete = none.isComplete;
    return;
  }
  mifWriteObject(gisO, mif.mifUnit, mif.mifStyleLines[1], mif.mifStyleLines[2]);
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

// Routing to a sub-layer, the first set flag deciding: point 1, line kinds 2, region 3, text
// (written as its point) 1, multipoint 1; a null object goes to every open sub-layer.
void writeShapefileObject(GisLayerSlot& slot, GisObject& gisO) {
  int k = 0;
  if (gisO.isPoint) {
    k = 1;
  } else if (isLineKind(gisO)) {
    k = 2;
  } else if (gisO.isRegion) {
    k = 3;
  } else if (gisO.isText) {
    gisO.isText = false;
    gisO.isPoint = true;
    k = 1;
  } else if (gisO.isMultiPoint) {
    k = 1;
  } else if (gisO.isNone) {
    for (int j = 1; j <= 3; ++j) {
      ShpSubLayer& shp = slot.shpSubLayer[j];
      if (slot.dbfSubLayer[j].unit > 0 && shp.shpUnitLE > 0) {
        if (!shp.headerWritten) shpRoutingFailure();
        shpWriteObject(gisO, shp);
      }
    }
    return;
  } else {
    shpRoutingFailure();
  }
  ShpSubLayer& shp = openShpSubLayer(slot, k);
  if (shpTooFewVertices(gisO)) {
    GisObject none = asNullShape(gisO);
    shpWriteObject(none, shp);
    gisO.isComplete = none.isComplete;
    return;
  }
  shpWriteObject(gisO, shp);
}

// ---- gisWriteRecord -------------------------------------------------------------------------

struct RecordRoad {
  const char* handleRoutine;  // name in the handle guard
  const char* kindRoutine;    // name in the guard of the layer kind
  const char* dbfRoutine;     // name in the guard of the sub-layer routing
  const char* failureText;    // ERROR 0254 wording, before the type name
  const std::string* line;
  void (*writeDbf)(DbfSubLayer&);
};

const RecordRoad kRecord{"gisWriteRecord", "gisWriteRecord", "gisWriteRecord-dbf",
                         "ERROR 0254 - Failed to write attribute data record for a ", &gGis.gisDataLine,
                         dbfdataline};
const RecordRoad kRecordLarge{"gisWriteRecordLarge", "gisWriteRecordLarge", "gisWriteRecordLarge-dbf",
                              "ERROR 0254 - Failed to write large attribute data record for a ",
                              &gGis.gisDataLineLarge, dbfdatalinelarge};

[[noreturn]] void dbfRoutingFailure(const RecordRoad& road) {
  gisFail(std::string("Should not be here [") + road.dbfRoutine + "].  Please contact" + SUPPORT_CONTACT);
}

void writeTableRecord(GisLayerSlot& slot, int k, const RecordRoad& road) {
  DbfSubLayer& dbf = slot.dbfSubLayer[k];
  if (dbf.unit < 1 || !slot.shpSubLayer[k].headerWritten) dbfRoutingFailure(road);
  dbf.records += 1;
  road.writeDbf(dbf);
}

void writeShapefileRecord(GisLayerSlot& slot, const GisObject& gisO, const RecordRoad& road) {
  int k = 0;
  if (gisO.isPoint) {
    k = 1;
  } else if (isLineKind(gisO)) {
    k = 2;
  } else if (gisO.isRegion) {
    k = 3;
  } else if (gisO.isText || gisO.isMultiPoint) {
    k = 1;
  } else if (gisO.isNone) {
    for (int j = 1; j <= 3; ++j)
      if (slot.dbfSubLayer[j].unit > 0) writeTableRecord(slot, j, road);
    return;
  } else {
    dbfRoutingFailure(road);
  }
  writeTableRecord(slot, k, road);
}

void writeRecord(int gisID, GisObject& gisO, const RecordRoad& road) {
  gisCheckHandle(road.handleRoutine, gisID);
  GisLayerSlot& slot = slotOf(gisID);
  if (slot.gisLayerType == 1) {
    const int unit = slot.mifLayer.midUnit;
    if (unit < 1) gisShouldNotBeHere(road.kindRoutine);
    if (!fuWriteLine(unit, fixed::trimmed(*road.line)))
      gisFail(road.failureText + fixed::trimmed(gisO.typeName) + " object in GIS layer.");
  } else if (slot.gisLayerType == 2) {
    writeShapefileRecord(slot, gisO, road);
  } else {
    gisShouldNotBeHere(road.kindRoutine);
  }
}

}  // namespace

// ---- shared messages and stops ----------------------------------------------------------------

void gisLogLine(const std::string& text) {
  console::line(text);
  if (gGis.gisLogUnit > 0) fuWriteLine(gGis.gisLogUnit, text);
}

void gisSetMessage(const std::string& line1, const std::string& line2) {
  gGis.gisMessageLines[1] = fixed::fit(line1, kMessageLength);
  gGis.gisMessageLines[2] = fixed::fit(line2, kMessageLength);
  gGis.gisMessageLines[3] = fixed::blanks(kMessageLength);
  gGis.gisMessageLines[4] = fixed::blanks(kMessageLength);
}

void gisFail(const std::string& line1, const std::string& line2) {
  gisSetMessage(line1, line2);
  gisPrintMessage(1);
  EXITS();
}

void gisShouldNotBeHere(const std::string& where) {
  console::line();
  console::line("Should not be here [" + where + "] - please contact" + SUPPORT_CONTACT);
  EXITS();
}

void gisCheckHandle(const std::string& routine, int gisID) {
  if (gisID >= 1 && gisID <= kGisMaxLayers) return;
  const std::string shown = gisID < 1 ? "0" : std::to_string(gisID);
  console::line("Should not be here " + routine + "[gisID=" + shown + "] - please contact" + SUPPORT_CONTACT);
  EXITS();
}

void gisPrintMessage(int nBlank) {
  const int log = gGis.gisLogUnit;
  auto put = [log](const std::string& text) {
    console::line(text);
    if (log > 0) fuWriteLine(log, text);
  };
  for (int i = 0; i < nBlank; ++i) put("");
  put(fixed::trimmed(gGis.gisMessageLines[1]));
  for (int i = 2; i <= 4; ++i)
    if (!fixed::isBlank(gGis.gisMessageLines[i])) put(fixed::trimmed(gGis.gisMessageLines[i]));
}

// ---- entry points -----------------------------------------------------------------------------

void gisWriteHeader(int gisID) {
  gisCheckHandle("gisWriteHeader", gisID);
  GisLayerSlot& slot = slotOf(gisID);
  if (slot.gisLayerType == 1) {
    // A .csv table has no .mif and so no header to write.
    if (slot.mifLayer.mifUnit > 0) mifWriteHeader(gGis.gisAttributeDefs, slot.mifLayer.mifUnit);
  } else if (slot.gisLayerType == 2) {
    writeShapefileHeaders(slot);
  } else {
    gisShouldNotBeHere("gisWriteHeader");
  }
}

void gisWriteObject(int gisID, GisObject& gisO) {
  gisCheckHandle("gisWriteObject", gisID);
  checkVertexCount();
  const bool hasParts = isLineKind(gisO) || gisO.isRegion;
  if (hasParts) normaliseParts(gisID, gisO);
  GisLayerSlot& slot = slotOf(gisID);
  if (slot.gisLayerType == 1) {
    if (mifUsesParts(gisO) && !mifTooFewVertices(gisO)) checkPartsWithinVertices(gisID, gisO);
    writeMifObject(slot, gisO);
  } else if (slot.gisLayerType == 2) {
    if (shpUsesParts(gisO) && !shpTooFewVertices(gisO)) checkPartsWithinVertices(gisID, gisO);
    writeShapefileObject(slot, gisO);
  } else {
    gisShouldNotBeHere("gisWriteObject");
  }
}

void gisWriteRecord(int gisID, GisObject& gisO) { writeRecord(gisID, gisO, kRecord); }

void gisWriteRecordLarge(int gisID, GisObject& gisO) { writeRecord(gisID, gisO, kRecordLarge); }
