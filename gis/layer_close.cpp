// Closing layers. An output shapefile set is completed first: the writers streamed its records
// without knowing the totals, so the record count, the file lengths and the box are written into
// the finished files' headers here.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_messages.hpp"
#include "gis/gis_state.hpp"
#include "gis/layer_cut.hpp"
#include "gis/shapefile_format.hpp"
#include "platform/console.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/run_control.hpp"

namespace {

using byteorder::Order;

const char* const kPatchFailure = "ERROR 0413 - Rewriting .dbf file header with final information.";

// A buffered write fails only when its bytes leave the buffer, at a flush or at the close: the
// failure is the writer's own, named by the file it was written to.
const char* dbfUnwritten(const DbfSubLayer& dbf) {
  return dbf.records > 0 ? "ERROR 0417 - Writing .dbf record." : "ERROR 0413 - Writing .dbf file header.";
}
const char* shpUnwritten(const ShpSubLayer& shp) {
  return shp.records > 0 ? "ERROR 0439 - Writing .shp file object coordinates."
                         : "ERROR 0437 - Writing .shp file header.";
}
const char* shxUnwritten(const ShpSubLayer& shp) {
  return shp.records > 0 ? "ERROR 0439 - Writing .shx file index entries." : "ERROR 0437 - Writing .shx file header.";
}
const char* mifUnwritten(const MifLayer& mif) {
  return mif.objectsWritten > 0 ? "ERROR 0439 - Writing .mif file object coordinates."
                                : "ERROR 0437 - Writing .mif file header.";
}
const char* const kMidUnwritten = "ERROR 0254 - Failed to write the attribute data records of a GIS layer.";

// The first failure met while a layer is closed. The close goes on with the layer's other files,
// so that one file that cannot be written leaves no other unfinished, and names it at the end,
// with the files it left empty.
struct CloseFailure {
  std::string message;
  std::string file;
  std::vector<std::string> emptied;
  void note(const std::string& m, const std::string& f) {
    if (message.empty()) message = m, file = f;
  }
  // A file of the layer cut to nothing: a header cut short would make readers take the rest of
  // its set, or the set, as damaged, where an empty file is plainly one that was not written. What
  // is no plain file (a device) cannot be cut and is not named.
  void empty(int unit) {
    if (unit < 1 || !fuCut(unit, 0)) return;
    const std::string name = fuName(unit);
    if (std::find(emptied.begin(), emptied.end(), name) == emptied.end()) emptied.push_back(name);
  }
  // The failure, then the files left empty; a failure ends the run.
  void report() const {
    if (message.empty() && emptied.empty()) return;
    if (!message.empty()) {
      gisSetMessage(message, file.empty() ? std::string() : kMessageIndent + "Could not write file " + file + ".");
      gisPrintMessage(1);
    } else {
      gisLogLine("");
    }
    const std::string indent = message.empty() ? std::string() : kMessageIndent;
    for (const std::string& name : emptied)
      gisLogLine(indent + "File " + name + " is left empty: its layer's headers could not all be written whole.");
    if (!message.empty()) EXITS();
  }
  // Everything written to unit reaches its file before the unit is closed or its file patched.
  void flush(int unit, const std::string& failure) {
    if (unit > 0 && !fuFlush(unit)) note(failure, fuName(unit));
  }
  void patch(const std::string& name, std::uint64_t offset, const std::string& bytes) {
    if (!fuPatchFile(name, offset, bytes)) note(kPatchFailure, name);
  }
};

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

// The end mark after the last record, and the record count.
void patchTable(DbfSubLayer& dbf, CloseFailure& failure) {
  if (dbf.unit < 1) return;
  const std::string name = fuName(dbf.unit);
  if (!fuSeek(dbf.unit, fuSize(dbf.unit)) || !fuPutU8(dbf.unit, kDbfEndMark) || !fuFlush(dbf.unit))
    failure.note(kPatchFailure, name);
  CLOSER(dbf.unit);
  std::string count;
  byteorder::putI32(count, dbf.records, Order::Little);
  failure.patch(name, 4, count);
}

// The main file's length and box.
void patchMainFile(ShpSubLayer& shp, CloseFailure& failure) {
  if (shp.shpUnitLE < 1 || shp.records < 1) return;
  const std::string name = fuName(shp.shpUnitLE);
  CLOSER(shp.shpUnitLE);
  CLOSER(shp.shpUnitBE);
  failure.patch(name, kShpLengthAt, bigEndianI32(shp.fileLength));
  failure.patch(name, kShpBoxAt, boxBytes(shp));
}

// The index's length and box; its little-endian view was closed by the header writer.
void patchIndex(ShpSubLayer& shp, CloseFailure& failure) {
  if (shp.shxUnitBE < 1 || shp.records < 1) return;
  const std::string name = fuName(shp.shxUnitBE);
  CLOSER(shp.shxUnitBE);
  failure.patch(name, kShpLengthAt, bigEndianI32(kShpHeaderWords + kShxEntryWords * shp.records));
  failure.patch(name, kShpBoxAt, boxBytes(shp));
}

// The unit's file is a plain file shorter than its header. The size of a device says nothing of
// what was written to it.
bool shorterThan(int unit, std::uint64_t header) {
  return unit > 0 && fuSize(unit) < header && fuIdentityOfUnit(unit).regular;
}

// Every header of the sub-layer is in its file whole (the .prj, closed once written, among them).
bool headersWhole(const ShpSubLayer& shp, const DbfSubLayer& dbf) {
  if (!shp.headerWritten || shp.prjUnit > 0) return false;
  return !shorterThan(shp.shpUnitLE, kShpHeaderBytes) && !shorterThan(shp.shxUnitBE, kShpHeaderBytes) &&
         !shorterThan(dbf.unit, static_cast<std::uint64_t>(dbfHeaderLength(std::max(dbf.nFields, 0))));
}

// The totals written at close: only sub-layers whose header was written have totals to patch.
// What was written reaches the files first; a sub-layer whose files lost bytes on the way is cut
// back to the records they all hold whole, and its totals are theirs. At the close, a sub-layer
// whose headers are not all whole (the run stopped before they were written, or while) is left
// with every file empty.
void writeEndOfFile(GisLayerSlot& slot, CloseFailure& failure, bool closing) {
  if (slot.gisLayerType == kGisLayerMif) return;
  if (slot.gisLayerType != kGisLayerShapefile) gisShouldNotBeHere("gisWriteHeader");
  for (int k = 1; k <= kShpSubLayers; ++k) {
    ShpSubLayer& shp = slot.shpSubLayer[k];
    DbfSubLayer& dbf = slot.dbfSubLayer[k];
    if (shp.shpUnitLE < 1 && dbf.unit < 1) continue;
    if (!shp.headerWritten && !closing) continue;
    // Until its header is written the .shx is open through both views; they share the stream.
    const int shx = shp.shxUnitBE > 0 ? shp.shxUnitBE : shp.shxUnitLE;
    failure.flush(shp.prjUnit, "ERROR 0437 - Writing .prj file projection.");
    failure.flush(dbf.unit, dbfUnwritten(dbf));
    failure.flush(shp.shpUnitLE, shpUnwritten(shp));  // the big-endian view shares the stream
    failure.flush(shx, shxUnwritten(shp));
    if (!headersWhole(shp, dbf)) {
      if (!closing) continue;
      for (const int unit : {shp.shpUnitLE, shx, shp.prjUnit, dbf.unit}) failure.empty(unit);
      shp.headerWritten = false;
      shp.records = dbf.records = 0;
      continue;
    }
    if (fuBytesLost(dbf.unit) || fuBytesLost(shp.shpUnitLE) || fuBytesLost(shp.shxUnitBE))
      shpCutToWholeRecords(shp, dbf);
    patchTable(dbf, failure);
    patchMainFile(shp, failure);
    patchIndex(shp, failure);
  }
}

// A MIF/MID pair has no totals; one whose files lost bytes is cut back to the objects and rows
// both hold whole, and one whose .mif has no whole header (an empty .mif has none) is left with
// both files empty.
void completeMifLayer(MifLayer& mif, CloseFailure& failure) {
  failure.flush(mif.mifUnit, mifUnwritten(mif));
  failure.flush(mif.midUnit, kMidUnwritten);
  const bool headerless = shorterThan(mif.mifUnit, 1);
  if ((headerless || fuBytesLost(mif.mifUnit) || fuBytesLost(mif.midUnit)) && !mifCutToWholeRecords(mif)) {
    failure.empty(mif.mifUnit);
    failure.empty(mif.midUnit);
    mif.objectsWritten = mif.rowsWritten = 0;
  }
}

void closeUnit(int& unit, bool written, const std::string& message, CloseFailure& failure) {
  if (unit < 1) return;
  if (written) failure.flush(unit, message);
  CLOSER(unit);
}

// Every unit still open, in the order of the records.
void closeUnits(GisLayerSlot& slot, bool w, CloseFailure& failure) {
  if (slot.gisLayerType == kGisLayerMif) {
    closeUnit(slot.mifLayer.mifUnit, w, mifUnwritten(slot.mifLayer), failure);
    closeUnit(slot.mifLayer.midUnit, w, kMidUnwritten, failure);
  } else if (slot.gisLayerType == kGisLayerShapefile) {
    for (int k = 1; k <= kShpSubLayers; ++k) {
      ShpSubLayer& shp = slot.shpSubLayer[k];
      closeUnit(shp.shpUnitLE, w, shpUnwritten(shp), failure);
      closeUnit(shp.shpUnitBE, w, shpUnwritten(shp), failure);
      closeUnit(shp.shxUnitLE, w, shxUnwritten(shp), failure);
      closeUnit(shp.shxUnitBE, w, shxUnwritten(shp), failure);
      closeUnit(shp.prjUnit, w, "ERROR 0437 - Writing .prj file projection.", failure);
      closeUnit(slot.dbfSubLayer[k].unit, w, dbfUnwritten(slot.dbfSubLayer[k]), failure);
    }
  } else {
    gisShouldNotBeHere("gisCloseLayer");
  }
}

// The close of one slot (totals, units, slot freed), shared by gisCloseLayer, gisCloseAllLayers
// and the completion at the end of a run. A file that could not be written is named once the
// rest of the layer is done.
void closeSlot(int gisID) {
  GisLayerSlot& slot = gGis.layers[gisID];
  // A failure from here on ends the run, and the exit completes the open output layers: this one
  // is no longer one of them, or its failure would be met and reported a second time.
  const bool writing = slot.gisWrite;
  slot.gisWrite = false;
  gisLogLine("");
  gisLogLine("Closing GIS Layer " + fixed::trimmed(AINTEGER(gisID)) + " [" + fixed::trimmed(slot.gisFileName) +
             "]...");
  CloseFailure failure;
  if (writing) {
    if (slot.gisLayerType == kGisLayerMif) completeMifLayer(slot.mifLayer, failure);
    writeEndOfFile(slot, failure, true);
  }
  closeUnits(slot, writing, failure);
  slot.gisInUse = false;
  slot.gisEndOfData = true;
  slot.gisLayerType = kGisLayerFree;
  failure.report();
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
  if (!slot.gisWrite) return;
  CloseFailure failure;
  writeEndOfFile(slot, failure, false);
  failure.report();
}

void gisCloseAllLayers(bool& anyClosed) {
  anyClosed = false;
  gisLogLine("");
  gisLogLine("Closing any unclosed GIS layers...");
  for (int id = 1; id <= kGisMaxLayers; ++id) {
    if (!gGis.layers.inUse(id)) continue;
    closeSlot(id);
    anyClosed = true;
  }
  gisLogLine("");
}

void gisCompleteOutputLayers() {
  for (int id = 1; id <= kGisMaxLayers; ++id) {
    const GisLayerSlot* slot = gGis.layers.find(id);
    if (!slot || !slot->gisInUse || !slot->gisWrite) continue;
    // Within the exit a failure ends the completion of its own layer only: it has been reported,
    // and every other layer is still completed.
    try {
      closeSlot(id);
    } catch (const RunEnd&) {
      if (!gRunFlags.fuCompleting) throw;
    }
  }
}

void gisCloseWorkspace() {
  if (gGis.gisWorkspaceUnit > 0) CLOSER(gGis.gisWorkspaceUnit);
  if (gGis.gisRegisterMifUnit > 0) {
    CLOSER(gGis.gisRegisterMifUnit);
    CLOSER(gGis.gisRegisterMidUnit);
  }
}
