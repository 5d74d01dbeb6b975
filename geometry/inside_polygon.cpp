#include "geometry/inside_polygon.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "geometry/geometry.hpp"
#include "platform/console.hpp"
#include "utility/run_control.hpp"

namespace {

// The number of stored points the routines may use: n cut to what both arrays hold.
template <class T>
std::int32_t usablePoints(std::int32_t n, std::span<const T> x, std::span<const T> y) {
  return usableCount(n, std::min(x.size(), y.size()));
}

bool segmentTest(float xa, float ya, float xb, float yb, float xe, float ye, float xp, float yp) {
  return INTERSECT_LINE(xa, ya, xb, yb, xe, ye, xp, yp);
}

bool segmentTest(double xa, double ya, double xb, double yb, double xe, double ye, double xp,
                 double yp) {
  return INTERSECT_LINE_8(xa, ya, xb, yb, xe, ye, xp, yp);
}

// The crossing rules for the edges of a ring walk against the ray from P to (xe, py).
template <class T>
struct RayCrossings {
  T px, py, xe;
  std::span<const T> x, y;
  std::int32_t n;
  T prevY = T(0);  // y of the start of the last edge that ended on the ray's line

  // A ring's first walked edge starts at its second vertex, which the edge from its first point
  // arrives at. When that vertex lies on the ray's line, whether the edge leaving it crosses
  // depends on the y from which the boundary came into it, so that y is taken from the ring's own
  // points walked back from its first point and then from its last read point; a value left over
  // from another ring would misjudge the crossing.
  void startRing(std::int32_t second, std::int32_t lastRead) {
    if (y[static_cast<std::size_t>(second - 1)] != py) {
      prevY = y[static_cast<std::size_t>(second - 1)];
      return;
    }
    if (lastRead <= second || lastRead > n) lastRead = n - 1;
    for (std::int32_t j = lastRead; j > second; --j) {
      if (y[static_cast<std::size_t>(j)] != py) {
        prevY = y[static_cast<std::size_t>(j)];
        return;
      }
    }
  }

  bool crosses(T xa, T ya, T xb, T yb) {
    if (ya == yb) return false;  // horizontal edges never cross the ray
    if (yb == py) {              // ends on the ray's line: decided with the next edge
      prevY = ya;
      return false;
    }
    if (ya == py && px >= xa)  // leaves the ray's line: a crossing when the boundary passes through
      return (prevY - py) * (yb - py) < T(0);
    return segmentTest(xa, ya, xb, yb, xe, py, px, py);
  }
};

// The far end of the ray: left of every stored point, whatever xref the caller gave.
template <class T>
T rayEnd(T xref, std::span<const T> x, std::int32_t n) {
  for (std::int32_t i = 1; i <= n; ++i) xref = std::min(xref, x[static_cast<std::size_t>(i)]);
  return xref - T(10);
}

// Walks every ring's edges from its second vertex round to it again and counts the crossings. A
// ring read unclosed gets its closing edge: its last point leads back to its first, and the first
// to the second. onEdge(A, B) may decide the whole test at once (true: inside).
template <class T, class OnEdge>
bool walkRings(RayCrossings<T>& rules, std::span<const std::int32_t> partEnd, std::int32_t nParts,
               const char* tag, OnEdge onEdge) {
  const std::int32_t n = rules.n;
  if (n < 3 || nParts <= 0) return false;
  const auto& x = rules.x;
  const auto& y = rules.y;
  std::int32_t count = 0;
  auto edge = [&](std::size_t a, std::size_t b) {
    if (onEdge(x[a], y[a], x[b], y[b])) return true;
    if (rules.crosses(x[a], y[a], x[b], y[b])) ++count;
    return false;
  };
  std::int32_t k = 1;
  std::int32_t i = 2;
  std::int32_t first = 1;
  rules.startRing(i, ringEnd(partEnd, k));
  for (;;) {
    const auto a = static_cast<std::size_t>(i);
    const auto f = static_cast<std::size_t>(first);
    const bool lastEdge = i == ringEnd(partEnd, k);
    if (lastEdge && (x[a] != x[f] || y[a] != y[f])) {
      if (edge(a, f) || edge(f, f + 1)) return true;
    } else if (edge(a, a + 1)) {
      return true;
    }
    std::int32_t next = i + 1;
    if (lastEdge) {
      ++k;
      if (k > nParts && i + 2 < n - 1) stopTooManyRings("inside_polygon", tag);
      next = i + 3;  // the next ring's second vertex
      first = i + 2;
      if (next <= n - 1) rules.startRing(next, ringEnd(partEnd, k));
    }
    if (next > n - 1) break;
    i = next;
  }
  return count % 2 == 1;
}

}  // namespace

std::int32_t ringEnd(std::span<const std::int32_t> partEnd, std::int32_t k) {
  if (k < 1 || static_cast<std::size_t>(k) >= partEnd.size()) return 0;
  return partEnd[static_cast<std::size_t>(k)];
}

void stopTooManyRings(const char* routine, const char* tag) {
  console::line();
  console::line(std::string("Invalid number of polygons in region sent to ") + routine + " routine [" + tag +
                "] - contact" + SUPPORT_CONTACT);
  EXITS();
}

bool INSIDE_POLYGON(float px, float py, std::span<const float> x, std::span<const float> y,
                    std::int32_t n, float xref, std::span<const std::int32_t> partEnd,
                    std::int32_t nParts) {
  const std::int32_t used = usablePoints(n, x, y);
  RayCrossings<float> rules{px, py, rayEnd(xref, x, used), x, y, used};
  return walkRings(rules, partEnd, nParts, "1", [](float, float, float, float) { return false; });
}

bool INSIDE_POLYGON_8(double px, double py, std::span<const double> x, std::span<const double> y,
                      std::int32_t n, double xref, std::span<const std::int32_t> partEnd,
                      std::int32_t nParts) {
  const std::int32_t used = usablePoints(n, x, y);
  RayCrossings<double> rules{px, py, rayEnd(xref, x, used), x, y, used};
  return walkRings(rules, partEnd, nParts, "2", [](double, double, double, double) { return false; });
}

bool INSIDE_POLYGON_EDGE_8(double px, double py, std::span<const double> x,
                           std::span<const double> y, std::int32_t n, double xref,
                           [[maybe_unused]] double unused, std::span<const std::int32_t> partEnd,
                           std::int32_t nParts) {
  const std::int32_t used = usablePoints(n, x, y);
  RayCrossings<double> rules{px, py, rayEnd(xref, x, used), x, y, used};
  // On the edge: on its line (cross product below the tolerance), no further from A than B is,
  // and on B's side of A. Without the last condition a point on the line behind A would count.
  auto onEdge = [&](double xa, double ya, double xb, double yb) {
    const float cross = static_cast<float>((xa - xb) * (ya - py) - (ya - yb) * (xa - px));
    if (!(std::abs(cross) < kGeometryTolerance)) return false;
    if (DISTANCE_8(xa, ya, xb, yb) < DISTANCE_8(xa, ya, px, py)) return false;
    return (px - xa) * (xb - xa) + (py - ya) * (yb - ya) >= 0.0;
  };
  return walkRings(rules, partEnd, nParts, "1", onEdge);
}

bool INSIDE_CONVEX_POLYGON_8(double px, double py, std::int32_t n, std::span<const double> x,
                             std::span<const double> y) {
  // The ring needs points 1..n+1; n is cut to what the arrays hold.
  const std::int32_t held = usablePoints(n + 1, x, y);
  n = std::min(n, held - 1);
  if (n <= 0) return false;
  // Cross product of edge (i, i+1) with P, rounded to single as stored; true when P is on the edge.
  auto side = [&](std::int32_t i, bool& onEdge) {
    const auto a = static_cast<std::size_t>(i);
    const double c = static_cast<float>((x[a + 1] - x[a]) * (py - y[a]) -
                                        (px - x[a]) * (y[a + 1] - y[a]));
    onEdge = std::abs(c) < static_cast<double>(kGeometryTolerance) &&
             (x[a] - px) * (x[a + 1] - px) + (y[a] - py) * (y[a + 1] - py) <= 0.0;
    return c;
  };
  bool onEdge = false;
  const double c1 = side(1, onEdge);
  if (onEdge) return true;
  if (n == 1) return false;
  for (std::int32_t i = 2; i <= n; ++i) {
    const double ci = side(i, onEdge);
    if (onEdge) return true;
    if (ci * c1 <= 0.0) return false;
  }
  return true;
}
