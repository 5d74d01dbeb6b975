#include "geometry/geometry.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace {

// The tolerance as the double-precision routines compare against it.
constexpr double kToleranceWide = static_cast<double>(kGeometryTolerance);

// Length from two absolute offsets, zero when both are below the tolerance.
float offsetLength(float a, float b) {
  if (a < kGeometryTolerance && b < kGeometryTolerance) return 0.0f;
  return std::sqrt(a * a + b * b);
}

// Product of the cross products of (ax, ay) and (bx, by) with the direction (dx, dy); its sign
// tells whether the two points lie on the same side of the line.
float sideProduct(float dx, float dy, float ax, float ay, float bx, float by) {
  const float c3 = dx * ay - dy * ax;
  const float c4 = dx * by - dy * bx;
  return c3 * c4;
}

// Both segments straddle (or touch) each other's line, from their single-precision differences.
bool segmentsStraddle(float dx, float dy, float x31, float y31, float x42, float y42, float ex,
                      float ey, float x13, float y13, float x24, float y24) {
  return sideProduct(dx, dy, x31, y31, x42, y42) <= 0.0f &&
         sideProduct(ex, ey, x13, y13, x24, y24) <= 0.0f;
}

template <class T>
bool samePoint(T x1, T y1, T x2, T y2, T tolerance) {
  return std::abs(x1 - x2) < tolerance && std::abs(y1 - y2) < tolerance;
}

template <class T>
bool onSegment(T u) {
  return u > T(0) && u <= T(1);
}

template <class T>
std::int32_t classifyIntersection(T x1, T y1, T x2, T y2, T x3, T y3, T x4, T y4) {
  const T den = (y4 - y3) * (x2 - x1) - (x4 - x3) * (y2 - y1);
  const T na = (x4 - x3) * (y1 - y3) - (y4 - y3) * (x1 - x3);
  const T nb = (x2 - x1) * (y1 - y3) - (y2 - y1) * (x1 - x3);
  if (den == T(0)) return (na == T(0) && nb == T(0)) ? kLinesCollinear : kLinesParallel;
  const bool onFirst = onSegment(na / den);
  const bool onSecond = onSegment(nb / den);
  if (onFirst && onSecond) return kCrossOnBoth;
  if (onFirst) return kCrossOnSegment1;
  if (onSecond) return kCrossOnSegment2;
  return kCrossOnNeither;
}

template <class T>
bool lineIntersection(T x1, T y1, T x2, T y2, T x3, T y3, T x4, T y4, T& xi, T& yi) {
  if (x1 == x2) {
    if (x3 == x4) return false;
    const T m2 = (y4 - y3) / (x4 - x3);
    xi = x1;
    yi = y3 + m2 * (x1 - x3);
    return true;
  }
  const T m1 = (y2 - y1) / (x2 - x1);
  if (x3 == x4) {
    xi = x3;
    yi = y1 + m1 * (x3 - x1);
    return true;
  }
  const T m2 = (y4 - y3) / (x4 - x3);
  if (m1 == m2) return false;
  const T x = (y1 - y3 - x1 * m1 + m2 * x3) / (m2 - m1);
  xi = x;
  yi = y3 + m2 * (x - x3);
  return true;
}

// Perimeter of a wetted leg pair, taken as absolute values; zero when both are below tolerance.
float legLength(float a, float b) { return offsetLength(std::abs(a), std::abs(b)); }

// Direction of a segment in degrees, computed in double and stored in single.
float directionDegrees(double dx, double dy) {
  return static_cast<float>(std::atan2(dy, dx) * (180.0 / std::numbers::pi));
}

}  // namespace

std::int32_t usableCount(std::int32_t n, std::size_t held) {
  if (held < 1 || n < 1) return 0;
  return static_cast<std::int32_t>(std::min<std::size_t>(static_cast<std::size_t>(n), held - 1));
}

float DISTANCE(float x1, float y1, float x2, float y2) {
  return offsetLength(std::abs(x2 - x1), std::abs(y2 - y1));
}

float DISTANCE_8(double x1, double y1, double x2, double y2) {
  return offsetLength(static_cast<float>(std::abs(x2 - x1)), static_cast<float>(std::abs(y2 - y1)));
}

float VECTOR_MAGNITUDE(float vx, float vy) {
  if (std::abs(vx) > kGeometryTolerance || std::abs(vy) > kGeometryTolerance)
    return std::sqrt(vx * vx + vy * vy);
  return 0.0f;
}

bool SAME_POINT(float x1, float y1, float x2, float y2, float tolerance) {
  return samePoint(x1, y1, x2, y2, tolerance);
}

bool SAME_POINT_8(double x1, double y1, double x2, double y2, double tolerance) {
  return samePoint(x1, y1, x2, y2, tolerance);
}

float SAME_SIDE(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
  return sideProduct(x2 - x1, y2 - y1, x3 - x1, y3 - y1, x4 - x2, y4 - y2);
}

float SAME_SIDE_8(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                  double y4) {
  return sideProduct(static_cast<float>(x2 - x1), static_cast<float>(y2 - y1),
                     static_cast<float>(x3 - x1), static_cast<float>(y3 - y1),
                     static_cast<float>(x4 - x2), static_cast<float>(y4 - y2));
}

bool INTERSECT_POINT(float x1, float y1, float x2, float y2, float x3, float y3) {
  return sideProduct(x2 - x1, y2 - y1, x3 - x1, y3 - y1, x3 - x2, y3 - y2) == 0.0f;
}

bool INTERSECT_LINE(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
  return segmentsStraddle(x2 - x1, y2 - y1, x3 - x1, y3 - y1, x4 - x2, y4 - y2, x4 - x3, y4 - y3,
                          x1 - x3, y1 - y3, x2 - x4, y2 - y4);
}

bool INTERSECT_LINE_8(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                      double y4) {
  auto f = [](double v) { return static_cast<float>(v); };
  return segmentsStraddle(f(x2 - x1), f(y2 - y1), f(x3 - x1), f(y3 - y1), f(x4 - x2), f(y4 - y2),
                          f(x4 - x3), f(y4 - y3), f(x1 - x3), f(y1 - y3), f(x2 - x4), f(y2 - y4));
}

std::int32_t INTERSECT_LINE_V2(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                               float y4) {
  return classifyIntersection(x1, y1, x2, y2, x3, y3, x4, y4);
}

std::int32_t INTERSECT_LINE_V2_8(double x1, double y1, double x2, double y2, double x3, double y3,
                                 double x4, double y4) {
  return classifyIntersection(x1, y1, x2, y2, x3, y3, x4, y4);
}

bool INTERSECTION_POINT(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                        float y4, float& xi, float& yi) {
  return lineIntersection(x1, y1, x2, y2, x3, y3, x4, y4, xi, yi);
}

bool INTERSECTION_POINT_8(double x1, double y1, double x2, double y2, double x3, double y3,
                          double x4, double y4, double& xi, double& yi) {
  return lineIntersection(x1, y1, x2, y2, x3, y3, x4, y4, xi, yi);
}

float ANGLE2D(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
              double y4) {
  if (std::abs(x2 - x1) < kToleranceWide || std::abs(x4 - x3) < kToleranceWide) return 0.0f;
  const float a1 = directionDegrees(x2 - x1, y2 - y1);
  const float a2 = directionDegrees(x4 - x3, y4 - y3);
  const float t = std::abs(a2 - a1);
  return t > 180.0f ? 360.0f - t : t;
}

void HYD_PARAM(float x1, float z1, float x2, float z2, float h, float g, float& area, float& width,
               float& perimeter) {
  area = 0.0f;
  width = 0.0f;
  perimeter = 0.0f;
  if (g <= 0.0f) return;
  if (h >= z1 && h >= z2) {  // fully wet
    width = x2 - x1;
    area = (h - (z1 + z2) * 0.5f) * (x2 - x1);
    perimeter = legLength(x2 - x1, z2 - z1);
  } else if (z1 > h && z2 > h) {  // dry
    return;
  } else if (h >= z1) {  // wet at the first point; here z2 > h >= z1
    const float w = (x2 - x1) * ((h - z1) / (z2 - z1));
    width = w;
    area = (h - z1) * w * 0.5f;
    perimeter = legLength(w, h - z1);
  } else {  // wet at the second point; here z1 > h >= z2
    const float w = (x2 - x1) * ((h - z2) / (z1 - z2));
    width = w;
    area = (h - z2) * w * 0.5f;
    perimeter = legLength(w, h - z2);
  }
}

void HYD_PARAM2(float x1, float z1, float g1, float x2, float z2, float g2, float h, float& area1,
                float& area2, float& width1, float& width2, float& perimeter1, float& perimeter2) {
  const float xm = (x1 + x2) * 0.5f;
  const float zm = (z1 + z2) * 0.5f;
  HYD_PARAM(x1, z1, xm, zm, h, g1, area1, width1, perimeter1);
  HYD_PARAM(xm, zm, x2, z2, h, g2, area2, width2, perimeter2);
}

float CIRCLE_WIDTH(float r, float d) {
  if (d > 2.0f * r - 1.0e-5f || d < 1.0e-5f) return 0.0f;
  return 2.0f * std::sqrt(r * r - (d - r) * (d - r));
}

float POLYGON_AREA_8(std::span<const double> x, std::span<const double> y, std::int32_t n) {
  // Only points the arrays hold are read, whatever count the caller passes.
  const std::size_t held = std::min(x.size(), y.size());
  if (n <= 0 || held < 2) return 0.0f;
  const std::size_t last = std::min(static_cast<std::size_t>(n), held - 1);
  double s = (x[last] + x[1]) * (y[last] - y[1]);
  for (std::size_t i = 1; i < last; ++i) s += (x[i] + x[i + 1]) * (y[i] - y[i + 1]);
  return std::abs(static_cast<float>(s)) * 0.5f;
}

float CROSS_PRODUCT_8(double x0, double y0, double x1, double y1, double x2, double y2) {
  return static_cast<float>((x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0));
}
