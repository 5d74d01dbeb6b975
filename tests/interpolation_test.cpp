#include "geometry/interpolation.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace {

// Node arrays indexed from 1.
struct Nodes {
  std::vector<double> x{0.0};
  std::vector<double> y{0.0};
  std::vector<float> z{0.0f};
  Nodes(std::initializer_list<std::array<double, 3>> nodes) {
    for (const auto& n : nodes) {
      x.push_back(n[0]);
      y.push_back(n[1]);
      z.push_back(static_cast<float>(n[2]));
    }
  }
  std::vector<float> xf() const { return {x.begin(), x.end()}; }
  std::vector<float> yf() const { return {y.begin(), y.end()}; }
};

// The plane z = x + 2y.
const Nodes kPlane{{0, 0, 0}, {2, 0, 2}, {0, 2, 4}};

TEST(InterpolateTriangle, PlaneValuesInsideAndAtTheNodes) {
  const auto xf = kPlane.xf();
  const auto yf = kPlane.yf();
  float v = 0;
  EXPECT_TRUE(INTERPOLATE_TRIANGLE(0.5f, 0.5f, xf, yf, kPlane.z, v));
  EXPECT_NEAR(v, 1.5f, 1.0e-5f);
  EXPECT_TRUE(INTERPOLATE_TRIANGLE(0.0f, 2.0f, xf, yf, kPlane.z, v));
  EXPECT_EQ(v, 4.0f);
  EXPECT_TRUE(INTERPOLATE_TRIANGLE(1.0f, 0.0f, xf, yf, kPlane.z, v));
  EXPECT_NEAR(v, 1.0f, 1.0e-5f);
  EXPECT_TRUE(INTERPOLATE_TRIANGLE_8(0.5, 0.5, kPlane.x, kPlane.y, kPlane.z, v));
  EXPECT_NEAR(v, 1.5f, 1.0e-5f);
  EXPECT_TRUE(INTERPOLATE_TRIANGLE_8(0.0, 2.0, kPlane.x, kPlane.y, kPlane.z, v));
  EXPECT_EQ(v, 4.0f);
  INTERPOLATE_TRIANGLE_NO_CHECKS(0.5f, 0.5f, xf, yf, kPlane.z, v);
  EXPECT_NEAR(v, 1.5f, 1.0e-5f);
  INTERPOLATE_TRIANGLE_NO_CHECKS_8(0.5, 0.5, kPlane.x, kPlane.y, kPlane.z, v);
  EXPECT_NEAR(v, 1.5f, 1.0e-5f);
  INTERPOLATE_TRIANGLE_NO_CHECKS_8(0.0, 2.0, kPlane.x, kPlane.y, kPlane.z, v);
  EXPECT_EQ(v, 4.0f);
}

TEST(InterpolateTriangle, CoincidentFirstNodesTakeTheirMean) {
  const Nodes t{{1, 1, 0}, {1, 1, 2}, {0, 3, 5}};
  float v = 0;
  EXPECT_TRUE(INTERPOLATE_TRIANGLE_8(0.5, 1.5, t.x, t.y, t.z, v));
  EXPECT_NEAR(v, 3.0f, 1.0e-5f);  // zQ is 1, half way from N3
  INTERPOLATE_TRIANGLE_NO_CHECKS_8(0.5, 1.5, t.x, t.y, t.z, v);
  EXPECT_NEAR(v, 3.0f, 1.0e-5f);
  // N1-N2 just under 1.0e-6 in double, though above 1.0e-6 rounded to single: still the mean.
  const Nodes s{{0, 0, 0}, {9.999999990e-7, 0, 2}, {0, 1, 5}};
  INTERPOLATE_TRIANGLE_NO_CHECKS_8(0.0, 0.0, s.x, s.y, s.z, v);
  EXPECT_EQ(v, 1.0f);
}

TEST(InterpolateTriangle, TwoVerticalLinesFail) {
  const Nodes t{{0, 0, 1}, {0, 2, 3}, {1, 1, 5}};
  const auto xf = t.xf();
  const auto yf = t.yf();
  float v = 7;
  EXPECT_FALSE(INTERPOLATE_TRIANGLE(1.0f, 0.5f, xf, yf, t.z, v));
  EXPECT_EQ(v, kInterpolationFailed);
  v = 7;
  EXPECT_FALSE(INTERPOLATE_TRIANGLE_8(1.0, 0.5, t.x, t.y, t.z, v));
  EXPECT_EQ(v, -99999.0f);
  // Without checks Q is N1, and the value moves from z3 toward z1 by dP/dR = 0.5/sqrt(2).
  INTERPOLATE_TRIANGLE_NO_CHECKS_8(1.0, 0.5, t.x, t.y, t.z, v);
  EXPECT_NEAR(v, 5.0f + (1.0f - 5.0f) * static_cast<float>(0.5 / std::sqrt(2.0)), 1.0e-5f);
  INTERPOLATE_TRIANGLE_NO_CHECKS(1.0f, 0.5f, xf, yf, t.z, v);
  EXPECT_NEAR(v, 5.0f + (1.0f - 5.0f) * static_cast<float>(0.5 / std::sqrt(2.0)), 1.0e-5f);
}

TEST(InterpolateTriangle, EqualSlopesFailOrGiveNoFiniteValue) {
  float v = 7;
  EXPECT_FALSE(INTERPOLATE_TRIANGLE_8(1.0, 2.0, kPlane.x, kPlane.y, kPlane.z, v));
  EXPECT_EQ(v, kInterpolationFailed);
  // Without checks the parallel lines are divided through: no finite value, for callers to refuse.
  v = 7;
  INTERPOLATE_TRIANGLE_NO_CHECKS_8(1.0, 2.0, kPlane.x, kPlane.y, kPlane.z, v);
  EXPECT_FALSE(std::isfinite(v));
  const auto xf = kPlane.xf();
  const auto yf = kPlane.yf();
  v = 7;
  INTERPOLATE_TRIANGLE_NO_CHECKS(1.0f, 2.0f, xf, yf, kPlane.z, v);
  EXPECT_FALSE(std::isfinite(v));
}

TEST(InterpolateTriangle, DoubleFormsKeepLargeCoordinates) {
  const double b = 1.0e7;
  const Nodes t{{b, b, 0}, {b + 2, b, 2}, {b, b + 2, 4}};
  float v = 0;
  EXPECT_TRUE(INTERPOLATE_TRIANGLE_8(b + 0.5, b + 0.5, t.x, t.y, t.z, v));
  EXPECT_NEAR(v, 1.5f, 1.0e-4f);
  INTERPOLATE_TRIANGLE_NO_CHECKS_8(b + 0.5, b + 0.5, t.x, t.y, t.z, v);
  EXPECT_NEAR(v, 1.5f, 1.0e-4f);
}

TEST(InterpolateTriangle, ArraysTooShortFailWithoutReading) {
  const std::vector<double> x{0, 1, 2};
  const std::vector<float> z{0, 1, 2};
  float v = 7;
  EXPECT_FALSE(INTERPOLATE_TRIANGLE_8(0.5, 0.5, x, x, z, v));
  EXPECT_EQ(v, kInterpolationFailed);
  v = 7;
  INTERPOLATE_TRIANGLE_NO_CHECKS_8(0.5, 0.5, x, x, z, v);
  EXPECT_EQ(v, kInterpolationFailed);
}

TEST(InterpolateElement, ThreeNodes) {
  float v = 7;
  EXPECT_TRUE(INTERPOLATE_ELEMENT_8(0.5, 0.5, kPlane.x, kPlane.y, kPlane.z, 3, -1.0, v));
  EXPECT_NEAR(v, 1.5f, 1.0e-5f);
  v = 7;
  EXPECT_FALSE(INTERPOLATE_ELEMENT_8(3.0, 3.0, kPlane.x, kPlane.y, kPlane.z, 3, -1.0, v));
  EXPECT_EQ(v, 7.0f);  // unchanged
}

TEST(InterpolateElement, FourNodesAverageTheTrianglesHoldingThePoint) {
  // Not a plane: the triangles (1,3,4) and (1,2,4) hold (0.2, 0.6) and give 1.0 and 0.8.
  const Nodes q{{0, 0, 0}, {1, 0, 1}, {1, 1, 3}, {0, 1, 1}};
  float v = 7;
  EXPECT_TRUE(INTERPOLATE_ELEMENT_8(0.2, 0.6, q.x, q.y, q.z, 4, -1.0, v));
  EXPECT_NEAR(v, 0.9f, 1.0e-5f);
  const Nodes square{{0, 0, 0}, {1, 0, 1}, {1, 1, 2}, {0, 1, 1}};
  EXPECT_TRUE(INTERPOLATE_ELEMENT_8(0.25, 0.25, square.x, square.y, square.z, 4, -1.0, v));
  EXPECT_NEAR(v, 0.5f, 1.0e-5f);
  v = 7;
  EXPECT_FALSE(INTERPOLATE_ELEMENT_8(2.0, 2.0, q.x, q.y, q.z, 4, -1.0, v));
  EXPECT_EQ(v, kInterpolationFailed);
}

TEST(InterpolateElement, OtherNodeCountsAndShortArraysLeaveTheValue) {
  const Nodes q{{0, 0, 0}, {1, 0, 1}, {1, 1, 3}, {0, 1, 1}};
  float v = 7;
  EXPECT_FALSE(INTERPOLATE_ELEMENT_8(0.2, 0.6, q.x, q.y, q.z, 5, -1.0, v));
  EXPECT_FALSE(INTERPOLATE_ELEMENT_8(0.2, 0.6, q.x, q.y, q.z, 2, -1.0, v));
  EXPECT_FALSE(INTERPOLATE_ELEMENT_8(0.2, 0.6, kPlane.x, kPlane.y, kPlane.z, 4, -1.0, v));
  EXPECT_EQ(v, 7.0f);
}

}  // namespace
