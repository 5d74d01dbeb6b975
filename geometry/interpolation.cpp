#include "geometry/interpolation.hpp"

#include <cmath>
#include <cstddef>
#include <vector>

#include "geometry/geometry.hpp"
#include "geometry/inside_polygon.hpp"

namespace {

template <class T>
bool holdsNodes(std::span<const T> x, std::span<const T> y, std::span<const float> z,
                std::int32_t nodes) {
  const auto need = static_cast<std::size_t>(nodes) + 1;
  return x.size() >= need && y.size() >= need && z.size() >= need;
}

// The value a fraction d/total of the way from za to zb; half way along a line of no length.
float alongLine(float za, float zb, float d, float total) {
  if (total < kGeometryTolerance) return za + (zb - za) * 0.5f;
  return za + (zb - za) * d / total;
}

// The same with distances in double, compared with the tolerance in double; the ratio is rounded
// to single before it scales.
float alongLine(float za, float zb, double d, double total) {
  if (total < 1.0e-6) return za + (zb - za) * 0.5f;
  return za + (zb - za) * static_cast<float>(d / total);
}

template <class T>
T plainDistance(T xa, T ya, T xb, T yb) {
  return std::sqrt((xb - xa) * (xb - xa) + (yb - ya) * (yb - ya));
}

// Q for the interpolation without checks: vertical lines by exact equality, otherwise the
// general crossing of the two lines. Parallel lines are not tested: their division by zero
// leaves a Q, and so a value, that is not a finite number, which the callers that store values
// refuse.
template <class T>
void projectWithoutChecks(T px, T py, std::span<const T> x, std::span<const T> y, T& qx, T& qy) {
  if (x[1] == x[2]) {
    qx = x[1];
    qy = x[3] == px ? y[1] : y[3] + (py - y[3]) / (px - x[3]) * (x[1] - x[3]);
    return;
  }
  if (x[3] == px) {
    qx = x[3];
    qy = y[1] + (y[2] - y[1]) / (x[2] - x[1]) * (x[3] - x[1]);
    return;
  }
  const T m1 = (y[2] - y[1]) / (x[2] - x[1]);
  const T m2 = (py - y[3]) / (px - x[3]);
  qx = (y[1] - y[3] - x[1] * m1 + m2 * x[3]) / (m2 - m1);
  qy = y[3] + m2 * (qx - x[3]);
}

template <class T>
void interpolateWithoutChecks(T px, T py, std::span<const T> x, std::span<const T> y,
                              std::span<const float> z, float& value) {
  if (!holdsNodes(x, y, z, 3)) {
    value = kInterpolationFailed;
    return;
  }
  T qx{}, qy{};
  projectWithoutChecks(px, py, x, y, qx, qy);
  const float zq = alongLine(z[1], z[2], plainDistance(x[1], y[1], qx, qy),
                             plainDistance(x[1], y[1], x[2], y[2]));
  value = alongLine(z[3], zq, plainDistance(x[3], y[3], px, py), plainDistance(x[3], y[3], qx, qy));
}

}  // namespace

bool INTERPOLATE_TRIANGLE(float px, float py, std::span<const float> x, std::span<const float> y,
                          std::span<const float> z, float& value) {
  float qx = 0.0f, qy = 0.0f;
  if (!holdsNodes(x, y, z, 3) ||
      !INTERSECTION_POINT(x[1], y[1], x[2], y[2], x[3], y[3], px, py, qx, qy)) {
    value = kInterpolationFailed;
    return false;
  }
  const float zq =
      alongLine(z[1], z[2], DISTANCE(x[1], y[1], qx, qy), DISTANCE(x[1], y[1], x[2], y[2]));
  value = alongLine(z[3], zq, DISTANCE(x[3], y[3], px, py), DISTANCE(x[3], y[3], qx, qy));
  return true;
}

bool INTERPOLATE_TRIANGLE_8(double px, double py, std::span<const double> x,
                            std::span<const double> y, std::span<const float> z, float& value) {
  double qx = 0.0, qy = 0.0;
  if (!holdsNodes(x, y, z, 3) ||
      !INTERSECTION_POINT_8(x[1], y[1], x[2], y[2], x[3], y[3], px, py, qx, qy)) {
    value = kInterpolationFailed;
    return false;
  }
  const float zq =
      alongLine(z[1], z[2], DISTANCE_8(x[1], y[1], qx, qy), DISTANCE_8(x[1], y[1], x[2], y[2]));
  value = alongLine(z[3], zq, DISTANCE_8(x[3], y[3], px, py), DISTANCE_8(x[3], y[3], qx, qy));
  return true;
}

void INTERPOLATE_TRIANGLE_NO_CHECKS(float px, float py, std::span<const float> x,
                                    std::span<const float> y, std::span<const float> z,
                                    float& value) {
  interpolateWithoutChecks(px, py, x, y, z, value);
}

void INTERPOLATE_TRIANGLE_NO_CHECKS_8(double px, double py, std::span<const double> x,
                                      std::span<const double> y, std::span<const float> z,
                                      float& value) {
  interpolateWithoutChecks(px, py, x, y, z, value);
}

namespace {

// The triangle of nodes a, b, c of an element, as a one-ring region and as node arrays.
struct ElementTriangle {
  std::vector<double> rx, ry;  // ring a, b, c, a, b at indices 1..5
  std::vector<double> nx, ny;  // nodes at indices 1..3
  std::vector<float> nz;

  ElementTriangle(std::span<const double> x, std::span<const double> y, std::span<const float> z,
                  int a, int b, int c)
      : rx{0.0, x[a], x[b], x[c], x[a], x[b]}, ry{0.0, y[a], y[b], y[c], y[a], y[b]},
        nx{0.0, x[a], x[b], x[c]}, ny{0.0, y[a], y[b], y[c]}, nz{0.0f, z[a], z[b], z[c]} {}

  bool holds(double px, double py, double xref) const {
    static constexpr std::int32_t partEnd[] = {0, 4};
    return INSIDE_POLYGON_8(px, py, rx, ry, 5, xref, partEnd, 1);
  }
  bool interpolate(double px, double py, float& value) const {
    return INTERPOLATE_TRIANGLE_8(px, py, nx, ny, nz, value);
  }
};

}  // namespace

bool INTERPOLATE_ELEMENT_8(double px, double py, std::span<const double> x,
                           std::span<const double> y, std::span<const float> z,
                           std::int32_t nodeCount, double xref, float& value) {
  if ((nodeCount != 3 && nodeCount != 4) || !holdsNodes(x, y, z, nodeCount)) return false;
  if (nodeCount == 3) {
    const ElementTriangle t(x, y, z, 1, 2, 3);
    if (!t.holds(px, py, xref)) return false;
    return t.interpolate(px, py, value);
  }
  // The four triangles, each leaving out one node in turn.
  static constexpr int kTriangles[4][3] = {{2, 3, 4}, {1, 3, 4}, {1, 2, 4}, {1, 2, 3}};
  float sum = 0.0f;
  int counter = 0;
  for (const auto& nodes : kTriangles) {
    const ElementTriangle t(x, y, z, nodes[0], nodes[1], nodes[2]);
    float v = 0.0f;
    if (t.holds(px, py, xref) && t.interpolate(px, py, v)) {
      sum += v;
      ++counter;
    }
  }
  if (counter < 1) {
    value = kInterpolationFailed;
    return false;
  }
  value = sum / static_cast<float>(counter);
  return true;
}
