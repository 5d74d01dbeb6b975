#include "geometry/grid_regions.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/test_support.hpp"

namespace {

Region square4() { return Region().ring({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}}); }
// The same square stored unclosed, as MIF regions are.
Region openSquare4() { return Region().ring({{0, 0}, {4, 0}, {4, 4}, {0, 4}}); }

// A grid of rows x cols with all four arrays, and the results of the last call.
struct Grid {
  std::int32_t rows, cols;
  std::vector<std::uint8_t> mask, work;
  std::vector<std::int32_t> ints;
  std::vector<float> reals;
  std::int32_t rowLo = -1, colLo = -1, rowHi = -1, colHi = -1, count = -1;

  Grid(std::int32_t r, std::int32_t c)
      : rows(r), cols(c), mask(r * c, 0), work(r * c, 0), ints(r * c, 0), reals(r * c, 0.0f) {}

  std::size_t at(int r, int c) const { return static_cast<std::size_t>((c - 1) * rows + r - 1); }
  bool marked(int r, int c) const { return mask[at(r, c)] == 1; }

  struct Options {
    int rowOffset = 0, colOffset = 0;
    bool clearMask = true, assign = false, integer = false, real = false, add = false;
    float value = 0.0f;
    double cell = 1.0;
  };

  void raster(const Region& g, const Options& o) {
    const auto xf = g.xf();
    const auto yf = g.yf();
    GRID_INSIDE_POLYGON(mask, work, ints, reals, rows, cols, static_cast<float>(o.cell),
                        static_cast<float>(o.cell), o.rowOffset, o.colOffset, o.clearMask,
                        o.assign, o.integer, o.real, o.value, o.add, rowLo, colLo, rowHi, colHi,
                        count, xf, yf, g.z, g.n, g.partEnd, g.nParts);
  }
  void raster8(const Region& g, const Options& o) {
    GRID_INSIDE_POLYGON_8(mask, work, ints, reals, rows, cols, o.cell, o.cell, o.rowOffset,
                          o.colOffset, o.clearMask, o.assign, o.integer, o.real, o.value, o.add,
                          rowLo, colLo, rowHi, colHi, count, g.x, g.y, g.z, g.n, g.partEnd,
                          g.nParts);
  }
};

TEST(GridInsidePolygon, SquareTakesItsSixteenCellsStoredClosedOrNot) {
  for (bool wide : {false, true})
  for (const Region& sq : {square4(), openSquare4()}) {
    Grid g(6, 6);
    wide ? g.raster8(sq, {}) : g.raster(sq, {});
    EXPECT_EQ(g.rowLo, 1);
    EXPECT_EQ(g.rowHi, 5);
    EXPECT_EQ(g.colLo, 1);
    EXPECT_EQ(g.colHi, 5);
    EXPECT_EQ(g.count, 16);
    for (int r = 1; r <= 6; ++r)
      for (int c = 1; c <= 6; ++c) EXPECT_EQ(g.marked(r, c), r <= 4 && c <= 4) << r << "," << c;
  }
  // An unclosed triangle is closed by its edge back to the first point: the cells with
  // c + r <= 3, not the cells right of its last edge.
  const Region tri = Region().ring({{0.1, 0.1}, {3.6, 0.1}, {0.1, 3.6}});
  Grid t(6, 6);
  t.raster(tri, {});
  EXPECT_EQ(t.count, 3);
  EXPECT_TRUE(t.marked(1, 1) && t.marked(1, 2) && t.marked(2, 1));
}

TEST(GridInsidePolygon, RegionsWithoutAWindowTouchNoArray) {
  // Left of the grid; with a vertex that is no number or beyond any cell index; on cells of no
  // usable size; and with extents and offsets whose differences pass the range of an int.
  struct Case {
    double badX;
    float cell;
    std::int32_t extent, offset;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const Case& k : {Case{-5, 1.0f, 10, 0}, Case{nan, 1.0f, 10, 0}, Case{3.0e9, 1.0f, 10, 0},
                        Case{1.0e30, 1.0f, 10, 0}, Case{2, 0.0f, 10, 0}, Case{2, -1.0f, 10, 0},
                        Case{2, std::numeric_limits<float>::infinity(), 10, 0},
                        Case{2, 1.0f, std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::max()}}) {
    const Region r = Region().ring({{-9, 1}, {k.badX, 1}, {-5, 3}, {-9, 1}});
    std::int32_t rl = 0, cl = 0, rh = 0, ch = 0, count = 5;
    const auto xf = r.xf();
    const auto yf = r.yf();
    // No arrays at all: any touch would be out of bounds.
    GRID_INSIDE_POLYGON({}, {}, {}, {}, k.extent, 10, k.cell, k.cell, k.offset, 0, true, true, true,
                        false, 1.0f, false, rl, cl, rh, ch, count, xf, yf, r.z, r.n, r.partEnd, 1);
    EXPECT_EQ(count, 0) << k.badX << " " << k.cell;
    EXPECT_TRUE(ch < cl || rh < rl) << k.badX << " " << k.cell;
    count = 5;
    GRID_INSIDE_POLYGON_8({}, {}, {}, {}, k.extent, 10, k.cell, k.cell, k.offset, 0, true, true,
                          true, false, 1.0f, false, rl, cl, rh, ch, count, r.x, r.y, r.z, r.n,
                          r.partEnd, 1);
    EXPECT_EQ(count, 0) << k.badX << " " << k.cell;
  }
}

TEST(GridInsidePolygon, OffsetsKeepTheWindowInsideTheArrays) {
  const Region big = Region().ring({{-50, -50}, {50, -50}, {50, 50}, {-50, 50}, {-50, -50}});
  Grid g(10, 10);
  g.raster(big, {.rowOffset = 2});
  EXPECT_EQ(g.rowLo, 2);
  EXPECT_EQ(g.rowHi, 8);
  EXPECT_EQ(g.colLo, 1);
  EXPECT_EQ(g.colHi, 10);
  EXPECT_EQ(g.count, 7 * 10);
  EXPECT_FALSE(g.marked(1, 5));
  EXPECT_FALSE(g.marked(9, 5));
  // A negative offset may not carry the window past the last row.
  Grid h(10, 10);
  h.raster(big, {.rowOffset = -3, .colOffset = -3});
  EXPECT_EQ(h.rowHi, 10);
  EXPECT_EQ(h.colHi, 10);
  EXPECT_EQ(h.count, 100);
}

TEST(GridInsidePolygon, IntegerAndRealValuesStoredOrAdded) {
  Grid g(6, 6);
  g.raster(square4(), {.assign = true, .integer = true, .value = 2.5f});
  EXPECT_EQ(g.ints[g.at(2, 2)], 3);
  EXPECT_EQ(g.ints[g.at(5, 5)], 0);
  g.raster(square4(), {.assign = true, .integer = true, .add = true, .value = -2.5f});
  EXPECT_EQ(g.ints[g.at(2, 2)], 0);  // 3 + (-3)
  g.raster(square4(), {.assign = true, .integer = true, .add = true, .value = -2.5f});
  EXPECT_EQ(g.ints[g.at(2, 2)], -3);
  g.raster(square4(), {.assign = true, .real = true, .value = 1.25f});
  EXPECT_EQ(g.reals[g.at(3, 1)], 1.25f);
  g.raster(square4(), {.assign = true, .real = true, .add = true, .value = 1.25f});
  EXPECT_EQ(g.reals[g.at(3, 1)], 2.5f);
  EXPECT_EQ(g.reals[g.at(5, 1)], 0.0f);
  // Sums too large for 32 bits stop at the largest integer.
  g.ints[g.at(1, 1)] = 2147483000;
  g.raster(square4(), {.assign = true, .integer = true, .add = true, .value = 1.0e9f});
  EXPECT_EQ(g.ints[g.at(1, 1)], 2147483647);
}

TEST(GridInsidePolygon, TriangleValuesInterpolatedAtSamplePoints) {
  // The plane z = x + 2y over a triangle stored as five points.
  Region t = Region().ring({{0, 0}, {6, 0}, {0, 6}, {0, 0}});
  t.z = {0.0f, 0.0f, 6.0f, 12.0f};
  ASSERT_EQ(t.n, 5);
  Grid g(8, 8);
  g.raster(t, {.assign = true});
  EXPECT_GT(g.count, 0);
  int seen = 0;
  for (int r = 1; r <= 8; ++r)
    for (int c = 1; c <= 8; ++c)
      if (g.marked(r, c)) {
        EXPECT_NEAR(g.reals[g.at(r, c)], static_cast<float>(c + 2 * r), 1.0e-4f) << r << "," << c;
        ++seen;
      }
  EXPECT_EQ(seen, g.count);
  Grid h(8, 8);
  h.raster8(t, {.assign = true});
  EXPECT_EQ(h.count, g.count);
  EXPECT_NEAR(h.reals[h.at(2, 2)], 6.0f, 1.0e-4f);
}

TEST(GridInsidePolygon, InterpolationStoresOnlyFiniteValuesOfATriangle) {
  Grid g(6, 6);
  g.raster(square4(), {.assign = true});  // n = 6: cells marked and counted, nothing written
  EXPECT_EQ(g.count, 16);
  for (float v : g.reals) EXPECT_EQ(v, 0.0f);
  // Node values giving no number, or an overflow: the cells keep their values, still counted.
  Region t = Region().ring({{0, 0}, {6, 0}, {0, 6}, {0, 0}});
  Grid plain(8, 8);
  plain.raster(t, {});
  for (const std::vector<float>& z : {std::vector<float>{0, NAN, 1, 2},
                                      std::vector<float>{0, 3.0e38f, -3.0e38f, 3.0e38f}}) {
    t.z = z;
    for (bool add : {false, true}) {
      Grid h(8, 8);
      h.reals.assign(64, 7.0f);
      h.raster(t, {.assign = true, .add = add});
      h.raster8(t, {.assign = true, .add = add});
      EXPECT_EQ(h.count, plain.count);
      for (float v : h.reals) EXPECT_TRUE(std::isfinite(v));
      EXPECT_EQ(h.reals[h.at(1, 1)], 7.0f);
    }
  }
}

TEST(GridInsidePolygon, HoleAndMaskClearing) {
  Region holed = Region().ring({{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}});
  holed.ring({{2, 2}, {4, 2}, {4, 4}, {2, 4}, {2, 2}});
  Grid g(8, 8);
  g.mask[g.at(7, 7)] = 1;  // within the window, outside the region
  g.raster(holed, {.clearMask = false});
  EXPECT_EQ(g.count, 36 - 4);
  EXPECT_FALSE(g.marked(3, 3));
  EXPECT_FALSE(g.marked(4, 4));
  EXPECT_TRUE(g.marked(2, 2));
  EXPECT_TRUE(g.marked(5, 5));
  EXPECT_TRUE(g.marked(7, 7));  // kept
  g.raster(holed, {});
  EXPECT_FALSE(g.marked(7, 7));  // cleared over the window
  // Both rings stored unclosed: the walk closes each and carries on to the next.
  Region open = Region().ring({{0, 0}, {6, 0}, {6, 6}, {0, 6}});
  open.ring({{2, 2}, {4, 2}, {4, 4}, {2, 4}});
  Grid h(8, 8);
  h.raster8(open, {});
  EXPECT_EQ(h.mask, g.mask);
}

TEST(GridInsidePolygon, ManyCrossingsInOneCellKeepTheirParity) {
  // 129 crossings of the line y = 1 within the first column, then one more in column 4.
  std::vector<std::pair<double, double>> pts{{0.005, 0.5}};
  for (int k = 1; k <= 129; ++k) pts.emplace_back(0.005 + 0.007 * k, k % 2 == 1 ? 1.5 : 0.5);
  pts.insert(pts.end(), {{3.5, 1.5}, {3.5, 0.2}, {0.005, 0.2}, {0.005, 0.5}});
  const Region comb = Region().ring(pts);
  Grid g(4, 6);
  g.raster(comb, {});
  EXPECT_EQ(g.count, 3);
  EXPECT_TRUE(g.marked(1, 1));
  EXPECT_TRUE(g.marked(1, 3));
  EXPECT_FALSE(g.marked(1, 4));
}

class GridRegionsStop : public PlenvorTest {};

TEST_F(GridRegionsStop, MoreRingsThanDeclaredEndTheRun) {
  Region two = square4();
  two.ring({{1, 1}, {2, 1}, {2, 2}, {1, 2}, {1, 1}});
  const std::string text = "Invalid number of polygons in region sent to grid_inside_polygon routine ";
  Grid g(6, 6);
  setInput("\n");
  EXPECT_EQ(expectRunEnd([&] {
              two.nParts = 1;
              g.raster(two, {});
            }),
            1);
  EXPECT_TRUE(outputHas("\n" + text + "[1] - contact" + SUPPORT_CONTACT + "\n"));
  std::vector<std::int32_t> flags(3, 0);
  const std::vector<double> px{0, 0.5, 3.0};
  const std::vector<double> py{0, 0.5, 3.0};
  std::int32_t count = 0;
  clearOutput();
  setInput("\n");
  EXPECT_EQ(expectRunEnd([&] {
              POINTS_INSIDE_POLYGON_8(flags, px, py, 2, count, two.x, two.y, two.n, two.partEnd, 1);
            }),
            1);
  EXPECT_TRUE(outputHas(text + "[5] - contact"));
  const auto xf = two.xf();
  const auto yf = two.yf();
  const std::vector<float> pxf{0, 0.5f, 3.0f};
  clearOutput();
  setInput("\n");
  EXPECT_EQ(expectRunEnd([&] {
              POINTS_INSIDE_POLYGON(flags, pxf, pxf, 2, count, xf, yf, two.n, two.partEnd, 1);
            }),
            1);
  EXPECT_TRUE(outputHas(text + "[4] - contact"));
}

TEST_F(GridRegionsStop, GridsSmallerThanTheirExtentsEndTheRun) {
  std::vector<std::uint8_t> mask(10), work(10);
  std::int32_t rl, cl, rh, ch, count;
  const Region sq = square4();
  setInput("\n");
  EXPECT_EQ(expectRunEnd([&] {
              GRID_INSIDE_POLYGON_8(mask, work, {}, {}, 6, 6, 1.0, 1.0, 0, 0, true, false, false,
                                    false, 0.0f, false, rl, cl, rh, ch, count, sq.x, sq.y, sq.z,
                                    sq.n, sq.partEnd, 1);
            }),
            1);
  EXPECT_TRUE(outputHas("Should not be here [GRID_INSIDE_POLYGON_8] - please contact"));
}

TEST(PointsInsidePolygon, EdgesBelowAndLeft) {
  const Region sq = square4();
  const std::vector<double> px{0, 0, 4, 2, 2, -1, 2, 2};
  const std::vector<double> py{0, 2, 2, 2, -1, 2, 5, 4};
  // Left edge, right edge, interior, below, left, above, top edge.
  std::vector<std::int32_t> flags(8, -5);
  std::int32_t count = -1;
  POINTS_INSIDE_POLYGON_8(flags, px, py, 7, count, sq.x, sq.y, sq.n, sq.partEnd, 1);
  EXPECT_EQ(flags, (std::vector<std::int32_t>{-5, 0, 1, 1, 0, 0, 0, 1}));
  EXPECT_EQ(count, 3);
  const auto xf = sq.xf();
  const auto yf = sq.yf();
  const std::vector<float> pxf(px.begin(), px.end()), pyf(py.begin(), py.end());
  POINTS_INSIDE_POLYGON(flags, pxf, pyf, 7, count, xf, yf, sq.n, sq.partEnd, 1);
  EXPECT_EQ(flags, (std::vector<std::int32_t>{-5, 0, 1, 1, 0, 0, 0, 1}));
  EXPECT_EQ(count, 3);
  const Region open = openSquare4();
  POINTS_INSIDE_POLYGON_8(flags, px, py, 7, count, open.x, open.y, open.n, open.partEnd, 1);
  EXPECT_EQ(flags, (std::vector<std::int32_t>{-5, 0, 1, 1, 0, 0, 0, 1}));
}

TEST(PointsInsidePolygon, RegionWithAHoleAndEmptyLists) {
  Region holed = Region().ring({{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}});
  holed.ring({{2, 2}, {4, 2}, {4, 4}, {2, 4}, {2, 2}});
  const std::vector<double> px{0, 3, 1, 5};
  const std::vector<double> py{0, 3, 3, 1};
  std::vector<std::int32_t> flags(4, 9);
  std::int32_t count = -1;
  POINTS_INSIDE_POLYGON_8(flags, px, py, 3, count, holed.x, holed.y, holed.n, holed.partEnd, 2);
  EXPECT_EQ(flags, (std::vector<std::int32_t>{9, 0, 1, 1}));
  EXPECT_EQ(count, 2);
  POINTS_INSIDE_POLYGON_8(flags, px, py, 0, count, holed.x, holed.y, holed.n, holed.partEnd, 2);
  EXPECT_EQ(count, 0);
  // More points asked for than the lists hold: only the held ones are flagged.
  POINTS_INSIDE_POLYGON_8(flags, px, py, 99, count, holed.x, holed.y, holed.n, holed.partEnd, 2);
  EXPECT_EQ(count, 2);
  // A region of no rings has no inside, in the points and the grid routines alike.
  for (const std::int32_t none : {0, -1}) {
    POINTS_INSIDE_POLYGON_8(flags, px, py, 3, count, holed.x, holed.y, holed.n, holed.partEnd, none);
    EXPECT_EQ(flags, (std::vector<std::int32_t>{9, 0, 0, 0}));
    EXPECT_EQ(count, 0);
    const auto xf = holed.xf(), yf = holed.yf();
    const std::vector<float> pxf(px.begin(), px.end()), pyf(py.begin(), py.end());
    POINTS_INSIDE_POLYGON(flags, pxf, pyf, 3, count, xf, yf, holed.n, holed.partEnd, none);
    EXPECT_EQ(count, 0);
    Region noRings = holed;
    noRings.nParts = none;
    Grid g(8, 8), g8(8, 8);
    g.raster(noRings, {});
    g8.raster8(noRings, {});
    EXPECT_EQ(g.count, 0);
    EXPECT_EQ(g8.count, 0);
    EXPECT_EQ(std::count(g.mask.begin(), g.mask.end(), 1) + std::count(g8.mask.begin(), g8.mask.end(), 1), 0);
  }
}

TEST(SetPointsValue, ModesAndFailedInterpolation) {
  Region t = Region().ring({{0, 0}, {2, 0}, {0, 2}, {0, 0}});
  t.z = {0.0f, 0.0f, 2.0f, 4.0f};  // z = x + 2y
  const std::vector<std::int32_t> flags{0, 1, 0, 1};
  const std::vector<double> px{0, 0.5, 0.5, 1.0};
  const std::vector<double> py{0, 0.5, 0.5, 2.0};  // point 3: on the parallel through N3
  std::vector<std::int32_t> ints(4, 10);
  std::vector<float> reals(4, 10.0f);
  SET_POINTS_VALUE_8(flags, px, py, ints, reals, 3, true, false, 2.5f, true, t.x, t.y, t.z, t.n);
  EXPECT_EQ(ints, (std::vector<std::int32_t>{10, 13, 10, 13}));
  SET_POINTS_VALUE_8(flags, px, py, ints, reals, 3, false, true, 0.5f, false, t.x, t.y, t.z, t.n);
  EXPECT_EQ(reals, (std::vector<float>{10, 0.5f, 10, 0.5f}));
  reals.assign(4, 10.0f);
  SET_POINTS_VALUE_8(flags, px, py, ints, reals, 3, false, false, 0.0f, false, t.x, t.y, t.z, t.n);
  EXPECT_NEAR(reals[1], 1.5f, 1.0e-5f);
  EXPECT_EQ(reals[2], 10.0f);  // not flagged
  EXPECT_EQ(reals[3], 10.0f);  // interpolation failed: left as it was
  t.z[1] = NAN;  // an interpolated value that is no number is not stored either
  SET_POINTS_VALUE_8(flags, px, py, ints, reals, 3, false, false, 0.0f, false, t.x, t.y, t.z, t.n);
  EXPECT_NEAR(reals[1], 1.5f, 1.0e-5f);
  // Any region other than a triangle writes nothing in the interpolation mode.
  reals.assign(4, 10.0f);
  const Region sq = square4();
  SET_POINTS_VALUE_8(flags, px, py, ints, reals, 3, false, false, 0.0f, false, sq.x, sq.y, sq.z,
                     sq.n);
  EXPECT_EQ(reals, (std::vector<float>(4, 10.0f)));
}

}  // namespace
