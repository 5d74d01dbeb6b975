// The lines that a newly registered input layer adds to the input-layer register (a MIF/MID pair
// of rows without geometry) and to the workspace file.
#include <string>

#include "gis/gis_layers.hpp"
#include "gis/gis_messages.hpp"
#include "gis/gis_state.hpp"
#include "utility/files.hpp"
#include "utility/numbers.hpp"
#include "utility/text.hpp"

void gisWorkspacePut(const std::string& line) {
  const int unit = gGis.gisWorkspaceUnit;
  if (!fuWriteLine(unit, line)) gisWriteFailure("ERROR 0255 - Writing GIS workspace file.", fuName(unit));
}

void gisRegisterPut(int unit, const std::string& line) {
  if (!fuWriteLine(unit, line)) gisWriteFailure("ERROR 0256 - Writing GIS input layer register.", fuName(unit));
}

void gisRegisterRow(int registerIndex, int gisID, const std::string& name, const std::string& ext) {
  if (gGis.gisRegisterMifUnit < 1) return;
  gisRegisterPut(gGis.gisRegisterMifUnit, "none");
  if (gGis.gisRegisterMidUnit < 1) return;
  gisRegisterPut(gGis.gisRegisterMidUnit,
                 rightAligned(AINTEGER(registerIndex), 5) + "," + rightAligned(AINTEGER(gisID), 5) + ", " + quoted(name + ext));
}

void gisWorkspaceLine(const std::string& name, const std::string& ext) {
  if (gGis.gisWorkspaceUnit < 1) return;
  std::string line;
  if (ext.rfind(".mi", 0) == 0) {
    const std::string table = name + ".tab";
    if (fuFileExists(table))
      line = "Open Table " + quoted(table);
    else
      line = "! .mif/.mid Layer with no .tab Layer " + quoted(name + ext);
  } else {
    line = "! Non-MapInfo .tab Layer " + quoted(name + ext);
  }
  gisWorkspacePut(line);
}
