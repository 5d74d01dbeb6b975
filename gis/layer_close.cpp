// Closing layers. An output shapefile set is completed first: the writers streamed its records
// without knowing the totals, so the record count, the file lengths and the box are written into
// the finished files' headers here.
#include <cstdint>
#include <string>

#include "gis/gis_layers.hpp"
#include "gis/gis_state.hpp"
#include "utility/byte_order.hpp"
#include "utility/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/run_control.hpp"

namespace {

using byteorder::Order;

const char* const kPatchFailure = "ERROR 0413 - Rewriting .dbf file header with final information.";

// Everything written must have reached the file before its unit is closed.
void flushOrFail(int unit, const std::string& failure) {
  if (unit > 0 && !fuFlush(unit)) gisFail(failure);
}

void patchOrFail(const std::string& name, std::uint64_t offset, const std::string& bytes) {
  if (!fuPatchFile(name, offset, bytes)) gisFail(kPatchFailure);
}

std::string bigEndianI32(std::int32_t v) {
  std::string b;
  byteorder::putI32(b, v, Order::Big);
  return b;
}

// The sub-layer's box as the headers hold it; a sub-layer that never received a vertex keeps
// the empty box.
std::string boxBytes(const ShpSubLayer& shp) {
  const bool empty = !(shp.xmin <= shp.xmax && shp.ymin <= shp.ymax);
  std::string b;
  byteorder::putF64(b, empty ? 0.0 : shp.xmin, Order::Little);
  byteorder::putF64(b, empty ? 0.0 : shp.ymin, Order::Little);
  byteorder::putF64(b, empty ? -1.0 : shp.xmax, Order::Little);
  byteorder::putF64(b, empty ? -1.0 : shp.ymax, Order::Little);
  return b;
}

// 1. The end mark after the last record, and the record count.
void patchTable(DbfSubLayer& dbf) {
  if (dbf.unit < 1) return;
  if (!fuSeek(dbf.unit, fuSize(dbf.unit)) || !fuPutU8(dbf.unit, 0x1A)) gisFail(kPatchFailure);
  flushOrFail(dbf.unit, kPatchFailure);
  const std::string name = fuName(dbf.unit);
  CLOSER(dbf.unit);
  std::string count;
  byteorder::putI32(count, dbf.records, Order::Little);
  patchOrFail(name, 4, count);
}

// 2. The main file's length and box.
void patchMainFile(ShpSubLayer& shp) {
  if (shp.shpUnitLE < 1 || shp.records < 1) return;
  flushOrFail(shp.shpUnitLE, kPatchFailure);
  flushOrFail(shp.shpUnitBE, kPatchFailure);
  const std::string name = fuName(shp.shpUnitLE);
  CLOSER(shp.shpUnitLE);
  CLOSER(shp.shpUnitBE);
  patchOrFail(name, 24, bigEndianI32(shp.fileLength));
  patchOrFail(name, 36, boxBytes(shp));
}

// 3. The index's length and box; its little-endian view was closed by the header writer.
void patchIndex(ShpSubLayer& shp) {
  if (shp.shxUnitBE < 1 || shp.records < 1) return;
  flushOrFail(shp.shxUnitBE, kPatchFailure);
  const std::string name = fuName(shp.shxUnitBE);
  CLOSER(shp.shxUnitBE);
  patchOrFail(name, 24, bigEndianI32(50 + 4 * shp.records));
  patchOrFail(name, 36, boxBytes(shp));
}

// The totals written at close: only sub-layers whose header was written have totals to patch.
void writeEndOfFile(GisLayerSlot& slot) {
  if (slot.gisLayerType == 1) return;
  if (slot.gisLayerType != 2) gisShouldNotBeHere("gisWriteHeader");
  for (int k = 1; k <= 3; ++k) {
    ShpSubLayer& shp = slot.shpSubLayer[k];
    if (!shp.headerWritten) continue;
    patchTable(slot.dbfSubLayer[k]);
    patchMainFile(shp);
    patchIndex(shp);
  }
}

void closeUnit(int& unit, bool written, const std::string& failure) {
  if (unit < 1) return;
  if (written) flushOrFail(unit, failure);
  CLOSER(unit);
}

// Every unit still open, in the order of the records.
void closeUnits(GisLayerSlot& slot) {
  const bool w = slot.gisWrite;
  if (slot.gisLayerType == 1) {
    closeUnit(slot.mifLayer.mifUnit, w, "ERROR 0439 - Writing .mif file object coordinates.");
    closeUnit(slot.mifLayer.midUnit, w, "ERROR 0254 - Failed to write the attribute data records of a GIS layer.");
  } else if (slot.gisLayerType == 2) {
    for (int k = 1; k <= 3; ++k) {
      ShpSubLayer& shp = slot.shpSubLayer[k];
      closeUnit(shp.shpUnitLE, w, kPatchFailure);
      closeUnit(shp.shpUnitBE, w, kPatchFailure);
      closeUnit(shp.shxUnitLE, w, kPatchFailure);
      closeUnit(shp.shxUnitBE, w, kPatchFailure);
      closeUnit(shp.prjUnit, w, kPatchFailure);
      closeUnit(slot.dbfSubLayer[k].unit, w, kPatchFailure);
    }
  } else {
    gisShouldNotBeHere("gisCloseLayer");
  }
}

// The close of one slot (totals, units, slot freed), shared by gisCloseLayer and gisCloseAllLayers.
void closeSlot(int gisID) {
  GisLayerSlot& slot = gGis.layers[gisID];
  gisLogLine("");
  gisLogLine("Closing GIS Layer " + fixed::trimmed(AINTEGER(gisID)) + " [" + fixed::trimmed(slot.gisFileName) +
             "]...");
  if (slot.gisWrite) writeEndOfFile(slot);
  closeUnits(slot);
  slot.gisInUse = false;
  slot.gisEndOfData = true;
  slot.gisWrite = false;
  slot.gisLayerType = 0;
}

}  // namespace

void gisCloseLayer(int& gisID) {
  if (gisID < 1) {
    gisLogLine(std::string("SOFTWARE CHECK - Trying to close a GIS Layer that's not open.  Please contact") +
               SUPPORT_CONTACT);
    return;
  }
  gisCheckHandle("gisCloseLayer", gisID);
  closeSlot(gisID);
  gisID = 0;
}

void gisWriteEoF(int gisID) {
  gisCheckHandle("gisWriteEoF", gisID);
  GisLayerSlot& slot = gGis.layers[gisID];
  // Input layers have no totals to write.
  if (slot.gisWrite) writeEndOfFile(slot);
}

void gisCloseAllLayers(bool& anyClosed) {
  anyClosed = false;
  gisLogLine("");
  gisLogLine("Closing any unclosed GIS layers...");
  for (int id = 1; id <= kGisMaxLayers; ++id) {
    if (!gGis.layers[id].gisInUse) continue;
    closeSlot(id);
    anyClosed = true;
  }
  gisLogLine("");
}

void gisCloseWorkspace() {
  if (gGis.gisWorkspaceUnit > 0) CLOSER(gGis.gisWorkspaceUnit);
  if (gGis.gisRegisterMifUnit > 0) {
    CLOSER(gGis.gisRegisterMifUnit);
    CLOSER(gGis.gisRegisterMidUnit);
  }
}
