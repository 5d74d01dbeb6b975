// The GIS layer library's process-wide state and the routines that reset its records.
#include "gis/gis_state.hpp"

#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/run_control.hpp"

GisState gGis;
namespace {
const bool kEnrolled = processstate::enrol("gGis", [] { gGis.reset(); });
}  // namespace

void DbfSubLayer::reset() {
  unit = 0;
  headerRecordCount = 0;
  records = 0;
  nFields = 0;
  recordLength = 0;
  fieldLength.fill(0);
  decimals.fill(0);
  fieldName.fill(std::string(11, ' '));
  fieldType.fill(std::string(1, ' '));
  valueWarnings.fill(0);
  flagAhead = ' ';
  hasFlagAhead = false;
}

void MifLayer::reset() {
  line.assign(kTextLength, ' ');
  rest.assign(kTextLength, ' ');
  heldLine = HeldLine{};
  mifUnit = 0;
  midUnit = 0;
  mifStyleLines[0].clear();
  mifStyleLines[1].assign(256, ' ');
  mifStyleLines[2].assign(256, ' ');
  nAttributes = 0;
  objectsWritten = 0;
  attributeName.fill(std::string(kGisAttributeNameLength, ' '));
  attributeType.fill(std::string(kGisAttributeTypeLength, ' '));
  numericColumn.fill(false);
  valueWarnings.fill(0);
  rowsWritten = 0;
}

void GisAttributeDefs::reset() {
  n = 0;
  width.fill(0);
  name.fill(std::string(kGisAttributeNameLength, ' '));
  type.fill(std::string(kGisAttributeTypeLength, ' '));
  recordCount = 0;
}

bool GisLayerTable::operator==(const GisLayerTable& other) const {
  // A slot never made equals a slot in its reset state.
  const GisLayerSlot fresh;
  for (std::size_t id = 0; id < slots_.size(); ++id) {
    const GisLayerSlot* a = find(id);
    const GisLayerSlot* b = other.find(id);
    if (!(*(a ? a : &fresh) == *(b ? b : &fresh))) return false;
  }
  return true;
}

GisState::GisState() : GisState(GisLayerTable{}, GisCoordBuffer{}) {}

GisState::GisState(GisLayerTable&& table, GisCoordBuffer&& vertices)
    : layers(std::move(table)), gisCoordBuffer(std::move(vertices)) {
  gisMessageLines.fill(std::string(kTextLength, ' '));
  gisMessageLines[0].clear();  // index 0 is not a message line
}

void GisState::reset() {
  // The table's slots go; the vertex buffer keeps its storage, zeroed where a run wrote it; the
  // rest starts afresh.
  layers.reset();
  gisCoordBuffer.reset();
  *this = GisState(std::move(layers), std::move(gisCoordBuffer));
}

std::vector<std::string>& gisRegisterNamesReady() {
  constexpr std::size_t kEntries = kGisRegisterSize + 1;
  if (gGis.gisRegisterNames.size() != kEntries) gGis.gisRegisterNames.assign(kEntries, std::string(kTextLength, ' '));
  return gGis.gisRegisterNames;
}

void gisInitialiseObject(GisObject& gisO) {
  gisO.isNone = gisO.isPoint = gisO.isLine = gisO.isPline = gisO.isPlineMultiple = false;
  gisO.isRegion = gisO.isEllipse = gisO.isRect = gisO.isRoundRect = gisO.isArc = false;
  gisO.hasCenter = gisO.isText = gisO.isMultiPoint = false;
  gisO.nSections = 1;
  gisO.nr = 1;
  gisO.ir[1] = 1;
  gisO.typeName.assign(kGisTypeNameLength, ' ');
}

void gisInitialiseLayer(int gisID) {
  if (gisID < 1 || gisID > kGisMaxLayers) {
    // A handle outside the table is a caller's fault; stop before touching any slot.
    const std::string shown = gisID < 1 ? "0" : std::to_string(gisID);
    console::line("Should not be here gisInitialiseLayer[gisID=" + shown + "] - please contact" +
                  SUPPORT_CONTACT);
    EXITS();
  }
  GisLayerSlot& slot = gGis.layers[gisID];
  slot.gisLayerType = kGisLayerFree;
  slot.gisFileName.assign(kTextLength, ' ');
  slot.gisEndOfData = false;
  slot.gisWrite = false;
  slot.mifLayer.reset();
  for (int k = 1; k <= kShpSubLayers; ++k) {
    slot.shpSubLayer[k].reset();
    slot.dbfSubLayer[k].reset();
  }
}
