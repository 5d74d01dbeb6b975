#include "geometry/grid_frame.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "geometry/geometry.hpp"
#include "platform/console.hpp"
#include "utility/numbers.hpp"
#include "utility/run_control.hpp"

namespace {

std::int32_t truncatedIndex(double q) {
  if (std::isnan(q)) return 0;
  q = std::clamp(q, -kMaxCellQuotient, kMaxCellQuotient);
  return static_cast<std::int32_t>(std::trunc(q)) + 1;
}

bool quotientUsable(double q) { return std::isfinite(q) && std::abs(q) <= kMaxCellQuotient; }

// The limit is met while a caller's progress line is still open ("...assigned a value of 1.5 to"):
// the message starts on a line of its own.
[[noreturn]] void stopCellLimit(std::int64_t limit) {
  console::line();
  console::line("SORRY - Exceeded limit of" + formatInteger(limit, 9) +
                " HX cells per HX polyline segment.  Contact" + SUPPORT_CONTACT + ".");
  EXITS();
}

[[noreturn]] void stopNoIntersection(const char* text) {
  console::line(std::string(text) + SUPPORT_CONTACT);
  EXITS();
}

// The cell list being filled: at most maxCount cells, and never more than the arrays hold.
struct CellList {
  std::span<std::int32_t> rows, cols;
  std::int32_t& count;
  std::int64_t limit;

  CellList(std::span<std::int32_t> r, std::span<std::int32_t> c, std::int32_t& n,
           std::int32_t maxCount)
      : rows(r), cols(c), count(n), limit(maxCount) {
    const std::size_t held = std::min(rows.size(), cols.size());
    limit = std::min<std::int64_t>(limit, held > 0 ? static_cast<std::int64_t>(held) - 1 : 0);
  }

  bool holdsFirst() const { return rows.size() > 1 && cols.size() > 1; }

  void append(std::int32_t r, std::int32_t c) {
    if (static_cast<std::int64_t>(count) + 1 > limit) stopCellLimit(limit);
    ++count;
    rows[static_cast<std::size_t>(count)] = r;
    cols[static_cast<std::size_t>(count)] = c;
  }

  // The list's first entry alone, outside the count (the one-cell answers of the tracers).
  void setFirst(std::int32_t r, std::int32_t c) {
    if (!holdsFirst()) return;
    rows[1] = r;
    cols[1] = c;
  }
};

// The segment being traced and the cells of its end points.
struct Trace {
  float x1, y1, x2, y2, dx, dy;
  std::int32_t r1, c1, r2, c2;
  float xlo, xhi, ylo, yhi;  // the bounding box widened by one cell on each side

  Trace(float ax, float ay, float bx, float by, float cdx, float cdy)
      : x1(ax), y1(ay), x2(bx), y2(by), dx(cdx), dy(cdy), r1(cellIndexOf(ay, cdy)),
        c1(cellIndexOf(ax, cdx)), r2(cellIndexOf(by, cdy)), c2(cellIndexOf(bx, cdx)),
        xlo(std::min(ax, bx) - cdx), xhi(std::max(ax, bx) + cdx), ylo(std::min(ay, by) - cdy),
        yhi(std::max(ay, by) + cdy) {}

  // Both ends numbered within a cell index, on cells of usable size.
  bool usable() const {
    return cellPositionUsable(x1, dx) && cellPositionUsable(x2, dx) &&
           cellPositionUsable(y1, dy) && cellPositionUsable(y2, dy);
  }

  // The larger of the row and column spans between the end cells.
  std::int64_t longerSpan() const {
    return std::max(std::abs(static_cast<std::int64_t>(r2) - r1),
                    std::abs(static_cast<std::int64_t>(c2) - c1));
  }

  float rowCentre(std::int64_t r) const { return (static_cast<float>(r) - 0.5f) * dy; }
  float colCentre(std::int64_t c) const { return (static_cast<float>(c) - 0.5f) * dx; }

  std::int32_t classify(float ax, float ay, float bx, float by) const {
    return INTERSECT_LINE_V2(ax, ay, bx, by, x1, y1, x2, y2);
  }

  // Appends the cell where the line (ax, ay)-(bx, by) meets the segment's line.
  void appendCrossing(float ax, float ay, float bx, float by, CellList& list,
                      const char* failure) const {
    float xi = 0.0f, yi = 0.0f;
    if (!INTERSECTION_POINT(ax, ay, bx, by, x1, y1, x2, y2, xi, yi)) stopNoIntersection(failure);
    list.append(cellIndexOf(yi, dy), cellIndexOf(xi, dx));
  }
};

// The failure texts of one tracer: row crossing, end column, column crossing, end row.
struct TraceTexts {
  const char* rowCrossing;
  const char* endColumn;
  const char* columnCrossing;
  const char* endRow;
};

enum class EndRule { centrePiece, fullLine };

bool indexFits(std::int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

std::int64_t stepAt(std::int32_t first, std::int32_t last, std::int64_t k) {
  return last >= first ? first + (k - 1) : first - (k - 1);
}

// The stepping tracers' walk: every row (or column) between the end cells, and at the two ends
// the end column (or row) as the end rule says.
void stepAcrossCells(const Trace& t, EndRule rule, const TraceTexts& texts, CellList& list) {
  const std::int64_t nSteps = t.longerSpan() + 1;
  // All but at most three of the steps cross a centre line and list a cell (the double-width
  // cell 1 about the origin costing one of them): a segment that long lists more cells than
  // allowed, and says so without the walk.
  if (nSteps - 4 > list.limit) stopCellLimit(list.limit);
  // Along the axis with more cells to cross, so that one step never skips a cell across: the
  // extents are compared in cells. Products of two singles are exact in double, so on square
  // cells this is the plain comparison of the two lengths.
  const bool alongRows = static_cast<double>(std::abs(t.y2 - t.y1)) * t.dx >
                         static_cast<double>(std::abs(t.x2 - t.x1)) * t.dy;
  for (std::int64_t k = 1; k <= nSteps; ++k) {
    const bool atEnd = k == 1 || k == nSteps;
    if (alongRows) {
      const float yc = t.rowCentre(stepAt(t.r1, t.r2, k));
      if (t.classify(t.xlo, yc, t.xhi, yc) == kCrossOnBoth) {
        t.appendCrossing(t.xlo, yc, t.xhi, yc, list, texts.rowCrossing);
      } else if (atEnd) {
        const float xc = t.colCentre(k == 1 ? t.c1 : t.c2);
        if (rule == EndRule::centrePiece) {
          const float half = t.dy * 0.5f;
          if (t.classify(xc, yc - half, xc, yc + half) == kCrossOnBoth)
            list.append(cellIndexOf(yc, t.dy), cellIndexOf(xc, t.dx));
        } else if (t.classify(xc, t.ylo, xc, t.yhi) == kCrossOnBoth) {
          t.appendCrossing(xc, t.ylo, xc, t.yhi, list, texts.endColumn);
        }
      }
    } else {
      const float xc = t.colCentre(stepAt(t.c1, t.c2, k));
      if (t.classify(xc, t.ylo, xc, t.yhi) == kCrossOnBoth) {
        t.appendCrossing(xc, t.ylo, xc, t.yhi, list, texts.columnCrossing);
      } else if (atEnd) {
        const float yr = t.rowCentre(k == 1 ? t.r1 : t.r2);
        if (rule == EndRule::centrePiece) {
          const float half = t.dx * 0.5f;
          if (t.classify(xc - half, yr, xc + half, yr) == kCrossOnBoth)
            list.append(cellIndexOf(yr, t.dy), cellIndexOf(xc, t.dx));
        } else if (t.classify(t.xlo, yr, t.xhi, yr) == kCrossOnBoth) {
          t.appendCrossing(t.xlo, yr, t.xhi, yr, list, texts.endRow);
        }
      }
    }
  }
}

void tracePerStep(float x1, float y1, float x2, float y2, bool startOnly, float dx, float dy,
                  std::int32_t& rowFirst, std::int32_t& rowLast, std::int32_t& colFirst,
                  std::int32_t& colLast, std::int32_t& count, std::span<std::int32_t> rows,
                  std::span<std::int32_t> cols, std::int32_t maxCount, std::int32_t rowOffset,
                  std::int32_t colOffset, EndRule rule, const TraceTexts& texts) {
  const Trace t(x1, y1, x2, y2, dx, dy);
  CellList list(rows, cols, count, maxCount);
  if (!t.usable()) {
    count = 0;
    return;
  }
  // The start cell alone, listed (start only) or not (a segment of no length).
  const bool noLength = !startOnly && SAME_POINT(x1, y1, x2, y2, 1.0e-4f);
  if (startOnly || noLength) {
    rowFirst = t.r1;
    colFirst = t.c1;
    rowLast = t.r2;
    colLast = t.c2;
    list.setFirst(t.r1, t.c1);
    count = startOnly ? 1 : 0;
    return;
  }
  count = 0;
  stepAcrossCells(t, rule, texts, list);
  // Offsets and bounds from the cells listed; cells that an offset would carry past the range
  // of an index are no cells.
  if (count < 1) return;
  for (std::size_t k = 1; k <= static_cast<std::size_t>(count); ++k) {
    if (!indexFits(static_cast<std::int64_t>(rows[k]) + rowOffset) ||
        !indexFits(static_cast<std::int64_t>(cols[k]) + colOffset)) {
      count = 0;
      return;
    }
  }
  for (std::size_t k = 1; k <= static_cast<std::size_t>(count); ++k) {
    rows[k] += rowOffset;
    cols[k] += colOffset;
  }
  rowFirst = rows[1];
  colFirst = cols[1];
  rowLast = rows[static_cast<std::size_t>(count)];
  colLast = cols[static_cast<std::size_t>(count)];
}

// The first and last row (or column) whose test line the segment touches, for
// HX_CELLS_ON_SEGMENT; false when none does.
bool hitRange(const Trace& t, bool rowsWise, std::int32_t& first, std::int32_t& last) {
  const std::int32_t from = rowsWise ? t.r1 : t.c1;
  const std::int32_t to = rowsWise ? t.r2 : t.c2;
  const std::int64_t n = std::abs(static_cast<std::int64_t>(to) - from) + 1;
  bool hit = false;
  for (std::int64_t k = 1; k <= n; ++k) {
    const auto idx = static_cast<std::int32_t>(stepAt(from, to, k));
    bool touches;
    if (rowsWise) {
      const float yc = t.rowCentre(idx);
      if (t.y1 == yc && t.y2 == yc) continue;  // the segment lies on the centre line
      touches = INTERSECT_LINE(t.xlo, yc, t.xhi, yc, t.x1, t.y1, t.x2, t.y2);
    } else {
      const float xc = t.colCentre(idx);
      if (t.x1 == xc && t.x2 == xc) continue;
      touches = INTERSECT_LINE(xc, t.ylo, xc, t.yhi, t.x1, t.y1, t.x2, t.y2);
    }
    if (!touches) continue;
    if (!hit) first = idx;
    last = idx;
    hit = true;
  }
  return hit;
}

}  // namespace

std::int32_t cellIndexOf(float coordinate, float cellSize) {
  return truncatedIndex(static_cast<double>(coordinate / cellSize));
}

std::int32_t cellIndexOf(double coordinate, double cellSize) {
  return truncatedIndex(coordinate / cellSize);
}

bool cellSizeUsable(double cellSize) { return std::isfinite(cellSize) && cellSize > 0.0; }

bool cellPositionUsable(float coordinate, float cellSize) {
  return cellSizeUsable(cellSize) && std::isfinite(coordinate) &&
         quotientUsable(static_cast<double>(coordinate / cellSize));
}

bool cellPositionUsable(double coordinate, double cellSize) {
  return cellSizeUsable(cellSize) && std::isfinite(coordinate) &&
         quotientUsable(coordinate / cellSize);
}

void GEO_SHIFT(std::span<const double> x, std::span<const double> y, std::int32_t n, double x0,
               double y0, float angle, std::span<float> xo, std::span<float> yo) {
  const double s = std::sin(static_cast<double>(angle));
  const double c = std::cos(static_cast<double>(angle));
  const std::int32_t m =
      usableCount(n, std::min(std::min(x.size(), y.size()), std::min(xo.size(), yo.size())));
  for (std::size_t i = 1; i <= static_cast<std::size_t>(m); ++i) {
    const double u = x[i] - x0;
    const double w = y[i] - y0;
    xo[i] = static_cast<float>(c * u + s * w);
    yo[i] = static_cast<float>(c * w - s * u);
  }
}

void SET_SUB_GRID_AREA(std::span<const float> x, std::span<const float> y, std::int32_t n,
                       float cellSize, std::int32_t nRows, std::int32_t nCols,
                       std::int32_t& rowLo, std::int32_t& colLo, std::int32_t& rowHi,
                       std::int32_t& colHi, float& xmin, float& ymin, float& xmax, float& ymax) {
  // The bounding box of the points held; with none, the origin.
  const std::int32_t m = usableCount(n, std::min(x.size(), y.size()));
  xmin = xmax = m >= 1 ? x[1] : 0.0f;
  ymin = ymax = m >= 1 ? y[1] : 0.0f;
  bool usable = m >= 1 && cellSizeUsable(cellSize);
  for (std::size_t i = 1; i <= static_cast<std::size_t>(m); ++i) {
    usable = usable && cellPositionUsable(x[i], cellSize) && cellPositionUsable(y[i], cellSize);
    xmin = std::min(xmin, x[i]);
    xmax = std::max(xmax, x[i]);
    ymin = std::min(ymin, y[i]);
    ymax = std::max(ymax, y[i]);
  }
  if (!usable) {
    rowLo = colLo = 1;
    rowHi = colHi = 0;
    return;
  }
  // The window, raised to the first row and column and cut to the last ones.
  rowLo = std::max(cellIndexOf(ymin, cellSize), 1);
  colLo = std::max(cellIndexOf(xmin, cellSize), 1);
  rowHi = std::min(cellIndexOf(ymax, cellSize), nRows);
  colHi = std::min(cellIndexOf(xmax, cellSize), nCols);
}

namespace {

// m = the longer of the two index spans, and its step count m + 1.
float lineSpan(std::int32_t i1, std::int32_t j1, std::int32_t i2, std::int32_t j2,
               std::int32_t& nSteps) {
  const float m = static_cast<float>(std::max(std::abs(static_cast<std::int64_t>(i2) - i1),
                                              std::abs(static_cast<std::int64_t>(j2) - j1)));
  nSteps = truncatedIndex(static_cast<double>(m + 1.5f)) - 1;
  return m;
}

}  // namespace

void CELL_LINE_STEPS(std::int32_t& i1, std::int32_t& j1, std::int32_t& i2, std::int32_t& j2,
                     std::int32_t& nSteps, float& di, float& dj) {
  if (i1 < 1) i1 = i2;
  if (i2 < 1) i2 = i1;
  if (j1 < 1) j1 = j2;
  if (j2 < 1) j2 = j1;
  const float m = lineSpan(i1, j1, i2, j2, nSteps);
  if (m > 0.5f) {
    di = static_cast<float>(static_cast<std::int64_t>(i2) - i1) / m;
    dj = static_cast<float>(static_cast<std::int64_t>(j2) - j1) / m;
  } else {
    di = 0.0f;
    dj = 0.0f;
  }
}

void CELL_LINE_INCREMENTS(std::int32_t i1, std::int32_t j1, std::int32_t i2, std::int32_t j2,
                          std::int32_t& nSteps, float& incA, float& incB, float totalB,
                          float totalA) {
  const float m = lineSpan(i1, j1, i2, j2, nSteps);
  if (m > 0.5f) {
    incA = totalA / m;
    incB = totalB / m;
  } else {
    incA = 0.0f;
    incB = 0.0f;
  }
}

void HX_CELLS_ON_SEGMENT(float x1, float y1, float x2, float y2, float dx, float dy,
                         std::int32_t& rowFirst, std::int32_t& rowLast, std::int32_t& colFirst,
                         std::int32_t& colLast, std::int32_t& count, std::span<std::int32_t> rows,
                         std::span<std::int32_t> cols, std::int32_t maxCount) {
  const Trace t(x1, y1, x2, y2, dx, dy);
  CellList list(rows, cols, count, maxCount);
  if (!t.usable()) {
    rowFirst = rowLast = colFirst = colLast = 0;
    count = 0;
    return;
  }
  // A segment of no length is its start cell.
  if (SAME_POINT(x1, y1, x2, y2, 1.0e-4f)) {
    rowFirst = t.r1;
    rowLast = t.r2;
    colFirst = t.c1;
    colLast = t.c2;
    list.setFirst(t.r1, t.c1);
    count = 1;
    return;
  }
  // All but at most two of the rows (or columns) between the end cells are touched, so a segment
  // that long lists more cells than allowed whatever the test lines say.
  if (t.longerSpan() - 2 > list.limit) stopCellLimit(list.limit);
  // The rows and columns whose test lines the segment touches.
  rowFirst = rowLast = colFirst = colLast = 0;
  const bool rowsHit = hitRange(t, true, rowFirst, rowLast);
  const bool colsHit = hitRange(t, false, colFirst, colLast);
  // A segment that touches no test line lists no cell.
  if (!rowsHit && !colsHit) {
    count = 0;
    return;
  }
  // The longer span is stepped along, so that every row or column between the ends has its cell.
  const std::int64_t rowSpan = std::abs(static_cast<std::int64_t>(rowLast) - rowFirst);
  const std::int64_t colSpan = std::abs(static_cast<std::int64_t>(colLast) - colFirst);
  const bool alongRows = rowsHit && (!colsHit || rowSpan > colSpan);
  // The list's length is checked before a cell is written.
  const std::int64_t n = std::max(rowSpan, colSpan) + 1;
  if (n > list.limit) stopCellLimit(list.limit);
  // One cell per row (or column), where the segment's line crosses its centre line.
  count = 0;
  for (std::int64_t k = 1; k <= n; ++k) {
    float xi = 0.0f, yi = 0.0f;
    if (alongRows) {
      const auto r = static_cast<std::int32_t>(stepAt(rowFirst, rowLast, k));
      const float yc = t.rowCentre(r);
      if (!INTERSECTION_POINT(x1, y1, x2, y2, t.xlo, yc, t.xhi, yc, xi, yi))
        stopNoIntersection("should not be here - gridline - intersection point - contact");
      list.append(r, cellIndexOf(xi, dx));
    } else {
      const auto c = static_cast<std::int32_t>(stepAt(colFirst, colLast, k));
      const float xc = t.colCentre(c);
      if (!INTERSECTION_POINT(x1, y1, x2, y2, xc, t.ylo, xc, t.yhi, xi, yi))
        stopNoIntersection("should not be here - gridline - intersection point 2 - contact");
      list.append(cellIndexOf(yi, dy), c);
    }
  }
  // The bounds given back are the first and last cells listed, not the ranges tested.
  rowFirst = rows[1];
  colFirst = cols[1];
  rowLast = rows[static_cast<std::size_t>(count)];
  colLast = cols[static_cast<std::size_t>(count)];
}

void HX_CELLS_ON_SEGMENT_2(float x1, float y1, float x2, float y2, bool startOnly, float dx,
                           float dy, std::int32_t& rowFirst, std::int32_t& rowLast,
                           std::int32_t& colFirst, std::int32_t& colLast, std::int32_t& count,
                           std::span<std::int32_t> rows, std::span<std::int32_t> cols,
                           std::int32_t maxCount, std::int32_t rowOffset, std::int32_t colOffset) {
  static constexpr TraceTexts texts{
      "should not be here - gridline - intersection point 1 - contact",
      "should not be here - gridline - intersection point 2 - contact",
      "should not be here - gridline - intersection point 3 - contact",
      "should not be here - gridline - intersection point 4 - contact"};
  tracePerStep(x1, y1, x2, y2, startOnly, dx, dy, rowFirst, rowLast, colFirst, colLast, count,
               rows, cols, maxCount, rowOffset, colOffset, EndRule::fullLine, texts);
}

void HX_CELLS_ON_SEGMENT_5(float x1, float y1, float x2, float y2, bool startOnly, float dx,
                           float dy, std::int32_t& rowFirst, std::int32_t& rowLast,
                           std::int32_t& colFirst, std::int32_t& colLast, std::int32_t& count,
                           std::span<std::int32_t> rows, std::span<std::int32_t> cols,
                           std::int32_t maxCount, std::int32_t rowOffset, std::int32_t colOffset) {
  static constexpr TraceTexts texts{
      "should not be here - gridline_5 - intersection point 1 - contact", "",
      "should not be here - gridline_5 - intersection point 3 - contact", ""};
  tracePerStep(x1, y1, x2, y2, startOnly, dx, dy, rowFirst, rowLast, colFirst, colLast, count,
               rows, cols, maxCount, rowOffset, colOffset, EndRule::centrePiece, texts);
}
