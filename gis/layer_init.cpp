// Library initialisation: the starting state of the layer table and buffers, and the headers of
// the workspace file and the input-layer register that record the input layers a run opens.
#include <string>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

void clearBuffers() {
  gGis.gisDataLine = fixed::blanks(kTextLength);
  gGis.gisDataLineLarge = fixed::blanks(kLongTextLength);
  for (int i = 1; i <= 4; ++i) gGis.gisMessageLines[i] = fixed::blanks(kTextLength);
}

// Only the slots a run has made: one never made is free and in its reset state already.
void clearSlotFlags() {
  for (int id = 1; id <= kGisMaxLayers; ++id) {
    if (!gGis.layers.find(id)) continue;
    GisLayerSlot& slot = gGis.layers[id];
    slot.gisInUse = false;
    slot.gisFileName = fixed::blanks(kTextLength);
    slot.gisLayerType = kGisLayerFree;
    slot.gisEndOfData = false;
    slot.gisWrite = false;
  }
}

void clearInputChecks() {
  gGis.gisMiProjection = fixed::blanks(kTextLength);
  gGis.gisShpProjection = fixed::blanks(kTextLength);
  gGis.gisProjectionCheckIsError = false;
  gGis.gisCheckSaveDate = false;
  gGis.gisSaveDateIsError = false;
  gGis.gisCompanionExt = fixed::fit(".tab", 8);
}

void openWorkspace(const std::string& caption, const std::string& workspaceBase) {
  if (fixed::isBlank(workspaceBase)) {
    gGis.gisWorkspaceUnit = -1;
    return;
  }
  OPENERBYNAME(gGis.gisWorkspaceUnit, "O ", fixed::trimmed(workspaceBase) + ".wor", kGisTextNameLength);
  gisWorkspacePut("!Workspace");
  gisWorkspacePut("!Version 600");
  gisWorkspacePut("!Charset WindowsLatin1");
  gisWorkspacePut("!Contains GIS input layers from KESTRA simulation " + fixed::trimmed(caption));
}

// The register is a MIF/MID pair whose rows have no geometry: ID, the handle of the opening, and
// the layer's full name.
void openRegister(const std::string& registerBase) {
  if (fixed::isBlank(registerBase)) {
    gGis.gisRegisterMifUnit = -1;
    gGis.gisRegisterMidUnit = -1;
    return;
  }
  const std::string base = fixed::trimmed(registerBase);
  OPENERBYNAME(gGis.gisRegisterMifUnit, "O ", base + "_input_layers.mif", kGisTextNameLength);
  OPENERBYNAME(gGis.gisRegisterMidUnit, "O ", base + "_input_layers.mid", kGisTextNameLength);
  for (const char* line : {"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "Columns 3", "  ID Integer",
                           "  Open_ID Integer", "  Layer Char(254)", "Data", ""})
    gisRegisterPut(gGis.gisRegisterMifUnit, line);
}

void clearRegisterNames() {
  gGis.gisRegisterCount = 0;
  std::vector<std::string>& names = gisRegisterNamesReady();
  for (int i = 1; i <= kGisRegisterSize; ++i) names[i] = fixed::blanks(kTextLength);
}

void resetSlotRecords() {
  for (int id = 1; id <= kGisMaxLayers; ++id) {
    if (!gGis.layers.find(id)) continue;
    GisLayerSlot& slot = gGis.layers[id];
    slot.mifLayer.reset();
    for (int k = 1; k <= kShpSubLayers; ++k) {
      slot.shpSubLayer[k].reset();
      slot.dbfSubLayer[k].reset();
    }
  }
}

}  // namespace

void gisInitialise(int logUnit, const std::string& caption, const std::string& workspaceBase,
                   const std::string& registerBase) {
  gGis.gisLogUnit = logUnit;
  clearBuffers();
  clearSlotFlags();
  clearInputChecks();
  openWorkspace(caption, workspaceBase);
  openRegister(registerBase);
  clearRegisterNames();
  resetSlotRecords();
}
