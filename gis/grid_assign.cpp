// gisAssignLayerToGrid and the per-kind assignment it shares with gisAssignObjectToGrid.
#include "gis/grid_assign.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "geometry/grid_frame.hpp"
#include "geometry/grid_regions.hpp"
#include "gis/gis_messages.hpp"
#include "gis/gis_read.hpp"
#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/run_control.hpp"

GridAssignBuffers gAssignLayerBuffers;
GridAssignBuffers gAssignObjectBuffers;
namespace {
const bool kEnrolled =
    processstate::enrol("gAssignLayerBuffers", [] { gAssignLayerBuffers.reset(); }) &&
    processstate::enrol("gAssignObjectBuffers", [] { gAssignObjectBuffers.reset(); });
}  // namespace

std::size_t GridValueArrays::cells() const {
  return static_cast<std::size_t>(std::max(gridDim1, 0)) *
         static_cast<std::size_t>(std::max(gridDim2, 0));
}

namespace {

// The kinds assigned cell by cell along their segments: every supported kind that is neither a point
// kind nor a region.
bool assignedAlongSegments(const GisObject& o) { return !o.isPoint && !o.isMultiPoint && !o.isRegion; }

std::string valueShown(const GridAssignSettings& s, float value) {
  return s.lInteger ? AINTEGER(roundedValue(value)) : AREAL(value);
}

// The part's console line up to "to", left open for the count.
void writePartOpening(const GisObject& o, std::int32_t nPoints, const std::string& text) {
  std::string line = "...GIS " + fixed::trimmed(o.typeName) + " (" + formatInteger(nPoints, 6);
  if (o.isRegion)
    line += " vertices /" + formatInteger(o.nr, 3) + " polygons) assigned ";
  else
    line += " vertices) assigned a value of ";
  console::write(line + fixed::trimmed(text) + " to");
}

// The count and its word end the line.
void writePartClosing(const GridAssignSettings& s, std::int32_t count) {
  const bool points = s.lCountOnly || s.lSidesOnly || s.lCellsAndSides;
  console::line(formatInteger(count, 6) + (points ? " points" : " cells"));
}

// Window cell (r, c) of a point or line: a plain set of the integer cell, the four sides, or
// the real cell. Elements outside the arrays are skipped and not counted.
void writeWindowCell(const GridAssignSettings& s, GridValueArrays& a, std::int32_t r,
                     std::int32_t c, float value, std::int32_t& count) {
  if (r < 1 || r > s.nRows || c < 1 || c > s.nCols) return;
  const std::int32_t R = s.rowOffset + r;
  const std::int32_t C = s.colOffset + c;
  if (s.lInteger) {
    if (std::int32_t* p = a.at(a.cellValueInt, R, C)) {
      *p = roundedValue(value);
      ++count;
    }
  } else if (s.lSidesOnly) {
    const float add = s.lHalve ? value / 2.0f : value;
    float* sides[4] = {a.at(a.sideXValue, R, C), a.at(a.sideXValue, R, C - 1),
                       a.at(a.sideYValue, R, C), a.at(a.sideYValue, R - 1, C)};
    for (float* p : sides) {
      if (!p) continue;
      *p = s.lAdd ? *p + add : value;
      ++count;
    }
  } else if (float* p = a.at(a.cellValue, R, C)) {
    *p = value;
    ++count;
  }
}

// Points and multipoints: the cells of the point's window. Columns are found with cellSizeX and
// rows with cellSizeY, so that unequal cell sizes put the point in the cell it lies in.
void assignPoints(const GridAssignSettings& s, GridValueArrays& a, GridAssignBuffers& b,
                  std::int32_t nPoints, float value, std::int32_t& count, GridAssignWindow& w) {
  if (nPoints < 1) return;  // no position: nothing to write, and no stale vertex is used
  std::int32_t rowLo = 0, colLo = 0, rowHi = 0, colHi = 0, unusedLo = 0, unusedHi = 0;
  float xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  SET_SUB_GRID_AREA(b.u, b.v, nPoints, s.cellSizeX, s.nRows, s.nCols, unusedLo, colLo, unusedHi,
                    colHi, xmin, ymin, xmax, ymax);
  SET_SUB_GRID_AREA(b.u, b.v, nPoints, s.cellSizeY, s.nRows, s.nCols, rowLo, unusedLo, rowHi,
                    unusedHi, xmin, ymin, xmax, ymax);
  w = GridAssignWindow{rowLo, colLo, rowHi, colHi};
  for (std::int32_t r = rowLo; r <= rowHi; ++r)
    for (std::int32_t c = colLo; c <= colHi; ++c) writeWindowCell(s, a, r, c, value, count);
}

// Lines: the cells each segment crosses, in the tracer's order; the end cell of one segment is
// the start cell of the next and is written once for each.
void assignLine(const GridAssignSettings& s, GridValueArrays& a, GridAssignBuffers& b,
                std::int32_t nPoints, float value, std::int32_t& count, GridAssignWindow& w) {
  const float sn = std::sin(s.gridAngle);
  const float cs = std::cos(s.gridAngle);
  float prevU = b.u[1], prevV = b.v[1];
  std::int32_t rowFirst = 0, rowLast = 0, colFirst = 0, listed = w.colLast;
  for (std::int32_t k = 2; k <= nPoints; ++k) {
    const float dx = static_cast<float>(b.x[static_cast<std::size_t>(k)] - s.originX);
    const float dy = static_cast<float>(b.y[static_cast<std::size_t>(k)] - s.originY);
    const float u = cs * dx + sn * dy;
    const float v = cs * dy - sn * dx;
    std::int32_t colLast = 0;
    HX_CELLS_ON_SEGMENT_5(prevU, prevV, u, v, false, s.cellSizeX, s.cellSizeY, rowFirst, rowLast,
                          colFirst, colLast, listed, b.rows, b.cols, kGridAssignMaxCells, 0, 0);
    for (std::int32_t i = 1; i <= listed; ++i)
      writeWindowCell(s, a, b.rows[static_cast<std::size_t>(i)],
                      b.cols[static_cast<std::size_t>(i)], value, count);
    prevU = u;
    prevV = v;
  }
  w = GridAssignWindow{2, 1, nPoints, listed};
}

// One pass of the region rasteriser: the outline shifted by (du, dv), then the sample points
// inside marked and, unless counting, assigned into the integer or real array of the pair.
struct RegionPass {
  float du, dv;
  std::span<std::int32_t> intTarget;
  std::span<float> realTarget;
  bool assign;
};

void stopUnlessHeld(const GridValueArrays& a, const RegionPass& p, bool integer) {
  if (!p.assign) return;
  const std::size_t held = integer ? p.intTarget.size() : p.realTarget.size();
  if (held >= a.cells()) return;
  gisFail("ERROR - A grid value array holds fewer elements than the grid's dimensions.",
          "Elements = " + AINTEGER(static_cast<std::int32_t>(std::min<std::size_t>(held, INT32_MAX))) +
              ", grid = " + AINTEGER(a.gridDim1) + " x " + AINTEGER(a.gridDim2));
}

std::vector<RegionPass> regionPasses(const GridAssignSettings& s, GridValueArrays& a) {
  const float dx = s.cellSizeX, dy = s.cellSizeY;
  const float u0 = (static_cast<float>(s.colOffset) + 0.5f) * dx;
  const float v0 = (static_cast<float>(s.rowOffset) + 0.5f) * dy;
  const RegionPass cells{u0, v0, a.cellValueInt, a.cellValue, true};
  const RegionPass sideX{-0.5f * dx, 0.0f, a.sideXValueInt, a.sideXValue, true};
  const RegionPass sideY{0.5f * dx, -0.5f * dy, a.sideYValueInt, a.sideYValue, true};
  if (s.lSidesOnly)
    return {RegionPass{static_cast<float>(s.colOffset) * dx, v0, a.sideXValueInt, a.sideXValue, true},
            sideY};
  if (s.lCellsAndSides) return {cells, sideX, sideY};
  if (s.lCountOnly)
    return {RegionPass{u0, v0, {}, {}, false}, RegionPass{-0.5f * dx, 0.0f, {}, {}, false},
            RegionPass{0.5f * dx, -0.5f * dy, {}, {}, false},
            RegionPass{-0.5f * dx, 0.0f, {}, {}, false}};
  return {cells};
}

std::vector<std::uint8_t> allocateWork(std::size_t cells) {
  // A terabyte is beyond any machine this runs on; asking for it anyway can end the process
  // inside the allocator instead of failing.
  constexpr std::size_t kMostCells = std::size_t{1} << 40;
  try {
    if (cells <= kMostCells) return std::vector<std::uint8_t>(cells, 0);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  console::line("ERROR - Could not allocate memory (RAM) for Inside Region == Method B.");
  EXITS();
}

// Regions: the passes of the mode over the part's rings; the shifts accumulate.
void assignRegion(const GisObject& o, const GridAssignSettings& s, GridValueArrays& a,
                  GridAssignBuffers& b, std::int32_t nPoints, float value, std::int32_t& count,
                  GridAssignWindow& w, std::span<std::uint8_t> insideMask) {
  const std::vector<RegionPass> passes = regionPasses(s, a);
  for (const RegionPass& p : passes) stopUnlessHeld(a, p, s.lInteger);
  std::vector<std::uint8_t> mask = allocateWork(a.cells());
  std::vector<std::uint8_t> work = allocateWork(a.cells());
  const std::int32_t nr = std::clamp(o.nr, 0, kGisMaxParts);
  for (const RegionPass& p : passes) {
    for (std::int32_t i = 1; i <= nPoints; ++i) {
      b.u[static_cast<std::size_t>(i)] += p.du;
      b.v[static_cast<std::size_t>(i)] += p.dv;
    }
    std::int32_t passCount = 0;
    GRID_INSIDE_POLYGON(mask, work, p.intTarget, p.realTarget, a.gridDim1, a.gridDim2, s.cellSizeX,
                        s.cellSizeY, s.rowOffset, s.colOffset, true, p.assign,
                        p.assign && s.lInteger, true, value, s.lAdd, w.rowFirst, w.colFirst,
                        w.rowLast, w.colLast, passCount, b.u, b.v, {}, nPoints, o.ir, nr);
    count += passCount;
  }
  if (!insideMask.empty())
    std::copy_n(mask.begin(), std::min(mask.size(), insideMask.size()), insideMask.begin());
}

// ---- inputs checked where they enter -----------------------------------------------------------

std::string layerName(int gisID) {
  if (gisID < 1 || gisID > kGisMaxLayers) return "none";
  const GisLayerSlot& slot = gGis.layers[static_cast<std::size_t>(gisID)];
  return slot.gisInUse ? fixed::trimmed(slot.gisFileName) : std::string("none");
}

// An input that no cell can be numbered from: its message, naming the layer, the object and the
// value, then the end of the run.
[[noreturn]] void stopUnusableInput(const GridAssignSubject& who, const std::string& what) {
  gisSetMessage("ERROR - " + what + " when assigning GIS object to grid.",
                "GIS Layer = " + layerName(who.gisID));
  gGis.gisMessageLines[3] = fixed::fit("GIS Object = " + fixed::trimmed(who.object.typeName), kTextLength);
  gGis.gisMessageLines[4] =
      fixed::fit("Value = " + fixed::trimmed(valueShown(who.settings, who.value)), kTextLength);
  gisPrintMessage(1);
  EXITS();
}

bool sumFits(std::int32_t a, std::int32_t b) {
  const std::int64_t sum = static_cast<std::int64_t>(a) + b;
  return sum >= INT32_MIN && sum <= INT32_MAX;
}

// The grid frame and window: usable cell sizes, a finite origin and angle, and offsets that
// carry every window cell to an index.
void checkSettings(const GridAssignSubject& who) {
  const GridAssignSettings& s = who.settings;
  if (!cellSizeUsable(s.cellSizeX))
    stopUnusableInput(who, "Cell size along u of " + AREAL(s.cellSizeX) + " is not a positive number");
  if (!cellSizeUsable(s.cellSizeY))
    stopUnusableInput(who, "Cell size along v of " + AREAL(s.cellSizeY) + " is not a positive number");
  if (!std::isfinite(s.originX) || !std::isfinite(s.originY) || !std::isfinite(s.gridAngle))
    stopUnusableInput(who, "Grid origin or angle is not a finite number");
  if (!sumFits(s.rowOffset, s.nRows))
    stopUnusableInput(who, "Row offset " + AINTEGER(s.rowOffset) + " and " + AINTEGER(s.nRows) +
                               " rows pass the range of a cell index");
  if (!sumFits(s.colOffset, s.nCols))
    stopUnusableInput(who, "Column offset " + AINTEGER(s.colOffset) + " and " + AINTEGER(s.nCols) +
                               " columns pass the range of a cell index");
}

// Every vertex of the part finite and, in the grid's frame, within reach of a cell index.
void checkVertices(const GridAssignSubject& who, const GridAssignBuffers& b, std::int32_t nPoints) {
  const GridAssignSettings& s = who.settings;
  auto vertex = [&](std::size_t i) {
    return "Vertex " + AINTEGER(static_cast<std::int32_t>(i)) + " at (" + AREAL8(b.x[i]) + ", " +
           AREAL8(b.y[i]) + ")";
  };
  for (std::size_t i = 1; i <= static_cast<std::size_t>(nPoints); ++i) {
    if (!std::isfinite(b.x[i]) || !std::isfinite(b.y[i]))
      stopUnusableInput(who, vertex(i) + " is not a finite position");
    if (!cellPositionUsable(b.u[i], s.cellSizeX) || !cellPositionUsable(b.v[i], s.cellSizeY))
      stopUnusableInput(who, vertex(i) + " lies beyond the reach of a cell index");
  }
}

}  // namespace

bool gridAssignKindSupported(const GisObject& o) {
  return o.isPoint || o.isMultiPoint || o.isLine || o.isPline || o.isPlineMultiple || o.isRegion;
}

void gridAssignSkipObject(int gisID, GisObject& gisO, GridAssignBuffers& buf) {
  for (int k = 1; k <= gisO.nSections; ++k) {
    std::int32_t nPoints = 0;
    double xc = 0, yc = 0;
    float angle = 0, length = 0;
    gisReadObject(gisID, gisO, buf.x, buf.y, kGisMaxVertices, nPoints, xc, yc, angle, length, false);
  }
  gisSetMessage("WARNING 2073 - Object ignored.  Only Points, Lines, Polylines & Regions used.",
                "GIS Object = " + fixed::trimmed(gisO.typeName));
  gisPrintMessage(0);
}

float gridAssignReadValue(int gisID, const std::string& record) {
  double v = 0.0;
  const bool ok = freeFormatReadDoubles(record, 1, &v) == FreeReadStatus::Ok &&
                  std::isfinite(static_cast<float>(v));
  if (!ok)
    gisRefuse(gisLastRecordOf(gisID), "ERROR 2148 - Reading attribute data from data line below.",
              "Data Line = " + fixed::trimmed(record));
  return static_cast<float>(v);
}

void gridAssignPart(const GridAssignSubject& who, GridValueArrays& arrays, GridAssignBuffers& buf,
                    std::int32_t nPoints, std::int32_t& nAssigned, GridAssignWindow& window,
                    std::span<std::uint8_t> insideMask) {
  const GisObject& gisO = who.object;
  const GridAssignSettings& s = who.settings;
  const float value = who.value;
  nPoints = std::clamp(nPoints, 0, kGisMaxVertices);
  std::int32_t count = 0;
  nAssigned = 0;
  checkSettings(who);
  GEO_SHIFT(buf.x, buf.y, nPoints, s.originX, s.originY, s.gridAngle, buf.u, buf.v);
  checkVertices(who, buf, nPoints);
  writePartOpening(gisO, nPoints, valueShown(s, value));
  if (gisO.isRegion)
    assignRegion(gisO, s, arrays, buf, nPoints, value, count, window, insideMask);
  else if (assignedAlongSegments(gisO))
    assignLine(s, arrays, buf, nPoints, value, count, window);
  else
    assignPoints(s, arrays, buf, nPoints, value, count, window);
  nAssigned = count;
  writePartClosing(s, count);
}

void gisAssignLayerToGrid(int gisID, const GridAssignSettings& settings, GridValueArrays& arrays,
                          std::int32_t& nAssigned) {
  gisCheckHandle("gisAssignLayerToGrid", gisID);
  GridAssignBuffers& buf = gAssignLayerBuffers;
  GisObject& object = buf.object;
  // At the end of the layer the call does nothing; a look that finds no object before it looks
  // again.
  for (;;) {
    if (gGis.layers[static_cast<std::size_t>(gisID)].gisEndOfData) return;
    gisInitialiseObject(object);
    if (gisObjectType(gisID, object)) break;
  }
  // The record is read before the kind is tested, so that an object passed over takes its record
  // with it.
  gisReadRecord(gisID, object, buf.record);
  const float value = gridAssignReadValue(gisID, buf.record);
  // Kinds that are not assigned are read past.
  if (!gridAssignKindSupported(object)) {
    gridAssignSkipObject(gisID, object, buf);
    return;
  }
  // Each part is assigned on its own and prints its own line.
  GridAssignWindow window;
  const GridAssignSubject who{gisID, object, settings, value};
  for (int k = 1; k <= object.nSections; ++k) {
    nAssigned = 0;
    std::int32_t nPoints = 0;
    double xc = 0, yc = 0;
    float angle = 0, length = 0;
    gisReadObject(gisID, object, buf.x, buf.y, kGisMaxVertices, nPoints, xc, yc, angle, length, true);
    gridAssignPart(who, arrays, buf, nPoints, nAssigned, window, {});
  }
}
