// Assignment of layer objects to a rotated grid: points, lines and regions into cells and sides,
// integer and real modes, adding, halving, counting, the windows returned, the console lines,
// and objects read from layers written by the library's own writers.
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "gis/grid_assign.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

// A grid of dim1 rows by dim2 columns with all six arrays, column-major like the rasteriser's.
struct Grid {
  std::int32_t dim1, dim2;
  std::vector<std::int32_t> cellInt, sideXInt, sideYInt;
  std::vector<float> cell, sideX, sideY;
  GridValueArrays arrays;
  Grid(std::int32_t d1, std::int32_t d2)
      : dim1(d1), dim2(d2), cellInt(d1 * d2), sideXInt(d1 * d2), sideYInt(d1 * d2),
        cell(d1 * d2), sideX(d1 * d2), sideY(d1 * d2) {
    arrays = GridValueArrays{cellInt, sideXInt, sideYInt, cell, sideX, sideY, d1, d2};
  }
  static std::size_t k(std::int32_t d1, std::int32_t i, std::int32_t j) {
    return static_cast<std::size_t>((j - 1) * d1 + (i - 1));
  }
  float& c(std::int32_t i, std::int32_t j) { return cell[k(dim1, i, j)]; }
  std::int32_t& ci(std::int32_t i, std::int32_t j) { return cellInt[k(dim1, i, j)]; }
  float& sx(std::int32_t i, std::int32_t j) { return sideX[k(dim1, i, j)]; }
  float& sy(std::int32_t i, std::int32_t j) { return sideY[k(dim1, i, j)]; }
  std::int32_t& sxi(std::int32_t i, std::int32_t j) { return sideXInt[k(dim1, i, j)]; }
  std::int32_t& syi(std::int32_t i, std::int32_t j) { return sideYInt[k(dim1, i, j)]; }
  int nonZeroCells() const {
    int n = 0;
    for (float v : cell) n += v != 0.0f;
    for (std::int32_t v : cellInt) n += v != 0;
    return n;
  }
};

GridAssignSettings window(std::int32_t nRows, std::int32_t nCols) {
  GridAssignSettings s;
  s.nRows = nRows;
  s.nCols = nCols;
  return s;
}

// A caller's object: kind set by the caller, vertices 1..n.
struct Shape {
  GisObject o;
  std::vector<double> x = std::vector<double>(kGisMaxVertices + 1, 0.0);
  std::vector<double> y = std::vector<double>(kGisMaxVertices + 1, 0.0);
  std::int32_t n = 0;
  void add(double px, double py) {
    ++n;
    x[static_cast<std::size_t>(n)] = px;
    y[static_cast<std::size_t>(n)] = py;
  }
};

using Points = std::initializer_list<std::pair<double, double>>;

// An object of one kind with its vertices, as a caller holds it.
Shape shape(bool GisObject::*flag, const char* name, Points pts) {
  Shape s;
  gisInitialiseObject(s.o);
  s.o.*flag = true;
  s.o.typeName = fixed::fit(name, kGisTypeNameLength);
  for (auto [px, py] : pts) s.add(px, py);
  return s;
}

Shape pointAt(double px, double py) { return shape(&GisObject::isPoint, "POINT", {{px, py}}); }
Shape polyline(Points pts) { return shape(&GisObject::isPline, "PLINE", pts); }

// One closed ring in the readers' layout: the points, the first repeated, then the second again.
Shape region(Points ring) {
  Shape s = shape(&GisObject::isRegion, "REGION", ring);
  s.add(s.x[1], s.y[1]);
  s.o.ir[1] = s.n;
  s.o.nr = 1;
  s.add(s.x[2], s.y[2]);
  return s;
}

class GridAssignTest : public FileUnitsTest {
 protected:
  // The caller's-object form of the generalised routine.
  // The count assigned is also left in nAssigned.
  std::int32_t assign(Shape& sh, const GridAssignSettings& s, Grid& g, float value,
                      std::span<std::uint8_t> mask = {}) {
    float v = value;
    gisAssignObjectToGrid(0, sh.o, s, g.arrays, false, false, sh.x, sh.y, sh.n, v, nAssigned,
                          win, mask);
    return nAssigned;
  }

  std::int32_t nAssigned = -7;
  GridAssignWindow win;
};

// ---- points -----------------------------------------------------------------------------------

TEST_F(GridAssignTest, PointSetsItsCellThroughTheOffsets) {
  Grid g(15, 25);
  GridAssignSettings s = window(4, 5);
  s.rowOffset = 10;
  s.colOffset = 20;
  Shape p = pointAt(2.5, 1.5);  // window cell (2, 3)
  assign(p, s, g, 2.5f);
  EXPECT_EQ(g.c(12, 23), 2.5f);
  EXPECT_EQ(g.nonZeroCells(), 1);
  EXPECT_EQ(nAssigned, 1);
  EXPECT_EQ(output(), "...GIS POINT (     1 vertices) assigned a value of 2.5 to     1 cells\n");
  EXPECT_EQ(win.rowFirst, 2);
  EXPECT_EQ(win.colFirst, 3);
  EXPECT_EQ(win.rowLast, 2);
  EXPECT_EQ(win.colLast, 3);
}

TEST_F(GridAssignTest, PointSidesAddHalfTheValueAndCountFour) {
  Grid g(15, 25);
  GridAssignSettings s = window(4, 5);
  s.rowOffset = 10;
  s.colOffset = 20;
  s.lSidesOnly = s.lAdd = s.lHalve = true;
  g.sx(12, 23) = 1.0f;
  Shape p = pointAt(2.5, 1.5);
  assign(p, s, g, 3.0f);
  EXPECT_EQ(g.sx(12, 23), 2.5f);
  EXPECT_EQ(g.sx(12, 22), 1.5f);
  EXPECT_EQ(g.sy(12, 23), 1.5f);
  EXPECT_EQ(g.sy(11, 23), 1.5f);
  EXPECT_EQ(g.nonZeroCells(), 0);
  EXPECT_EQ(nAssigned, 4);
  EXPECT_EQ(output(), "...GIS POINT (     1 vertices) assigned a value of 3. to     4 points\n");

  // Without lAdd each side is set and lHalve plays no part.
  s.lAdd = false;
  assign(p, s, g, 3.0f);
  EXPECT_EQ(g.sx(12, 23), 3.0f);
  EXPECT_EQ(g.sy(11, 23), 3.0f);
}

TEST_F(GridAssignTest, IntegerModeRoundsHalvesAwayFromZero) {
  Grid g(4, 4);
  GridAssignSettings s = window(4, 4);
  s.lInteger = s.lAdd = true;
  g.ci(1, 1) = 10;
  // A region adds the rounded value.
  Shape r = region({{0, 0}, {2, 0}, {2, 2}, {0, 2}});
  EXPECT_EQ(assign(r, s, g, 2.5f), 4);
  EXPECT_EQ(g.ci(1, 1), 13);
  EXPECT_EQ(g.ci(2, 2), 3);
  EXPECT_EQ(g.c(1, 1), 0.0f);
  // A point always sets it: neither lAdd nor lSidesOnly applies to it in integer mode.
  clearOutput();
  s.lSidesOnly = true;
  Shape p = pointAt(0.5, 0.5);
  assign(p, s, g, 2.5f);
  EXPECT_EQ(g.ci(1, 1), 3);
  EXPECT_EQ(output(), "...GIS POINT (     1 vertices) assigned a value of 3 to     1 points\n");
  assign(p, s, g, -2.5f);
  EXPECT_EQ(g.ci(1, 1), -3);
  EXPECT_EQ(g.sxi(1, 1), 0);
  EXPECT_EQ(g.sx(1, 1), 0.0f);
}

TEST_F(GridAssignTest, PointsOutsideTheWindowOrTheArraysAreSkipped) {
  Grid g(3, 3);
  GridAssignSettings s = window(3, 3);
  for (auto [px, py] : {std::pair{-1.5, 0.5}, {0.5, 3.5}, {7.0, 7.0}, {0.5, -2.0}}) {
    Shape p = pointAt(px, py);
    assign(p, s, g, 1.0f);
    EXPECT_EQ(nAssigned, 0) << px << "," << py;
  }
  EXPECT_EQ(g.nonZeroCells(), 0);
  EXPECT_TRUE(outputHas("assigned a value of 1. to     0 cells\n"));

  // A window placed past the arrays' last row writes nothing (and nothing beyond them).
  clearOutput();
  s.rowOffset = 2;
  Shape p = pointAt(0.5, 1.5);  // window row 2 = array row 4 of 3
  assign(p, s, g, 1.0f);
  EXPECT_EQ(nAssigned, 0);
  EXPECT_EQ(g.nonZeroCells(), 0);

  // A position less than one cell below the origin still lies in row 1 and column 1.
  s.rowOffset = 0;
  Shape q = pointAt(-0.5, -0.5);
  assign(q, s, g, 4.0f);
  EXPECT_EQ(g.c(1, 1), 4.0f);
}

TEST_F(GridAssignTest, SidesBeyondTheArraysEdgeAreSkippedAndNotCounted) {
  Grid g(2, 2);
  GridAssignSettings s = window(2, 2);
  s.lSidesOnly = true;
  Shape p = pointAt(0.5, 0.5);  // cell (1, 1): its low-u and low-v sides lie outside the arrays
  EXPECT_EQ(assign(p, s, g, 5.0f), 2);
  EXPECT_EQ(std::make_pair(g.sx(1, 1), g.sy(1, 1)), std::make_pair(5.0f, 5.0f));
}

TEST_F(GridAssignTest, RotatedGridAndUnequalCellSizes) {
  Grid g(5, 5);
  GridAssignSettings s = window(5, 5);
  s.originX = 100.0;
  s.originY = 200.0;
  s.gridAngle = static_cast<float>(std::numbers::pi / 2);
  // u points along world y, v along world -x: world (99, 203.5) is u = 3.5, v = 1.
  Shape p = pointAt(98.5, 203.5);  // u 3.5, v 1.5: row 2, column 4
  assign(p, s, g, 7.0f);
  EXPECT_EQ(g.c(2, 4), 7.0f);
  EXPECT_EQ(g.nonZeroCells(), 1);

  // Columns 2 wide, rows 1 high: u 3.0, v 2.5 is column 2, row 3.
  Grid h(5, 5);
  GridAssignSettings t = window(5, 5);
  t.cellSizeX = 2.0f;
  t.cellSizeY = 1.0f;
  Shape q = pointAt(3.0, 2.5);
  assign(q, t, h, 1.0f);
  EXPECT_EQ(h.c(3, 2), 1.0f);
  EXPECT_EQ(h.nonZeroCells(), 1);
}

TEST_F(GridAssignTest, MultipointPartsEachPrintAndCount) {
  Grid g(4, 4);
  Shape p = pointAt(1.5, 1.5);
  p.o.isPoint = false;
  p.o.isMultiPoint = true;
  p.o.nSections = 2;
  p.o.typeName = fixed::fit("MULTIPOINT", kGisTypeNameLength);
  assign(p, window(4, 4), g, 1.0f);
  EXPECT_EQ(output(),
            "...GIS MULTIPOINT (     1 vertices) assigned a value of 1. to     1 cells\n"
            "...GIS MULTIPOINT (     1 vertices) assigned a value of 1. to     1 cells\n");
  EXPECT_EQ(g.c(2, 2), 1.0f);
}

// ---- lines ------------------------------------------------------------------------------------

TEST_F(GridAssignTest, HorizontalLineWritesTheCellsItCrosses) {
  Grid g(3, 6);
  Shape l = polyline({{0.2, 0.5}, {3.8, 0.5}});
  assign(l, window(3, 6), g, 2.0f);
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(g.c(1, c), 2.0f) << c;
  EXPECT_EQ(g.nonZeroCells(), 4);
  EXPECT_EQ(nAssigned, 4);
  EXPECT_EQ(output(), "...GIS PLINE (     2 vertices) assigned a value of 2. to     4 cells\n");
}

TEST_F(GridAssignTest, LineCellsAreSetNotAddedAndCountedOncePerSegment) {
  Grid g(8, 8);
  GridAssignSettings s = window(8, 8);
  s.lAdd = true;
  g.c(5, 5) = 100.0f;
  // Up through column 5 and back down: both segments pass through cell (5, 5).
  Shape l = polyline({{4.2, 2.2}, {4.8, 6.8}, {4.3, 2.3}});
  assign(l, s, g, 1.0f);
  EXPECT_EQ(g.c(5, 5), 1.0f);
  EXPECT_EQ(g.c(7, 5), 1.0f);
  EXPECT_EQ(nAssigned, 10);  // rows 3 .. 7 twice, the turning cell once per segment
}

TEST_F(GridAssignTest, LineWindowIsTheVertexRangeAndTheLastSegmentsCells) {
  Grid g(6, 6);
  Shape l = polyline({{0.2, 0.2}, {0.3, 2.8}, {1.2, 2.6}, {4.8, 2.6}});
  assign(l, window(6, 6), g, 1.0f);
  EXPECT_EQ(win.rowFirst, 2);
  EXPECT_EQ(win.rowLast, 4);
  EXPECT_EQ(win.colFirst, 1);
  EXPECT_EQ(win.colLast, 4);  // cells (3,2) .. (3,5)

  Shape m = polyline({{0.2, 0.2}, {0.3, 2.8}, {1.2, 2.6}, {3.8, 2.6}});
  assign(m, window(6, 6), g, 1.0f);
  EXPECT_EQ(win.rowLast, 4);
  EXPECT_EQ(win.colLast, 3);
}

TEST_F(GridAssignTest, LineCellsOutsideTheWindowAreSkipped) {
  Grid g(10, 10);
  GridAssignSettings s = window(2, 2);
  Shape l = polyline({{0.2, 0.5}, {5.5, 0.5}, {5.5, 3.5}, {0.2, 3.5}});
  assign(l, s, g, 1.0f);
  EXPECT_EQ(g.c(1, 1), 1.0f);
  EXPECT_EQ(g.c(1, 2), 1.0f);
  EXPECT_EQ(g.nonZeroCells(), 2);  // the rest lies right of or above the 2 x 2 window
  EXPECT_EQ(nAssigned, 2);
}

TEST_F(GridAssignTest, CallersMultiplePolylineTracesTheSameCoordinatesForEveryPart) {
  Grid g(4, 4);
  Shape l = polyline({{0.2, 0.5}, {2.8, 0.5}});
  l.o.isPline = false;
  l.o.isPlineMultiple = true;
  l.o.nSections = 2;
  l.o.typeName = fixed::fit("PLINE MULTIPLE", kGisTypeNameLength);
  GridAssignSettings s = window(4, 4);
  s.lSidesOnly = s.lAdd = true;
  assign(l, s, g, 1.0f);
  EXPECT_EQ(output(),
            "...GIS PLINE MULTIPLE (     2 vertices) assigned a value of 1. to     8 points\n"
            "...GIS PLINE MULTIPLE (     2 vertices) assigned a value of 1. to     8 points\n");
  EXPECT_EQ(nAssigned, 8);
  EXPECT_EQ(g.sx(1, 1), 4.0f);  // high-u side of cell 1 and low-u side of cell 2, twice each
}

// ---- regions ----------------------------------------------------------------------------------

TEST_F(GridAssignTest, RegionPlainWritesTheCellsWhoseCentresAreInside) {
  Grid g(6, 6);
  Shape r = region({{0, 0}, {4, 0}, {4, 4}, {0, 4}});
  std::vector<std::uint8_t> mask(36, 9);
  assign(r, window(6, 6), g, 5.0f, mask);
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 6; ++j) {
      const bool inside = i <= 4 && j <= 4;
      EXPECT_EQ(g.c(i, j), inside ? 5.0f : 0.0f) << i << "," << j;
      EXPECT_EQ(mask[Grid::k(6, i, j)], inside ? 1 : 0) << i << "," << j;
    }
  EXPECT_EQ(nAssigned, 16);
  EXPECT_EQ(output(), "...GIS REGION (     6 vertices /  1 polygons) assigned 5. to    16 cells\n");
}

TEST_F(GridAssignTest, RegionFollowsTheOffsetsAndTheRotation) {
  Grid g(8, 8);
  GridAssignSettings s = window(3, 3);
  s.rowOffset = 2;
  s.colOffset = 3;
  s.originX = 10.0;
  s.originY = 10.0;
  s.gridAngle = static_cast<float>(std::numbers::pi);  // u along world -x, v along world -y
  Shape r = region({{10, 10}, {8, 10}, {8, 9}, {10, 9}});  // u 0..2, v 0..1
  assign(r, s, g, 1.0f);
  EXPECT_EQ(g.c(3, 4), 1.0f);
  EXPECT_EQ(g.c(3, 5), 1.0f);
  EXPECT_EQ(g.nonZeroCells(), 2);
}

TEST_F(GridAssignTest, RegionSidesOnlyWritesTheSideMidpointsInside) {
  Grid g(6, 6);
  GridAssignSettings s = window(6, 6);
  s.lSidesOnly = true;
  Shape r = region({{0, 0}, {2, 0}, {2, 2}, {0, 2}});
  std::vector<std::uint8_t> mask(36, 0);
  assign(r, s, g, 1.0f, mask);
  // High-u side midpoints (c, r - 0.5) inside for c = 1, 2 (u = 2 on the right edge counts).
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) {
      EXPECT_EQ(g.sx(i, j), 1.0f) << i << "," << j;
      EXPECT_EQ(g.sy(i, j), 1.0f) << i << "," << j;
    }
  EXPECT_EQ(g.nonZeroCells(), 0);
  EXPECT_EQ(nAssigned, 8);
  EXPECT_TRUE(outputHas("to     8 points"));
  // The mask shows the last pass: the high-v side midpoints.
  EXPECT_EQ(mask[Grid::k(6, 2, 2)], 1);
  EXPECT_EQ(mask[Grid::k(6, 3, 2)], 0);
}

TEST_F(GridAssignTest, RegionCellsAndSidesAndCountOnly) {
  Grid g(6, 6);
  GridAssignSettings s = window(6, 6);
  s.lCellsAndSides = true;
  Shape r = region({{0, 0}, {2, 0}, {2, 2}, {0, 2}});
  assign(r, s, g, 1.0f);
  EXPECT_EQ(nAssigned, 12);
  EXPECT_EQ(g.c(2, 2), 1.0f);
  EXPECT_EQ(g.sx(2, 2), 1.0f);
  EXPECT_EQ(g.sy(2, 2), 1.0f);

  Grid h(6, 6);
  GridAssignSettings t = window(6, 6);
  t.lCountOnly = true;
  clearOutput();
  assign(r, t, h, 1.0f);
  EXPECT_EQ(nAssigned, 16);  // centres, high-u and high-v midpoints, corners: 4 of each
  EXPECT_EQ(h.nonZeroCells(), 0);
  for (float v : h.sideX) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(output(), "...GIS REGION (     6 vertices /  1 polygons) assigned 1. to    16 points\n");
}

TEST_F(GridAssignTest, RegionCountOnlyNeedsNoValueArrays) {
  GridValueArrays none{{}, {}, {}, {}, {}, {}, 4, 4};
  GridAssignSettings t = window(4, 4);
  t.lCountOnly = true;
  Shape r = region({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  float v = 0.0f;
  gisAssignObjectToGrid(0, r.o, t, none, false, false, r.x, r.y, r.n, v, nAssigned, win, {});
  EXPECT_EQ(nAssigned, 4);

  // A grid whose work arrays no machine can hold is refused with its message, not left to the
  // allocator.
  const std::int32_t big = std::numeric_limits<std::int32_t>::max();
  GridValueArrays huge{{}, {}, {}, {}, {}, {}, big, big};
  EXPECT_EQ(expectRunEnd([&] {
              gisAssignObjectToGrid(0, r.o, t, huge, false, false, r.x, r.y, r.n, v, nAssigned, win, {});
            }),
            1);
  EXPECT_TRUE(outputHas("ERROR - Could not allocate memory (RAM) for Inside Region == Method B."));
}

TEST_F(GridAssignTest, RegionIntoAnArrayTooSmallForTheGridStops) {
  Grid g(4, 4);
  std::vector<float> small(3);
  g.arrays.cellValue = small;
  Shape r = region({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  EXPECT_EQ(expectRunEnd([&] { assign(r, window(4, 4), g, 1.0f); }), 1);
  EXPECT_TRUE(outputHas("ERROR - A grid value array holds fewer elements"));
}

TEST_F(GridAssignTest, InputsBeyondWhatTheGridCanTakeStop) {
  Grid g(4, 4);
  Shape l = polyline({{0.5, 0.5}, {1.5, 0.5}});
  std::vector<double> x(3), y(3);
  float v = 1.0f;
  EXPECT_EQ(expectRunEnd([&] {
              gisAssignObjectToGrid(0, l.o, window(4, 4), g.arrays, false, false, x, y, 5, v,
                                    nAssigned, win, {});
            }),
            1);
  EXPECT_TRUE(outputHas("ERROR 0310"));
  EXPECT_TRUE(outputHas("Requested       5        Limit       2"));
  EXPECT_EQ(g.nonZeroCells(), 0);

  // Positions and grids no cell can be numbered from stop before anything is written or printed,
  // naming the layer, the object and the value.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::int32_t big = std::numeric_limits<std::int32_t>::max();
  struct Case {
    Shape shape;
    GridAssignSettings settings;
    const char* text;
  };
  GridAssignSettings zero = window(4, 4), negative = window(4, 4), rows = window(4, 4),
                     cols = window(4, 4), origin = window(4, 4);
  zero.cellSizeX = 0.0f;
  negative.cellSizeY = -1.0f;
  rows.rowOffset = big;
  cols.colOffset = -big - 1;
  cols.nCols = -1;
  origin.originX = std::numeric_limits<double>::infinity();
  const std::vector<Case> cases{
      {polyline({{0.5, 0.5}, {nan, 0.5}}), window(4, 4),
       "ERROR - Vertex 2 at (NaN, 0.5) is not a finite position"},
      {polyline({{0.5, 0.5}, {1.0e300, 0.5}}), window(4, 4),
       "ERROR - Vertex 2 at (********************, 0.5) lies beyond the reach of a cell index"},
      {pointAt(3.0e9, 0.5), window(4, 4),
       "ERROR - Vertex 1 at (3000000000., 0.5) lies beyond the reach of a cell index"},
      {pointAt(0.5, 0.5), zero, "ERROR - Cell size along u of 0. is not a positive number"},
      {region({{0, 0}, {1, 0}, {1, 1}}), negative,
       "ERROR - Cell size along v of -1. is not a positive number"},
      {pointAt(0.5, 0.5), rows, "ERROR - Row offset 2147483647 and 4 rows pass the range"},
      {pointAt(0.5, 0.5), cols, "ERROR - Column offset -2147483648 and -1 columns pass the range"},
      {pointAt(0.5, 0.5), origin, "ERROR - Grid origin or angle is not a finite number"}};
  for (Case k : cases) {
    clearOutput();
    EXPECT_EQ(expectRunEnd([&] { assign(k.shape, k.settings, g, 2.5f); }), 1);
    const std::string named = " when assigning GIS object to grid.\nGIS Layer = none\nGIS Object = " +
                              fixed::trimmed(k.shape.o.typeName) + "\nValue = 2.5\n";
    EXPECT_TRUE(outputHas(std::string("\n") + k.text));
    EXPECT_TRUE(outputHas(named));
    EXPECT_FALSE(outputHas("...GIS"));
  }
  // A segment across more cells than a trace holds: the stop ends the open progress line first.
  clearOutput();
  Shape far = polyline({{0.5, 0.5}, {10001.5, 0.5}});
  EXPECT_EQ(expectRunEnd([&] { assign(far, window(4, 4), g, 1.5f); }), 1);
  EXPECT_EQ(output().rfind("...GIS PLINE (     2 vertices) assigned a value of 1.5 to\n"
                           "SORRY - Exceeded limit of    10000 HX cells per HX polyline segment.",
                           0),
            0u)
      << output();
  EXPECT_EQ(g.nonZeroCells(), 0);
}

// ---- objects from layers ----------------------------------------------------------------------

class GridAssignLayerTest : public GridAssignTest {
 protected:
  void SetUp() override {
    GridAssignTest::SetUp();
    defineAttributes({{"Value", "Float"}, {"Name", "Char", 8}});
    setOutputProjection("", "CoordSys NonEarth Units \"m\" Bounds (0, 0) (100, 100)");
  }

  void put(int id, GisObject& o, const Vertices& pts, const std::string& record) {
    setVertices(pts);
    writeObjectAndRecord(id, o, record);
  }

  // Points, a polyline of three sections and a square region, in a MIF layer.
  int writeAndOpen(const std::string& name) {
    int id = openOutputLayer(name, " ");
    GisObject p = newObject(&GisObject::isPoint);
    put(id, p, {{2.5, 1.5}}, "4.5,\"well\"");
    GisObject m = newObject(&GisObject::isPlineMultiple, {1, 3, 5});
    put(id, m, {{0.2, 0.5}, {1.8, 0.5}, {0.5, 3.2}, {0.5, 4.8}, {0.2, 2.5}, {3.8, 2.5}}, "-1,\"creek\"");
    GisObject r = newObject(&GisObject::isRegion);
    put(id, r, {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}, "7,\"pond\"");
    return closedAndOpenedForInput(id, name);
  }

  // A MIF layer of one point with the given record, open for input.
  int onePointLayer(const std::string& name, const std::string& record) {
    int id = openOutputLayer(name, " ");
    GisObject p = newObject(&GisObject::isPoint);
    put(id, p, {{0.5, 0.5}}, record);
    return closedAndOpenedForInput(id, name);
  }

  // The output layer closed and opened again for input, its header read.
  int closedAndOpenedForInput(int& id, const std::string& name) {
    gisCloseLayer(id);
    int in = gisOpenLayer(name, " ", "I ", false);
    gisReadHeader(in);
    clearOutput();
    return in;
  }
};

TEST_F(GridAssignLayerTest, EachCallAssignsOneObjectUntilTheLayerEnds) {
  Grid g(6, 6);
  int id = writeAndOpen("objects.mif");
  const GridAssignSettings s = window(6, 6);
  gisAssignLayerToGrid(id, s, g.arrays, nAssigned);
  EXPECT_EQ(g.c(2, 3), 4.5f);
  EXPECT_EQ(nAssigned, 1);
  gisAssignLayerToGrid(id, s, g.arrays, nAssigned);
  EXPECT_EQ(nAssigned, 4);  // the third section alone: cells (3,1) .. (3,4)
  EXPECT_EQ(g.c(1, 1), -1.0f);
  EXPECT_EQ(g.c(4, 1), -1.0f);
  EXPECT_EQ(g.c(3, 4), -1.0f);
  gisAssignLayerToGrid(id, s, g.arrays, nAssigned);
  EXPECT_EQ(nAssigned, 4);
  EXPECT_EQ(g.c(1, 1), 7.0f);
  EXPECT_EQ(g.c(2, 2), 7.0f);
  EXPECT_EQ(output(),
            "...GIS POINT (     1 vertices) assigned a value of 4.5 to     1 cells\n"
            "...GIS PLINE MULTIPLE (     2 vertices) assigned a value of -1. to     2 cells\n"
            "...GIS PLINE MULTIPLE (     2 vertices) assigned a value of -1. to     2 cells\n"
            "...GIS PLINE MULTIPLE (     2 vertices) assigned a value of -1. to     4 cells\n"
            "...GIS REGION (     6 vertices /  1 polygons) assigned 7. to     4 cells\n");

  // At the end of the layer a call returns at once and touches nothing.
  clearOutput();
  nAssigned = -7;
  const std::vector<float> before = g.cell;
  gisAssignLayerToGrid(id, s, g.arrays, nAssigned);
  gisAssignLayerToGrid(id, s, g.arrays, nAssigned);
  EXPECT_EQ(nAssigned, -7);
  EXPECT_EQ(g.cell, before);
  EXPECT_EQ(output(), "");
}

TEST_F(GridAssignLayerTest, GeneralisedRoutineFillsTheCallersHeaderAndReportsTheWindow) {
  Grid g(6, 6);
  int id = writeAndOpen("general.mif");
  const GridAssignSettings s = window(6, 6);
  GisObject o;
  float value = 0.0f;
  std::vector<std::uint8_t> mask(36, 0);
  gisAssignObjectToGrid(id, o, s, g.arrays, true, true, {}, {}, 0, value, nAssigned, win, mask);
  EXPECT_TRUE(o.isPoint);
  EXPECT_EQ(value, 4.5f);
  EXPECT_EQ(g.c(2, 3), 4.5f);
  EXPECT_EQ(mask, std::vector<std::uint8_t>(36, 0));  // only regions touch the mask

  // Without lReadValue the caller's value is assigned, and the record still pairs with its object.
  value = 9.0f;
  gisAssignObjectToGrid(id, o, s, g.arrays, false, true, {}, {}, 0, value, nAssigned, win, mask);
  EXPECT_TRUE(o.isPlineMultiple);
  EXPECT_EQ(g.c(3, 4), 9.0f);
  EXPECT_EQ(win.rowFirst, 2);
  EXPECT_EQ(win.rowLast, 2);
  EXPECT_EQ(win.colLast, 4);

  gisAssignObjectToGrid(id, o, s, g.arrays, true, true, {}, {}, 0, value, nAssigned, win, mask);
  EXPECT_TRUE(o.isRegion);
  EXPECT_EQ(value, 7.0f);
  EXPECT_EQ(mask[Grid::k(6, 1, 1)], 1);
  EXPECT_EQ(mask[Grid::k(6, 2, 2)], 1);
  EXPECT_EQ(mask[Grid::k(6, 3, 3)], 0);
  EXPECT_EQ(win.rowFirst, 1);
  EXPECT_EQ(win.colFirst, 1);

  // At the end: the header, the value and every output keep what they hold.
  const GridAssignWindow kept = win;
  nAssigned = -7;
  gisAssignObjectToGrid(id, o, s, g.arrays, true, true, {}, {}, 0, value, nAssigned, win, mask);
  EXPECT_TRUE(o.isRegion);
  EXPECT_EQ(value, 7.0f);
  EXPECT_EQ(nAssigned, -7);
  EXPECT_EQ(win.rowLast, kept.rowLast);
  EXPECT_EQ(win.colLast, kept.colLast);
}

TEST_F(GridAssignLayerTest, RecordWithoutANumberFirstStops) {
  Grid g(4, 4);
  defineAttributes({{"Name", "Char", 8}});
  int in = onePointLayer("text.mif", "\"abc\"");
  EXPECT_EQ(expectRunEnd([&] { gisAssignLayerToGrid(in, window(4, 4), g.arrays, nAssigned); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 2148 - Reading attribute data from data line below.\n"
                        "Data Line = \"abc\"\nRecord 1 of file text.mid.\n"));
  EXPECT_EQ(g.nonZeroCells(), 0);
}

TEST_F(GridAssignLayerTest, UnsupportedKindsAreReadPastWithAWarning) {
  // A hand-written MIF layer: a rectangle, then a point.
  writeFile(dir_ / "rect.mif",
            "Version 300\nCharset \"WindowsLatin1\"\nColumns 1\n  Value Float\nData\n\n"
            "Rect 0 0 1 1\n    Pen (1,2,0)\nPoint 1.5 0.5\n");
  writeFile(dir_ / "rect.mid", "3\n6\n");
  int in = gisOpenLayer("rect.mif", " ", "I ", false);
  gisReadHeader(in);
  clearOutput();
  Grid g(4, 4);
  nAssigned = -7;
  gisAssignLayerToGrid(in, window(4, 4), g.arrays, nAssigned);
  EXPECT_EQ(output(),
            "WARNING 2073 - Object ignored.  Only Points, Lines, Polylines & Regions used.\n"
            "GIS Object = RECT\n");
  EXPECT_EQ(nAssigned, -7);
  EXPECT_EQ(g.nonZeroCells(), 0);
  gisAssignLayerToGrid(in, window(4, 4), g.arrays, nAssigned);
  EXPECT_EQ(g.c(1, 2), 6.0f);
}

TEST_F(GridAssignLayerTest, LayerRegionsTakeTheCellsInsideEveryRing) {
  // MIF regions stored unclosed: a square, and a triangle with a point on one side.
  writeFile(dir_ / "open.mif",
            "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\nColumns 1\n  Value Float\n"
            "Data\n\nRegion 1\n  4\n0.2 0.2\n3.8 0.2\n3.8 3.8\n0.2 3.8\n    Pen (1,2,0)\n"
            "Region 1\n  4\n0.2 0.2\n1.9 0.2\n3.6 0.2\n0.2 3.6\n    Pen (1,2,0)\n");
  writeFile(dir_ / "open.mid", "5\n2\n");
  int open = gisOpenLayer("open.mif", " ", "I ", false);
  gisReadHeader(open);
  Grid sq(6, 6);
  gisAssignLayerToGrid(open, window(6, 6), sq.arrays, nAssigned);
  EXPECT_EQ(nAssigned, 16);
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(sq.c(i, j), i <= 4 && j <= 4 ? 5.0f : 0.0f) << i << "," << j;
  Grid tri(6, 6);
  gisAssignLayerToGrid(open, window(6, 6), tri.arrays, nAssigned);
  EXPECT_EQ(nAssigned, 6);
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(tri.c(i, j), i + j <= 4 ? 2.0f : 0.0f) << i << "," << j;
  gisCloseLayer(open);

  // A shapefile region with a hole.
  int id = openOutputLayer("ponds.shp", "R");
  GisObject r = newObject(&GisObject::isRegion, {1, 6});
  // The outer ring clockwise and the hole counter-clockwise, as shapefiles keep them.
  put(id, r, {{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}, {1, 1}, {3, 1}, {3, 3}, {1, 3}, {1, 1}},
      "2.5,\"pond\"");
  gisCloseLayer(id);
  int in = gisOpenLayer("ponds_R.shp", " ", "I ", false);
  gisReadHeader(in);
  clearOutput();
  Grid g(6, 6);
  GridAssignSettings s = window(6, 6);
  s.lInteger = true;
  gisAssignLayerToGrid(in, s, g.arrays, nAssigned);
  EXPECT_EQ(nAssigned, 12);
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 6; ++j) {
      const bool ring = i <= 4 && j <= 4 && !(i >= 2 && i <= 3 && j >= 2 && j <= 3);
      EXPECT_EQ(g.ci(i, j), ring ? 3 : 0) << i << "," << j;
    }
  EXPECT_EQ(output(), "...GIS Polygon (    12 vertices /  2 polygons) assigned 3 to    12 cells\n");

  // A grid that cannot be used stops with the layer's name.
  gisGotoBeginningOfData(in);
  s.cellSizeY = 0.0f;
  EXPECT_EQ(expectRunEnd([&] { gisAssignLayerToGrid(in, s, g.arrays, nAssigned); }), 1);
  EXPECT_TRUE(outputHas("\nERROR - Cell size along v of 0. is not a positive number when "
                        "assigning GIS object to grid.\nGIS Layer = ponds_R.shp\n"
                        "GIS Object = Polygon\nValue = 3\n"));
}

TEST_F(GridAssignLayerTest, RecordStartingWithAnEmptyValueStops) {
  int in = onePointLayer("null.mif", ",\"well\"");
  Grid g(4, 4);
  g.c(1, 1) = 8.0f;
  EXPECT_EQ(expectRunEnd([&] { gisAssignLayerToGrid(in, window(4, 4), g.arrays, nAssigned); }), 1);
  EXPECT_TRUE(outputHas("ERROR 2148"));
  EXPECT_EQ(g.c(1, 1), 8.0f);
}

TEST_F(GridAssignTest, ObjectWithoutPartsPrintsAndWritesNothing) {
  Grid g(4, 4);
  Shape l = polyline({{0.2, 0.5}, {2.8, 0.5}});
  l.o.nSections = 0;
  assign(l, window(4, 4), g, 1.0f);
  EXPECT_EQ(nAssigned, -7);
  EXPECT_EQ(output(), "");
  EXPECT_EQ(g.nonZeroCells(), 0);
}

TEST_F(GridAssignTest, CallersPointWithoutVerticesWritesNothing) {
  Grid g(4, 4);
  Shape p = pointAt(1.5, 1.5);
  assign(p, window(4, 4), g, 1.0f);  // leaves (1.5, 1.5) in the routine's own arrays
  ASSERT_EQ(g.c(2, 2), 1.0f);
  g.c(2, 2) = 0.0f;
  p.n = 0;
  assign(p, window(4, 4), g, 1.0f);
  EXPECT_EQ(nAssigned, 0);
  EXPECT_EQ(g.nonZeroCells(), 0);
}

}  // namespace
