#include "geometry/grid_regions.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "geometry/geometry.hpp"
#include "geometry/grid_frame.hpp"
#include "geometry/inside_polygon.hpp"
#include "geometry/interpolation.hpp"
#include "platform/console.hpp"
#include "utility/run_control.hpp"

namespace {

[[noreturn]] void stopShouldNotBeHere(const char* routine) {
  console::line();
  console::line(std::string("Should not be here [") + routine + "] - please contact" +
                SUPPORT_CONTACT);
  EXITS();
}

// Calls edge(a, b) for every edge of every ring: point i to i+1 between read points, then from
// the ring's last read point back to its first, which closes a ring read unclosed (a ring read
// closed gets an edge of no length there, which crosses nothing). The walk skips the copy of each
// ring's second vertex to the next ring's first point, and ends after point n - 1. A region of
// no rings (nParts 0 or less) has no edge, so nothing lies inside it, as in the inside tests.
template <class Edge>
void walkRingEdges(std::int32_t n, std::span<const std::int32_t> partEnd, std::int32_t nParts,
                   const char* tag, Edge&& edge) {
  if (nParts < 1) return;
  std::int32_t k = 1;
  std::int32_t first = 1;
  for (std::int32_t i = 1; i <= n - 2;) {
    edge(static_cast<std::size_t>(i), static_cast<std::size_t>(i + 1));
    const std::int32_t end = ringEnd(partEnd, k);
    if (i + 1 == end) {
      edge(static_cast<std::size_t>(end), static_cast<std::size_t>(first));
      if (k >= nParts && end + 1 < n) stopTooManyRings("grid_inside_polygon", tag);
      ++k;
      i += 3;
      first = i;
    } else {
      ++i;
    }
  }
}

// target := v, or target += v; integer sums are kept within 32 bits rather than overflowing.
void storeInteger(std::int32_t& target, std::int32_t v, bool add) {
  if (!add) {
    target = v;
    return;
  }
  const std::int64_t sum = static_cast<std::int64_t>(target) + v;
  target = static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, INT32_MIN, INT32_MAX));
}

void storeReal(float& target, float v, bool add) { target = add ? target + v : v; }

// An interpolated value (or its sum) that is not a finite number leaves the target as it was.
void storeFiniteReal(float& target, float v, bool add) {
  const float stored = add ? target + v : v;
  if (std::isfinite(stored)) target = stored;
}

void interpolateNoChecks(float px, float py, std::span<const float> x, std::span<const float> y,
                         std::span<const float> z, float& v) {
  INTERPOLATE_TRIANGLE_NO_CHECKS(px, py, x, y, z, v);
}

void interpolateNoChecks(double px, double py, std::span<const double> x,
                         std::span<const double> y, std::span<const float> z, float& v) {
  INTERPOLATE_TRIANGLE_NO_CHECKS_8(px, py, x, y, z, v);
}

// What a rasterisation call asked for.
struct RasterRequest {
  std::span<std::uint8_t> outMask, work;
  std::span<std::int32_t> intGrid;
  std::span<float> realGrid;
  std::int32_t extent1, extent2, rowOffset, colOffset;
  bool clearOutMask, assignValues, integerMode, realMode;
  float value;
  bool addValues;
};

template <class T>
class Rasteriser {
 public:
  Rasteriser(const RasterRequest& q, T dx, T dy, std::span<const T> x, std::span<const T> y,
             std::span<const float> z, std::int32_t n)
      : q_(q), dx_(dx), dy_(dy), x_(x), y_(y), z_(z), n_(n),
        held_(usableCount(n, std::min(x.size(), y.size()))) {}

  // The window of the region's bounding box; false when it is empty. A region with a point that
  // cannot be numbered in cells, or cells of no usable size, has an empty window (rows and
  // columns 1..0).
  bool setWindow(std::int32_t& rowLo, std::int32_t& colLo, std::int32_t& rowHi,
                 std::int32_t& colHi) {
    if (!regionUsable()) {
      rowLo = colLo = 1;
      rowHi = colHi = 0;
      return false;
    }
    T xmin{}, xmax{}, ymin{}, ymax{};
    if (held_ >= 1) {
      xmin = xmax = x_[1];
      ymin = ymax = y_[1];
    }
    for (std::size_t i = 2; i <= static_cast<std::size_t>(held_) && n_ >= 2; ++i) {
      xmin = std::min(xmin, x_[i]);
      xmax = std::max(xmax, x_[i]);
      ymin = std::min(ymin, y_[i]);
      ymax = std::max(ymax, y_[i]);
    }
    // The upper bounds never pass the arrays' last row and column, whatever offset is passed;
    // the differences are taken wide so that no extent and offset can overflow.
    rowLo = std::max(cellIndexOf(ymin, dy_), std::max(1, q_.rowOffset));
    rowHi = std::min(cellIndexOf(ymax, dy_), lastIndex(q_.extent1, q_.rowOffset));
    colLo = std::max(cellIndexOf(xmin, dx_), std::max(1, q_.colOffset));
    colHi = std::min(cellIndexOf(xmax, dx_), lastIndex(q_.extent2, q_.colOffset));
    rowLo_ = rowLo, rowHi_ = rowHi, colLo_ = colLo, colHi_ = colHi;
    return held_ >= 1 && rowHi >= rowLo && colHi >= colLo;
  }

  // The grids this call will touch must hold the whole grid.
  void checkGrids(const char* routine) const {
    const auto cells = static_cast<std::int64_t>(q_.extent1) * q_.extent2;
    auto holds = [&](std::size_t size) { return static_cast<std::int64_t>(size) >= cells; };
    bool ok = holds(q_.outMask.size()) && holds(q_.work.size());
    if (q_.assignValues && q_.integerMode) ok = ok && holds(q_.intGrid.size());
    if (q_.assignValues && !q_.integerMode && (q_.realMode || n_ == 5))
      ok = ok && holds(q_.realGrid.size());
    if (!ok) stopShouldNotBeHere(routine);
  }

  void clearWindow() {
    for (std::int32_t c = colLo_; c <= colHi_; ++c) {
      for (std::int32_t r = rowLo_; r <= rowHi_; ++r) {
        q_.work[at(r, c)] = 0;
        if (q_.clearOutMask) q_.outMask[at(r, c)] = 0;
      }
    }
  }

  // The sample lines y = k*dy that the edge from point a to point b crosses, each recorded in
  // the cell of the crossing (or the window's first column when left of it).
  void recordCrossings(std::size_t a, std::size_t b) {
    const T xa = x_[a], ya = y_[a], xb = x_[b], yb = y_[b];
    const std::int32_t ra = lineIndex(ya);
    const std::int32_t rb = lineIndex(yb);
    if (ra == rb) return;
    const bool up = ra < rb;
    const std::int32_t first = up ? ra : ra - 1;
    const std::int32_t last = up ? rb - 1 : rb;
    for (std::int32_t k = first; up ? k <= last : k >= last; k += up ? 1 : -1) {
      T xc = xa;
      if (xb != xa) {
        const T m = (yb - ya) / (xb - xa);
        xc = (xa * m - ya + static_cast<T>(k) * dy_) / m;
      }
      const std::int32_t c = cellIndexOf(xc, dx_);
      if (c < colLo_)
        q_.work[at(k, colLo_)] ^= 1;
      else if (c <= colHi_)
        q_.work[at(k, c)] ^= 1;
    }
  }

  // Scan each row of the window and take the cells found inside.
  std::int32_t takeInsideCells() {
    const std::int32_t iv = roundedValue(q_.value);
    std::int32_t count = 0;
    for (std::int32_t r = rowLo_; r <= rowHi_; ++r) {
      bool inside = false;
      for (std::int32_t c = colLo_; c <= colHi_; ++c) {
        if (q_.work[at(r, c)] & 1) inside = !inside;
        if (!inside) continue;
        q_.outMask[at(r, c)] = 1;
        ++count;
        if (q_.assignValues) assign(r, c, iv);
      }
    }
    return count;
  }

 private:
  bool regionUsable() const {
    if (!cellSizeUsable(static_cast<double>(dx_)) || !cellSizeUsable(static_cast<double>(dy_)))
      return false;
    for (std::size_t i = 1; i <= static_cast<std::size_t>(held_); ++i)
      if (!cellPositionUsable(x_[i], dx_) || !cellPositionUsable(y_[i], dy_)) return false;
    return true;
  }

  // extent - max(0, offset), kept within the range of an index.
  static std::int32_t lastIndex(std::int32_t extent, std::int32_t offset) {
    const std::int64_t last = static_cast<std::int64_t>(extent) - std::max(0, offset);
    return static_cast<std::int32_t>(std::max<std::int64_t>(last, INT32_MIN));
  }

  std::size_t at(std::int32_t r, std::int32_t c) const {
    return static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(q_.extent1) +
           static_cast<std::size_t>(r - 1);
  }

  std::int32_t lineIndex(T y) const {
    return std::clamp(cellIndexOf(y, dy_), rowLo_, rowHi_ + 1);
  }

  void assign(std::int32_t r, std::int32_t c, std::int32_t iv) {
    if (q_.integerMode) {
      storeInteger(q_.intGrid[at(r, c)], iv, q_.addValues);
    } else if (q_.realMode) {
      storeReal(q_.realGrid[at(r, c)], q_.value, q_.addValues);
    } else if (n_ == 5) {
      float v = 0.0f;
      interpolateNoChecks(static_cast<T>(c) * dx_, static_cast<T>(r) * dy_, x_, y_, z_, v);
      storeFiniteReal(q_.realGrid[at(r, c)], v, q_.addValues);
    }
  }

  const RasterRequest& q_;
  T dx_, dy_;
  std::span<const T> x_, y_;
  std::span<const float> z_;
  std::int32_t n_, held_;
  std::int32_t rowLo_ = 1, rowHi_ = 0, colLo_ = 1, colHi_ = 0;
};

template <class T>
void rasterise(const RasterRequest& q, T dx, T dy, std::int32_t& rowLo, std::int32_t& colLo,
               std::int32_t& rowHi, std::int32_t& colHi, std::int32_t& count,
               std::span<const T> x, std::span<const T> y, std::span<const float> z,
               std::int32_t n, std::span<const std::int32_t> partEnd, std::int32_t nParts,
               const char* routine) {
  Rasteriser<T> r(q, dx, dy, x, y, z, n);
  count = 0;
  if (!r.setWindow(rowLo, colLo, rowHi, colHi)) return;
  r.checkGrids(routine);
  r.clearWindow();
  const std::int32_t held = usableCount(n, std::min(x.size(), y.size()));
  walkRingEdges(held, partEnd, nParts, "1",
                [&](std::size_t a, std::size_t b) { r.recordCrossings(a, b); });
  count = r.takeInsideCells();
}

template <class T>
void flagPointsInside(std::span<std::int32_t> flags, std::span<const T> px,
                      std::span<const T> py, std::int32_t nPts, std::int32_t& count,
                      std::span<const T> x, std::span<const T> y, std::int32_t n,
                      std::span<const std::int32_t> partEnd, std::int32_t nParts,
                      const char* tag) {
  count = 0;
  const std::int32_t points = usableCount(nPts, std::min({flags.size(), px.size(), py.size()}));
  if (points < 1) return;
  for (std::size_t j = 1; j <= static_cast<std::size_t>(points); ++j) flags[j] = 0;
  const std::int32_t held = usableCount(n, std::min(x.size(), y.size()));
  if (held < 1) return;
  T xmin = x[1], ymin = y[1];
  for (std::size_t i = 2; i <= static_cast<std::size_t>(held); ++i) {
    xmin = std::min(xmin, x[i]);
    ymin = std::min(ymin, y[i]);
  }
  const T x0 = xmin - T(1);
  const T y0 = ymin - T(1);
  // Which band an end lies in: 0 below the point's line, 1 or more on or above it.
  auto band = [](T q) { return cellIndexOf(q, T(1)) - 1; };
  for (std::size_t j = 1; j <= static_cast<std::size_t>(points); ++j) {
    const T pxj = px[j], pyj = py[j];
    if (pyj < ymin || pxj < xmin) continue;
    const T h = pyj - y0;
    walkRingEdges(held, partEnd, nParts, tag, [&](std::size_t ia, std::size_t ib) {
      const T xa = x[ia], ya = y[ia], xb = x[ib], yb = y[ib];
      const std::int32_t a = band((ya - y0) / h);
      const std::int32_t b = band((yb - y0) / h);
      if (a == b || (a != 0 && b != 0)) return;
      T xc = xa;
      if (xb != xa) {
        const T m = (yb - ya) / (xb - xa);
        xc = ((pyj - ya) + xa * m) / m;
      }
      // trunc((xc - x0)/(px - x0)) < 1: the crossing lies left of the point.
      if ((xc - x0) / (pxj - x0) < T(1)) ++flags[j];
    });
  }
  for (std::size_t j = 1; j <= static_cast<std::size_t>(points); ++j) {
    flags[j] = flags[j] % 2 == 1 ? 1 : 0;
    count += flags[j];
  }
}

}  // namespace

std::int32_t roundedValue(float value) {
  if (std::isnan(value)) return 0;
  const double r = std::round(static_cast<double>(value));
  return static_cast<std::int32_t>(std::clamp(r, static_cast<double>(INT32_MIN),
                                              static_cast<double>(INT32_MAX)));
}

void GRID_INSIDE_POLYGON(std::span<std::uint8_t> outMask, std::span<std::uint8_t> work,
                         std::span<std::int32_t> intGrid, std::span<float> realGrid,
                         std::int32_t extent1, std::int32_t extent2, float dx, float dy,
                         std::int32_t rowOffset, std::int32_t colOffset, bool clearOutMask,
                         bool assignValues, bool integerMode, bool realMode, float value,
                         bool addValues, std::int32_t& rowLo, std::int32_t& colLo,
                         std::int32_t& rowHi, std::int32_t& colHi, std::int32_t& count,
                         std::span<const float> x, std::span<const float> y,
                         std::span<const float> z, std::int32_t n,
                         std::span<const std::int32_t> partEnd, std::int32_t nParts) {
  const RasterRequest q{outMask,   work,      intGrid,      realGrid,     extent1,
                        extent2,   rowOffset, colOffset,    clearOutMask, assignValues,
                        integerMode, realMode, value,       addValues};
  rasterise(q, dx, dy, rowLo, colLo, rowHi, colHi, count, x, y, z, n, partEnd, nParts,
            "GRID_INSIDE_POLYGON");
}

void GRID_INSIDE_POLYGON_8(std::span<std::uint8_t> outMask, std::span<std::uint8_t> work,
                           std::span<std::int32_t> intGrid, std::span<float> realGrid,
                           std::int32_t extent1, std::int32_t extent2, double dx, double dy,
                           std::int32_t rowOffset, std::int32_t colOffset, bool clearOutMask,
                           bool assignValues, bool integerMode, bool realMode, float value,
                           bool addValues, std::int32_t& rowLo, std::int32_t& colLo,
                           std::int32_t& rowHi, std::int32_t& colHi, std::int32_t& count,
                           std::span<const double> x, std::span<const double> y,
                           std::span<const float> z, std::int32_t n,
                           std::span<const std::int32_t> partEnd, std::int32_t nParts) {
  const RasterRequest q{outMask,   work,      intGrid,      realGrid,     extent1,
                        extent2,   rowOffset, colOffset,    clearOutMask, assignValues,
                        integerMode, realMode, value,       addValues};
  rasterise(q, dx, dy, rowLo, colLo, rowHi, colHi, count, x, y, z, n, partEnd, nParts,
            "GRID_INSIDE_POLYGON_8");
}

void POINTS_INSIDE_POLYGON(std::span<std::int32_t> flags, std::span<const float> px,
                           std::span<const float> py, std::int32_t nPts, std::int32_t& count,
                           std::span<const float> x, std::span<const float> y, std::int32_t n,
                           std::span<const std::int32_t> partEnd, std::int32_t nParts) {
  flagPointsInside(flags, px, py, nPts, count, x, y, n, partEnd, nParts, "4");
}

void POINTS_INSIDE_POLYGON_8(std::span<std::int32_t> flags, std::span<const double> px,
                             std::span<const double> py, std::int32_t nPts, std::int32_t& count,
                             std::span<const double> x, std::span<const double> y,
                             std::int32_t n, std::span<const std::int32_t> partEnd,
                             std::int32_t nParts) {
  flagPointsInside(flags, px, py, nPts, count, x, y, n, partEnd, nParts, "5");
}

void SET_POINTS_VALUE_8(std::span<const std::int32_t> flags, std::span<const double> px,
                        std::span<const double> py, std::span<std::int32_t> intValues,
                        std::span<float> realValues, std::int32_t nPts, bool integerMode,
                        bool realMode, float value, bool addValues, std::span<const double> x,
                        std::span<const double> y, std::span<const float> z, std::int32_t n) {
  const std::size_t held = std::min({flags.size(), px.size(), py.size(),
                                     integerMode ? intValues.size() : realValues.size()});
  const std::int32_t points = usableCount(nPts, held);
  const std::int32_t iv = roundedValue(value);
  for (std::size_t j = 1; j <= static_cast<std::size_t>(points); ++j) {
    if (flags[j] != 1) continue;
    if (integerMode) {
      storeInteger(intValues[j], iv, addValues);
    } else if (realMode) {
      storeReal(realValues[j], value, addValues);
    } else if (n == 5) {
      float v = 0.0f;
      if (INTERPOLATE_TRIANGLE_8(px[j], py[j], x, y, z, v))
        storeFiniteReal(realValues[j], v, addValues);
    }
  }
}
