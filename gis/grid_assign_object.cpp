// gisAssignObjectToGrid: the object of a layer, or one the caller holds, assigned to the grid,
// with the window of the last part and a region's inside mask returned.
#include <algorithm>
#include <cstdint>

#include "gis/gis_messages.hpp"
#include "gis/gis_read.hpp"
#include "gis/grid_assign.hpp"
#include "utility/numbers.hpp"

namespace {

// The caller's coordinates into the routine's own arrays: as many as both hold. A count beyond
// them stops the run rather than reading past the caller's arrays.
std::int32_t takeCallerCoordinates(std::span<const double> objX, std::span<const double> objY,
                                   std::int32_t objNPoints, GridAssignBuffers& buf) {
  const std::size_t held = std::min({objX.size(), objY.size(), buf.x.size()});
  const auto usable = static_cast<std::int32_t>(held == 0 ? 0 : held - 1);
  if (objNPoints > usable)
    gisFail("ERROR 0310 - Exceeded number of allowable nodes in a single polyline or region.",
            "             Requested" + formatInteger(objNPoints, 8) + "        Limit" +
                formatInteger(usable, 8));
  buf.x.write(0, objX.first(held));
  buf.y.write(0, objY.first(held));
  return std::max(objNPoints, 0);
}

}  // namespace

void gisAssignObjectToGrid(int gisID, GisObject& gisO, const GridAssignSettings& settings,
                           GridValueArrays& arrays, bool lReadValue, bool lReadObject,
                           std::span<const double> objX, std::span<const double> objY,
                           std::int32_t objNPoints, float& value, std::int32_t& nAssigned,
                           GridAssignWindow& window, std::span<std::uint8_t> insideMask) {
  GridAssignBuffers& buf = gAssignObjectBuffers;
  if (lReadObject) {
    gisCheckHandle("gisAssignObjectToGrid", gisID);
    for (;;) {
      if (gGis.layers[static_cast<std::size_t>(gisID)].gisEndOfData) return;
      gisInitialiseObject(gisO);
      if (gisObjectType(gisID, gisO)) break;
    }
    gisReadRecord(gisID, gisO, buf.record);
    if (lReadValue) value = gridAssignReadValue(gisID, buf.record);
  }
  if (!gridAssignKindSupported(gisO)) {
    gridAssignSkipObject(gisID, gisO, buf);
    return;
  }
  // A caller's object is copied once: every part sees the same coordinates.
  const std::int32_t callerPoints =
      lReadObject ? 0 : takeCallerCoordinates(objX, objY, objNPoints, buf);
  const GridAssignSubject who{gisID, gisO, settings, value};
  for (int k = 1; k <= gisO.nSections; ++k) {
    nAssigned = 0;
    std::int32_t nPoints = callerPoints;
    if (lReadObject) {
      double xc = 0, yc = 0;
      float angle = 0, length = 0;
      gisReadObject(gisID, gisO, buf.x, buf.y, kGisMaxVertices, nPoints, xc, yc, angle, length,
                    true);
    }
    gridAssignPart(who, arrays, buf, nPoints, nAssigned, window,
                   gisO.isRegion ? insideMask : std::span<std::uint8_t>{});
  }
}
