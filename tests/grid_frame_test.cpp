#include "geometry/grid_frame.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/test_support.hpp"

namespace {

using Cells = std::vector<std::pair<std::int32_t, std::int32_t>>;
using Bounds = std::array<std::int32_t, 4>;

// A cell list of the size the grid assignment uses, with its bounds preset to a marker.
struct Traced {
  std::vector<std::int32_t> rows = std::vector<std::int32_t>(10001, -7);
  std::vector<std::int32_t> cols = std::vector<std::int32_t>(10001, -7);
  std::int32_t rowFirst = -7, rowLast = -7, colFirst = -7, colLast = -7, count = -7;

  // rowFirst, colFirst, rowLast, colLast.
  Bounds bounds() const { return {rowFirst, colFirst, rowLast, colLast}; }
  Cells cells() const {
    Cells out;
    for (std::int32_t k = 1; k <= count; ++k) out.emplace_back(rows[k], cols[k]);
    return out;
  }
  void five(float x1, float y1, float x2, float y2, bool startOnly = false, int rowOffset = 0,
            int colOffset = 0, float dx = 1.0f, float dy = 1.0f) {
    HX_CELLS_ON_SEGMENT_5(x1, y1, x2, y2, startOnly, dx, dy, rowFirst, rowLast, colFirst, colLast,
                          count, rows, cols, 10000, rowOffset, colOffset);
  }
  void two(float x1, float y1, float x2, float y2, float dx = 1.0f, float dy = 1.0f) {
    HX_CELLS_ON_SEGMENT_2(x1, y1, x2, y2, false, dx, dy, rowFirst, rowLast, colFirst, colLast,
                          count, rows, cols, 10000, 0, 0);
  }
  void plain(float x1, float y1, float x2, float y2, float dx = 1.0f, float dy = 1.0f) {
    HX_CELLS_ON_SEGMENT(x1, y1, x2, y2, dx, dy, rowFirst, rowLast, colFirst, colLast, count, rows,
                        cols, 10000);
  }
};

TEST(CellIndex, TruncatesTowardZero) {
  EXPECT_EQ(cellIndexOf(0.0f, 1.0f), 1);
  EXPECT_EQ(cellIndexOf(0.999f, 1.0f), 1);
  EXPECT_EQ(cellIndexOf(1.0f, 1.0f), 2);
  EXPECT_EQ(cellIndexOf(-0.5f, 1.0f), 1);  // a small negative coordinate is still cell 1
  EXPECT_EQ(cellIndexOf(-1.5f, 1.0f), 0);
  EXPECT_EQ(cellIndexOf(7.5, 2.5), 4);
}

TEST(CellIndex, WildInputsNumberNoCells) {
  EXPECT_EQ(cellIndexOf(std::numeric_limits<float>::quiet_NaN(), 1.0f), 0);
  EXPECT_GT(cellIndexOf(1.0e30f, 1.0f), 100000000);
  EXPECT_LT(cellIndexOf(-1.0e30, 1.0), -100000000);
  EXPECT_GT(cellIndexOf(1.0f, 0.0f), 100000000);  // a zero cell size
  EXPECT_TRUE(cellPositionUsable(-2.0e9f, 1.0f));
  EXPECT_FALSE(cellPositionUsable(3.0e9, 1.0));

  // An end point that is no number or beyond any cell index, a cell size that is not positive,
  // or an offset that would carry a cell past an int: no cells, at once, and no overflow.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float x2, dx, dy;
    int offset;
  };
  for (const Case& k : {Case{nan, 1, 1, 0}, Case{inf, 1, 1, 0}, Case{1.0e30f, 1, 1, 0},
                        Case{3.0f, 0, 1, 0}, Case{3.0f, 1, -1, 0}, Case{3.0f, nan, 1, 0},
                        Case{3.0f, 1, 1, std::numeric_limits<std::int32_t>::max()}}) {
    Traced t;
    t.five(0.5f, 0.5f, k.x2, 2.5f, false, k.offset, k.offset, k.dx, k.dy);
    EXPECT_EQ(t.count, 0) << k.x2 << " " << k.dx << " " << k.dy;
    EXPECT_EQ(t.rowFirst, -7);
    if (k.offset != 0) continue;  // the others take no offsets
    t.two(0.5f, 0.5f, k.x2, 2.5f, k.dx, k.dy);
    EXPECT_EQ(t.count, 0);
    t.plain(0.5f, 0.5f, k.x2, 2.5f, k.dx, k.dy);
    EXPECT_EQ(t.count, 0);
    EXPECT_EQ(t.rowFirst, 0);
    std::int32_t rl = -7, cl = -7, rh = -7, ch = -7;
    float xmin, ymin, xmax, ymax;
    const std::vector<float> x{0, 0.5f, k.x2};
    const std::vector<float> y{0, 0.5f, 2.5f};
    SET_SUB_GRID_AREA(x, y, 2, std::min(k.dx, k.dy), 10, 10, rl, cl, rh, ch, xmin, ymin, xmax, ymax);
    EXPECT_TRUE(rh < rl && ch < cl) << k.x2 << " " << k.dx;
  }
}

TEST(GeoShift, ShiftAndQuarterTurn) {
  const std::vector<double> x{0, 105.0, 100.0};
  const std::vector<double> y{0, 203.0, 201.0};
  std::vector<float> xo(3, -1.0f), yo(3, -1.0f);
  GEO_SHIFT(x, y, 2, 100.0, 200.0, 0.0f, xo, yo);
  EXPECT_EQ(xo[1], 5.0f);
  EXPECT_EQ(yo[1], 3.0f);
  EXPECT_EQ(xo[2], 0.0f);
  EXPECT_EQ(yo[2], 1.0f);
  // The grid's x axis points along the angle: straight up from the origin is x = 1.
  GEO_SHIFT(x, y, 2, 100.0, 200.0, static_cast<float>(std::numbers::pi / 2), xo, yo);
  EXPECT_NEAR(xo[2], 1.0f, 1.0e-6f);
  EXPECT_NEAR(yo[2], 0.0f, 1.0e-6f);
  EXPECT_EQ(xo[0], -1.0f);  // index 0 is not part of the arrays
}

TEST(GeoShift, DifferencesAreTakenInDoubleBeforeRounding) {
  const std::vector<double> x{0, 2345678.25};
  const std::vector<double> y{0, 7654321.75};
  std::vector<float> xo(2, 0.0f), yo(2, 0.0f);
  GEO_SHIFT(x, y, 1, 2345678.0, 7654321.0, 0.0f, xo, yo);
  EXPECT_EQ(xo[1], 0.25f);
  EXPECT_EQ(yo[1], 0.75f);
}

TEST(GeoShift, CountsOutsideTheArrays) {
  const std::vector<double> x{0, 1, 2};
  const std::vector<double> y{0, 1, 2};
  std::vector<float> xo(2, -1.0f), yo(2, -1.0f);  // room for one point only
  GEO_SHIFT(x, y, 0, 0, 0, 0.0f, xo, yo);
  EXPECT_EQ(xo[1], -1.0f);
  GEO_SHIFT(x, y, 5, 0, 0, 0.0f, xo, yo);
  EXPECT_EQ(xo[1], 1.0f);
}

TEST(SubGridArea, NoPointOnePointAndPointsLeftOfTheGrid) {
  std::int32_t rl, cl, rh, ch;
  float xmin, ymin, xmax, ymax;
  const std::vector<float> x{0, 2.5f, 99.0f};
  const std::vector<float> y{0, 3.5f, 99.0f};
  // No point: an empty window, not the window of whatever point 1 holds.
  for (std::int32_t none : {0, -3}) {
    SET_SUB_GRID_AREA(x, y, none, 1.0f, 10, 10, rl, cl, rh, ch, xmin, ymin, xmax, ymax);
    EXPECT_LT(rh, rl);
    EXPECT_LT(ch, cl);
  }
  SET_SUB_GRID_AREA(x, y, 1, 1.0f, 10, 10, rl, cl, rh, ch, xmin, ymin, xmax, ymax);
  EXPECT_EQ(xmin, 2.5f);
  EXPECT_EQ(xmax, 2.5f);
  EXPECT_EQ(ymin, 3.5f);
  EXPECT_EQ(ymax, 3.5f);
  EXPECT_EQ(rl, 4);
  EXPECT_EQ(rh, 4);
  EXPECT_EQ(cl, 3);
  EXPECT_EQ(ch, 3);
  const std::vector<float> xl{0, -5.0f, 1.5f};
  const std::vector<float> yl{0, 0.5f, 2.5f};
  SET_SUB_GRID_AREA(xl, yl, 2, 1.0f, 10, 10, rl, cl, rh, ch, xmin, ymin, xmax, ymax);
  EXPECT_EQ(xmin, -5.0f);
  EXPECT_EQ(cl, 1);
  EXPECT_EQ(ch, 2);
  EXPECT_EQ(rl, 1);
  EXPECT_EQ(rh, 3);
}

TEST(SubGridArea, PointsBeyondTheLastColumn) {
  std::int32_t rl, cl, rh, ch;
  float xmin, ymin, xmax, ymax;
  const std::vector<float> x{0, 5.5f, 20.0f};
  const std::vector<float> y{0, 1.0f, 2.0f};
  SET_SUB_GRID_AREA(x, y, 2, 1.0f, 10, 10, rl, cl, rh, ch, xmin, ymin, xmax, ymax);
  EXPECT_EQ(cl, 6);
  EXPECT_EQ(ch, 10);
  const std::vector<float> xb{0, 15.0f, 20.0f};
  SET_SUB_GRID_AREA(xb, y, 2, 1.0f, 10, 10, rl, cl, rh, ch, xmin, ymin, xmax, ymax);
  EXPECT_LT(ch, cl);  // an empty window
  EXPECT_EQ(ch, 10);
  EXPECT_EQ(cl, 16);
  // A count beyond the arrays uses the stored points only.
  SET_SUB_GRID_AREA(x, y, 500, 1.0f, 10, 10, rl, cl, rh, ch, xmin, ymin, xmax, ymax);
  EXPECT_EQ(xmax, 20.0f);
}

TEST(CellLine, StepsReplaceIndicesBelowOne) {
  std::int32_t i1 = 3, j1 = 0, i2 = 5, j2 = 2, n = 0;
  float di = -1, dj = -1;
  CELL_LINE_STEPS(i1, j1, i2, j2, n, di, dj);
  EXPECT_EQ(j1, 2);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(di, 1.0f);
  EXPECT_EQ(dj, 0.0f);
  i1 = 0, j1 = 4, i2 = 0, j2 = 4;
  CELL_LINE_STEPS(i1, j1, i2, j2, n, di, dj);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(di, 0.0f);
  EXPECT_EQ(dj, 0.0f);
  i1 = 1, j1 = 1, i2 = 4, j2 = 7;
  CELL_LINE_STEPS(i1, j1, i2, j2, n, di, dj);
  EXPECT_EQ(n, 7);
  EXPECT_EQ(di, 0.5f);
  EXPECT_EQ(dj, 1.0f);
}

TEST(CellLine, IncrementsTakeTheTotalsInReverseOrderAndKeepIndices) {
  std::int32_t n = 0;
  float incA = -1, incB = -1;
  CELL_LINE_INCREMENTS(1, 1, 3, 1, n, incA, incB, 10.0f, 4.0f);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(incA, 2.0f);  // the last total
  EXPECT_EQ(incB, 5.0f);
  CELL_LINE_INCREMENTS(0, 0, 0, 3, n, incA, incB, 6.0f, 3.0f);  // no replacement of zeros
  EXPECT_EQ(n, 4);
  EXPECT_EQ(incA, 1.0f);
  EXPECT_EQ(incB, 2.0f);
  CELL_LINE_INCREMENTS(2, 2, 2, 2, n, incA, incB, 6.0f, 3.0f);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(incA, 0.0f);
  EXPECT_EQ(incB, 0.0f);
}

TEST(CellsOnSegment5, StartOnlyAndSegmentsOfNoLength) {
  Traced t;
  t.five(2.5f, 1.5f, 7.5f, 9.5f, true, 100, 100);
  EXPECT_EQ(t.count, 1);
  EXPECT_EQ(t.cells(), (Cells{{2, 3}}));  // no offsets applied
  EXPECT_EQ(t.bounds(), (Bounds{2, 3, 10, 8}));
  Traced u;
  u.five(2.5f, 1.5f, 2.5f + 5.0e-5f, 1.5f, false, 100, 100);
  EXPECT_EQ(u.count, 0);
  EXPECT_EQ(u.rows[1], 2);
  EXPECT_EQ(u.cols[1], 3);
  EXPECT_EQ(u.rowFirst, 2);
  EXPECT_EQ(u.colLast, 3);
}

TEST(CellsOnSegment5, HorizontalSegmentStepsAlongColumns) {
  Traced t;
  t.five(0.2f, 0.5f, 3.8f, 0.5f);
  EXPECT_EQ(t.cells(), (Cells{{1, 1}, {1, 2}, {1, 3}, {1, 4}}));
  EXPECT_EQ(t.bounds(), (Bounds{1, 1, 1, 4}));
  Traced back;
  back.five(3.8f, 0.5f, 0.2f, 0.5f);
  EXPECT_EQ(back.cells(), (Cells{{1, 4}, {1, 3}, {1, 2}, {1, 1}}));
}

// Whether the segment meets cell (r, c), by clipping it to the cell widened by a hair.
bool meets(double x1, double y1, double x2, double y2, double dx, double dy, int r, int c) {
  const double e = 1.0e-4;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-(x2 - x1), x2 - x1, -(y2 - y1), y2 - y1};
  const double q[4] = {x1 - ((c - 1) * dx - e), c * dx + e - x1, y1 - ((r - 1) * dy - e),
                       r * dy + e - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
  }
  return t0 <= t1;
}

// Checks a traced list against the segment sampled densely: every cell listed is met, and every
// row and column the segment passes through, bar the first and last of each, holds a listed cell.
void expectNoCellLeftOut(const Traced& t, float x1, float y1, float x2, float y2, float dx,
                         float dy) {
  std::set<int> rows, cols, listedRows, listedCols;
  const int n = 4000;
  for (int i = 0; i <= n; ++i) {
    const double f = static_cast<double>(i) / n;
    rows.insert(static_cast<int>((y1 + f * (y2 - y1)) / dy) + 1);
    cols.insert(static_cast<int>((x1 + f * (x2 - x1)) / dx) + 1);
  }
  for (const auto& [r, c] : t.cells()) {
    EXPECT_TRUE(meets(x1, y1, x2, y2, dx, dy, r, c)) << r << "," << c;
    listedRows.insert(r);
    listedCols.insert(c);
  }
  for (int r = *rows.begin() + 1; r < *rows.rbegin(); ++r) EXPECT_TRUE(listedRows.count(r)) << r;
  for (int c = *cols.begin() + 1; c < *cols.rbegin(); ++c) EXPECT_TRUE(listedCols.count(c)) << c;
}

TEST(CellsOnSegment5, SegmentsStepAlongTheAxisWithMoreCellsToCross) {
  Traced t;
  t.five(0.5f, 0.2f, 1.0f, 3.8f, false, 10, 20);
  EXPECT_EQ(t.cells(), (Cells{{11, 21}, {12, 21}, {13, 21}, {14, 21}}));
  EXPECT_EQ(t.rowFirst, 11);
  EXPECT_EQ(t.rowLast, 14);
  // Cells 1 wide and 10 high: the segment is longer along y but crosses more columns. It starts
  // on column 1's centre line, and a start point is left to the segment before it.
  Traced tall;
  tall.five(0.5f, 1.0f, 5.5f, 19.0f, false, 0, 0, 1.0f, 10.0f);
  EXPECT_EQ(tall.cells(), (Cells{{1, 2}, {1, 3}, {2, 4}, {2, 5}, {2, 6}}));

  // Random segments on cells of unequal sides, against the segment sampled densely.
  std::mt19937 rng(20261209);
  std::uniform_real_distribution<float> pos(0.0f, 30.0f), side(0.3f, 5.0f);
  for (int i = 0; i < 1500; ++i) {
    const float x1 = pos(rng), y1 = pos(rng), x2 = pos(rng), y2 = pos(rng);
    const float dx = side(rng), dy = i % 10 == 0 ? dx * 4.0f : side(rng);
    SCOPED_TRACE(::testing::Message() << "(" << x1 << ", " << y1 << ") - (" << x2 << ", " << y2
                                      << ") on " << dx << " x " << dy);
    Traced a, b;
    a.five(x1, y1, x2, y2, false, 0, 0, dx, dy);
    expectNoCellLeftOut(a, x1, y1, x2, y2, dx, dy);
    b.two(x1, y1, x2, y2, dx, dy);
    expectNoCellLeftOut(b, x1, y1, x2, y2, dx, dy);
    if (HasFailure()) break;
  }
}

TEST(CellsOnSegment5, SegmentWithinOneCell) {
  Traced miss;
  miss.five(0.1f, 0.1f, 0.3f, 0.2f);
  EXPECT_EQ(miss.count, 0);
  EXPECT_EQ(miss.rowFirst, -7);  // bounds unchanged
  EXPECT_EQ(miss.colLast, -7);
  Traced hit;
  hit.five(0.1f, 0.4f, 0.3f, 0.6f, false, 10, 20);  // crosses the row's centre piece
  EXPECT_EQ(hit.cells(), (Cells{{11, 21}}));
  EXPECT_EQ(hit.rowFirst, 11);
  EXPECT_EQ(hit.colLast, 21);
}

TEST(CellsOnSegment2, EndLinesAreTestedOverTheirFullLength) {
  // The end row's centre line is crossed at x = 1.1, outside the first cell's column: the
  // centre-piece rule finds it only in the last cell, the full-line rule at both ends.
  Traced five;
  five.five(0.9f, 0.4f, 1.3f, 0.6f);
  EXPECT_EQ(five.cells(), (Cells{{1, 2}}));
  Traced two;
  two.two(0.9f, 0.4f, 1.3f, 0.6f);
  EXPECT_EQ(two.cells(), (Cells{{1, 2}, {1, 2}}));
  Traced straight;
  straight.two(0.2f, 0.5f, 3.8f, 0.5f);
  EXPECT_EQ(straight.cells(), (Cells{{1, 1}, {1, 2}, {1, 3}, {1, 4}}));
}

TEST(CellsOnSegment, DiagonalStepsAlongTheLongerSpan) {
  Traced t;
  t.plain(0.5f, 0.5f, 3.5f, 2.5f);
  EXPECT_EQ(t.cells(), (Cells{{1, 1}, {2, 2}, {2, 3}, {3, 4}}));
  EXPECT_EQ(t.bounds(), (Bounds{1, 1, 3, 4}));
}

TEST(CellsOnSegment, SegmentOnARowCentreLineAndSegmentsOfNoLength) {
  Traced t;
  t.plain(0.2f, 0.5f, 2.8f, 0.5f);
  EXPECT_EQ(t.cells(), (Cells{{1, 1}, {1, 2}, {1, 3}}));
  Traced p;
  p.plain(4.5f, 2.5f, 4.5f, 2.5f);
  EXPECT_EQ(p.cells(), (Cells{{3, 5}}));
  Traced none;
  none.plain(0.1f, 0.1f, 0.3f, 0.2f);
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(none.rowFirst, 0);
  EXPECT_EQ(none.colLast, 0);
}

class CellsOnSegmentStop : public PlenvorTest {};

TEST_F(CellsOnSegmentStop, MoreCellsThanTheLimitEndTheRun) {
  const std::string text =
      "SORRY - Exceeded limit of        2 HX cells per HX polyline segment.  Contact" + kContact + ".";
  // Arrays with room for exactly two cells: nothing may be written past them.
  std::vector<std::int32_t> rows(3, 0), cols(3, 0);
  std::int32_t rf = 0, rl = 0, cf = 0, cl = 0, count = 0;
  expectStop(text, [&] {
    HX_CELLS_ON_SEGMENT_5(0.2f, 0.5f, 4.8f, 0.5f, false, 1.0f, 1.0f, rf, rl, cf, cl, count, rows, cols, 2, 0, 0);
  });
  expectStop(text, [&] {
    HX_CELLS_ON_SEGMENT(0.2f, 0.5f, 4.8f, 0.7f, 1.0f, 1.0f, rf, rl, cf, cl, count, rows, cols, 2);
  });
  // Arrays smaller than the limit asked for are not overrun either.
  expectStop(text, [&] {
    HX_CELLS_ON_SEGMENT_2(0.2f, 0.5f, 4.8f, 0.5f, false, 1.0f, 1.0f, rf, rl, cf, cl, count, rows, cols, 10000, 0, 0);
  });
}

}  // namespace
