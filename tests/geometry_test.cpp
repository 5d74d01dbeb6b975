#include "geometry/geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(Distance, OffsetsBelowToleranceGiveZeroButToleranceItselfCounts) {
  EXPECT_EQ(DISTANCE_8(10.0, 20.0, 10.0 + 5.0e-7, 20.0 + 5.0e-7), 0.0f);
  EXPECT_EQ(DISTANCE_8(0.0, 0.0, 1.0e-6, 0.0), 1.0e-6f);
  EXPECT_EQ(DISTANCE(0.0f, 0.0f, 1.0e-6f, 0.0f), 1.0e-6f);
  // One offset below and one above: the small one still contributes.
  EXPECT_FLOAT_EQ(DISTANCE_8(0.0, 0.0, 3.0, 4.0), 5.0f);
  EXPECT_FLOAT_EQ(DISTANCE_8(4.0, 3.0, 0.0, 0.0), 5.0f);
}

TEST(Distance, DoubleTwinKeepsSmallOffsetsBetweenLargeCoordinates) {
  // Chainage along a surface line in projected coordinates: the difference is taken before any
  // rounding, so it survives where single-precision coordinates would lose it.
  const double x1 = 1234567.0;
  const double x2 = 1234567.1;
  EXPECT_EQ(DISTANCE_8(x1, 0.0, x2, 0.0), static_cast<float>(x2 - x1));
  EXPECT_NE(DISTANCE(static_cast<float>(x1), 0.0f, static_cast<float>(x2), 0.0f),
            static_cast<float>(x2 - x1));
}

TEST(Distance, VectorMagnitudeTreatsToleranceAsZero) {
  EXPECT_EQ(VECTOR_MAGNITUDE(1.0e-6f, 0.0f), 0.0f);
  EXPECT_EQ(VECTOR_MAGNITUDE(0.0f, -1.0e-6f), 0.0f);
  EXPECT_FLOAT_EQ(VECTOR_MAGNITUDE(-3.0f, 4.0f), 5.0f);
}

TEST(PointTests, SamePointIsStrictAtTheTolerance) {
  EXPECT_FALSE(SAME_POINT(0.0f, 0.0f, 0.5f, 0.0f, 0.5f));
  EXPECT_FALSE(SAME_POINT(0.0f, 0.0f, 0.0f, 0.5f, 0.5f));
  EXPECT_TRUE(SAME_POINT(0.0f, 0.0f, 0.25f, -0.25f, 0.5f));
  EXPECT_FALSE(SAME_POINT_8(0.0, 0.0, 0.5, 0.0, 0.5));
  // Double throughout: a difference too small for single precision still separates the points.
  EXPECT_FALSE(SAME_POINT_8(1.0e8, 0.0, 1.0e8 + 1.0, 0.0, 1.0));
  EXPECT_TRUE(SAME_POINT_8(1.0e8, 0.0, 1.0e8 + 0.5, 0.0, 1.0));
}

TEST(PointTests, SameSideSignTellsTheSides) {
  // Line along the x axis.
  EXPECT_GT(SAME_SIDE(0, 0, 1, 0, 0.5f, 1, 2, 3), 0.0f);
  EXPECT_LT(SAME_SIDE(0, 0, 1, 0, 0.5f, 1, 2, -3), 0.0f);
  EXPECT_EQ(SAME_SIDE(0, 0, 1, 0, 5, 0, 2, -3), 0.0f);
  EXPECT_GT(SAME_SIDE_8(0, 0, 1, 0, 0.5, 1, 2, 3), 0.0f);
  EXPECT_LT(SAME_SIDE_8(0, 0, 1, 0, 0.5, -1, 2, 3), 0.0f);
}

TEST(PointTests, SameSideDoubleTwinRoundsDifferencesToSingle) {
  // 1e-50 above the line is a nonzero double difference but rounds to single-precision zero,
  // so the point counts as on the line.
  EXPECT_EQ(SAME_SIDE_8(0, 0, 1, 0, 0.5, 1.0e-50, 2, 3), 0.0f);
}

TEST(PointTests, IntersectPointIsExactOnTheInfiniteLine) {
  EXPECT_TRUE(INTERSECT_POINT(0, 0, 2, 2, 1, 1));
  EXPECT_TRUE(INTERSECT_POINT(0, 0, 2, 2, 5, 5));    // beyond the segment
  EXPECT_TRUE(INTERSECT_POINT(0, 0, 2, 2, 0, 0));    // at an end point
  EXPECT_FALSE(INTERSECT_POINT(0, 0, 2, 2, 1, 1.001f));
}

TEST(SegmentIntersection, TouchingAndCollinearCountAsIntersecting) {
  EXPECT_TRUE(INTERSECT_LINE(0, 0, 2, 2, 0, 2, 2, 0));   // crossing
  EXPECT_TRUE(INTERSECT_LINE(0, 0, 1, 0, 2, 0, 3, 0));   // disjoint collinear
  EXPECT_TRUE(INTERSECT_LINE(0, 0, 1, 0, 1, 0, 1, 5));   // shared end point
  EXPECT_TRUE(INTERSECT_LINE(0, 0, 2, 0, 1, 0, 1, 5));   // T junction
  EXPECT_FALSE(INTERSECT_LINE(0, 0, 2, 0, 1, 1, 1, 5));  // would cross if extended
  EXPECT_FALSE(INTERSECT_LINE(0, 0, 2, 0, 0, 1, 2, 1));  // parallel
  EXPECT_FALSE(INTERSECT_LINE(0, 0, 1, 1, 3, 0, 2, 1));  // lines cross beyond both
}

TEST(SegmentIntersection, DoubleTwinAgreesOnOrdinaryCases) {
  EXPECT_TRUE(INTERSECT_LINE_8(0, 0, 2, 2, 0, 2, 2, 0));
  EXPECT_TRUE(INTERSECT_LINE_8(0, 0, 1, 0, 2, 0, 3, 0));
  EXPECT_FALSE(INTERSECT_LINE_8(0, 0, 2, 0, 1, 1, 1, 5));
  EXPECT_FALSE(INTERSECT_LINE_8(0, 0, 2, 0, 0, 1, 2, 1));
}

TEST(SegmentIntersection, DoubleTwinRoundsDifferencesToSingle) {
  // The second segment starts 1e-50 above the first: in double it misses, but the difference
  // rounds to zero in single precision and the segments touch.
  EXPECT_TRUE(INTERSECT_LINE_8(0, 0, 1, 0, 0.5, 1.0e-50, 0.5, 1));
}

TEST(SegmentClassification, CrossingPositionsAtEndsAndStarts) {
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 2, 0, 1, -1, 1, 1), kCrossOnBoth);
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 1, 0, 1, -1, 1, 1), kCrossOnBoth);  // end of segment 1
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 2, 0, 0, -1, 0, 1), kCrossOnSegment2);  // start excluded
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 1, 0, 3, -1, 3, 1), kCrossOnSegment2);
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 2, 0, 1, 1, 1, 2), kCrossOnSegment1);
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 2, 0, 1, 0, 1, 2), kCrossOnSegment1);  // start of segment 2
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 2, 0, 1, -2, 1, 0), kCrossOnBoth);     // end of segment 2
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 1, 0, 3, 1, 3, 2), kCrossOnNeither);
}

TEST(SegmentClassification, ParallelAndCollinear) {
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 1, 1, 0, 0, 1, 1), kLinesCollinear);
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 1, 1, 5, 5, 7, 7), kLinesCollinear);  // apart, same line
  EXPECT_EQ(INTERSECT_LINE_V2(0, 0, 1, 1, 0, 1, 1, 2), kLinesParallel);
  EXPECT_EQ(INTERSECT_LINE_V2_8(0, 0, 1, 1, 0, 0, 1, 1), kLinesCollinear);
  EXPECT_EQ(INTERSECT_LINE_V2_8(0, 0, 1, 1, 0, 1, 1, 2), kLinesParallel);
  EXPECT_EQ(INTERSECT_LINE_V2_8(0, 0, 2, 0, 0, -1, 0, 1), kCrossOnSegment2);
}

TEST(SegmentClassification, DoubleTwinIsDoubleThroughout) {
  // At 1e8 single precision spaces values 8 apart, so these segments would collapse.
  const double b = 1.0e8;
  EXPECT_EQ(INTERSECT_LINE_V2_8(b, 0, b + 2, 0, b + 1, -1, b + 1, 1), kCrossOnBoth);
  EXPECT_EQ(INTERSECT_LINE_V2_8(b, 0, b + 2, 0, b + 3, -1, b + 3, 1), kCrossOnSegment2);
}

TEST(LineIntersectionPoint, ParallelLinesLeaveTheOutputsAlone) {
  float xi = 7.0f, yi = 8.0f;
  EXPECT_FALSE(INTERSECTION_POINT(1, 0, 1, 5, 3, 0, 3, 5, xi, yi));
  EXPECT_EQ(xi, 7.0f);
  EXPECT_EQ(yi, 8.0f);
  EXPECT_FALSE(INTERSECTION_POINT(0, 0, 1, 1, 0, 2, 1, 3, xi, yi));
  EXPECT_EQ(xi, 7.0f);
  EXPECT_EQ(yi, 8.0f);
  double xd = 7.0, yd = 8.0;
  EXPECT_FALSE(INTERSECTION_POINT_8(1, 0, 1, 5, 1, 7, 1, 9, xd, yd));  // same vertical line
  EXPECT_EQ(xd, 7.0);
  EXPECT_EQ(yd, 8.0);
}

TEST(LineIntersectionPoint, VerticalAndSlopedLines) {
  float xi = 0, yi = 0;
  EXPECT_TRUE(INTERSECTION_POINT(2, -5, 2, 5, 0, 1, 1, 2, xi, yi));  // line 1 vertical
  EXPECT_FLOAT_EQ(xi, 2.0f);
  EXPECT_FLOAT_EQ(yi, 3.0f);
  EXPECT_TRUE(INTERSECTION_POINT(0, 1, 1, 2, 2, -5, 2, 5, xi, yi));  // line 2 vertical
  EXPECT_FLOAT_EQ(xi, 2.0f);
  EXPECT_FLOAT_EQ(yi, 3.0f);
  EXPECT_TRUE(INTERSECTION_POINT(0, 0, 4, 4, 0, 4, 4, 0, xi, yi));  // beyond nothing: crossing
  EXPECT_FLOAT_EQ(xi, 2.0f);
  EXPECT_FLOAT_EQ(yi, 2.0f);
  double xd = 0, yd = 0;
  // The lines meet outside both segments: the routine works on infinite lines.
  EXPECT_TRUE(INTERSECTION_POINT_8(0, 0, 1, 0, 5, -1, 6, 1, xd, yd));
  EXPECT_DOUBLE_EQ(xd, 5.5);
  EXPECT_DOUBLE_EQ(yd, 0.0);
}

TEST(Angle, VerticalSegmentsGiveZero) {
  EXPECT_EQ(ANGLE2D(0, 0, 1, 0, 0, 0, 0, 1), 0.0f);
  EXPECT_EQ(ANGLE2D(0, 0, 0, 1, 0, 0, 1, 0), 0.0f);
  EXPECT_EQ(ANGLE2D(0, 0, 5.0e-7, 100, 0, 0, 1, 0), 0.0f);
}

TEST(Angle, UnsignedAngleBetweenDirections) {
  EXPECT_NEAR(ANGLE2D(0, 0, 1, 0, 0, 0, -1, 0.0001), 180.0f, 0.01f);
  EXPECT_FLOAT_EQ(ANGLE2D(0, 0, 1, 0, 0, 0, 1, 1), 45.0f);
  EXPECT_FLOAT_EQ(ANGLE2D(0, 0, 1, 1, 0, 0, 1, 0), 45.0f);
  // 170 and -170 degrees are 20 degrees apart, not 340.
  const double r = std::numbers::pi * 170.0 / 180.0;
  EXPECT_NEAR(ANGLE2D(0, 0, std::cos(r), std::sin(r), 0, 0, std::cos(r), -std::sin(r)), 20.0f,
              1.0e-4f);
}

TEST(HydraulicPanel, TheFiveCases) {
  float a = -9, w = -9, p = -9;
  HYD_PARAM(0, 0, 2, 2, 3, 1, a, w, p);  // fully wet
  EXPECT_FLOAT_EQ(w, 2.0f);
  EXPECT_FLOAT_EQ(a, 4.0f);
  EXPECT_FLOAT_EQ(p, std::sqrt(8.0f));
  HYD_PARAM(0, 0, 2, 2, 1, 1, a, w, p);  // wet at the first point
  EXPECT_FLOAT_EQ(w, 1.0f);
  EXPECT_FLOAT_EQ(a, 0.5f);
  EXPECT_FLOAT_EQ(p, std::sqrt(2.0f));
  HYD_PARAM(0, 2, 2, 0, 1, 1, a, w, p);  // wet at the second point
  EXPECT_FLOAT_EQ(w, 1.0f);
  EXPECT_FLOAT_EQ(a, 0.5f);
  EXPECT_FLOAT_EQ(p, std::sqrt(2.0f));
  HYD_PARAM(0, 2, 2, 3, 1, 1, a, w, p);  // dry
  EXPECT_EQ(a, 0.0f);
  EXPECT_EQ(w, 0.0f);
  EXPECT_EQ(p, 0.0f);
  a = w = p = -9;
  HYD_PARAM(0, 0, 2, 2, 3, 0, a, w, p);  // inactive although wet
  EXPECT_EQ(a, 0.0f);
  EXPECT_EQ(w, 0.0f);
  EXPECT_EQ(p, 0.0f);
}

TEST(HydraulicPanel, WaterLevelAtTheLowerPointAndReversedPanel) {
  float a = -9, w = -9, p = -9;
  HYD_PARAM(0, 1, 2, 3, 1, 1, a, w, p);
  EXPECT_EQ(a, 0.0f);
  EXPECT_EQ(w, 0.0f);
  EXPECT_EQ(p, 0.0f);
  HYD_PARAM(2, 0, 0, 0, 1, 1, a, w, p);  // x2 < x1, fully wet
  EXPECT_FLOAT_EQ(w, -2.0f);
  EXPECT_FLOAT_EQ(a, -2.0f);
  EXPECT_FLOAT_EQ(p, 2.0f);
  HYD_PARAM(2, 0, 0, 2, 1, 1, a, w, p);  // x2 < x1, wet at the first point
  EXPECT_FLOAT_EQ(w, -1.0f);
  EXPECT_FLOAT_EQ(a, -0.5f);
  EXPECT_FLOAT_EQ(p, std::sqrt(2.0f));
}

TEST(HydraulicPanel, HalvesFollowTheirEndPointActivity) {
  float a1 = -9, a2 = -9, w1 = -9, w2 = -9, p1 = -9, p2 = -9;
  HYD_PARAM2(0, 0, 1, 2, 2, 0, 3, a1, a2, w1, w2, p1, p2);
  EXPECT_FLOAT_EQ(w1, 1.0f);
  EXPECT_FLOAT_EQ(a1, 2.5f);
  EXPECT_FLOAT_EQ(p1, std::sqrt(2.0f));
  EXPECT_EQ(a2, 0.0f);
  EXPECT_EQ(w2, 0.0f);
  EXPECT_EQ(p2, 0.0f);
  // Water level at the midpoint: the lower half is fully wet, the upper half dry.
  HYD_PARAM2(0, 0, 1, 2, 2, 1, 1, a1, a2, w1, w2, p1, p2);
  EXPECT_FLOAT_EQ(w1, 1.0f);
  EXPECT_FLOAT_EQ(a1, 0.5f);
  EXPECT_EQ(w2, 0.0f);
  EXPECT_EQ(a2, 0.0f);
}

TEST(CircleWidth, EmptyFullAndHalfFull) {
  EXPECT_FLOAT_EQ(CIRCLE_WIDTH(1, 1), 2.0f);
  EXPECT_FLOAT_EQ(CIRCLE_WIDTH(1, 0.5f), std::sqrt(3.0f));
  EXPECT_EQ(CIRCLE_WIDTH(1, 5.0e-6f), 0.0f);
  EXPECT_EQ(CIRCLE_WIDTH(1, 2.0f), 0.0f);
  EXPECT_EQ(CIRCLE_WIDTH(1, 3.0f), 0.0f);
  EXPECT_EQ(CIRCLE_WIDTH(0, 0.5f), 0.0f);
}

TEST(PolygonArea, OpenOrClosedRingAnyOrientation) {
  const std::vector<double> x{0, 0, 1, 1, 0, 0};  // index 0 unused
  const std::vector<double> y{0, 0, 0, 1, 1, 0};
  EXPECT_FLOAT_EQ(POLYGON_AREA_8(x, y, 4), 1.0f);
  EXPECT_FLOAT_EQ(POLYGON_AREA_8(x, y, 5), 1.0f);
  const std::vector<double> xr{0, 0, 0, 1, 1};
  const std::vector<double> yr{0, 0, 1, 1, 0};
  EXPECT_FLOAT_EQ(POLYGON_AREA_8(xr, yr, 4), 1.0f);
  const std::vector<double> xt{0, 0, 4, 0};
  const std::vector<double> yt{0, 0, 0, 3};
  EXPECT_FLOAT_EQ(POLYGON_AREA_8(xt, yt, 3), 6.0f);
  EXPECT_EQ(POLYGON_AREA_8(x, y, 0), 0.0f);
  EXPECT_EQ(POLYGON_AREA_8(x, y, -3), 0.0f);
  EXPECT_EQ(POLYGON_AREA_8(x, y, 1), 0.0f);
}

TEST(PolygonArea, SumIsRoundedToSingleBeforeHalving) {
  // Twice the area is 200000002, which single precision holds as 200000000.
  const std::vector<double> x{0, 0, 100000001.0, 100000001.0, 0};
  const std::vector<double> y{0, 0, 0, 1, 1};
  EXPECT_EQ(POLYGON_AREA_8(x, y, 4), 1.0e8f);
}

TEST(PolygonArea, CountBeyondTheArraysReadsOnlyWhatIsThere) {
  const std::vector<double> x{0, 0, 1, 1, 0};
  const std::vector<double> y{0, 0, 0, 1, 1};
  EXPECT_FLOAT_EQ(POLYGON_AREA_8(x, y, 1000), 1.0f);
  EXPECT_EQ(POLYGON_AREA_8({}, {}, 4), 0.0f);
}

TEST(CrossProduct, SignGivesTheSide) {
  EXPECT_GT(CROSS_PRODUCT_8(0, 0, 1, 0, 0.5, 1), 0.0f);
  EXPECT_LT(CROSS_PRODUCT_8(0, 0, 1, 0, 0.5, -1), 0.0f);
  EXPECT_EQ(CROSS_PRODUCT_8(0, 0, 1, 1, 3, 3), 0.0f);
  // Formed in double: the large coordinates cancel before the result is rounded.
  EXPECT_EQ(CROSS_PRODUCT_8(1.0e8, 1.0e8, 1.0e8 + 1, 1.0e8, 1.0e8, 1.0e8 + 1), 1.0f);
}

}  // namespace
