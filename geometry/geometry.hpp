#pragma once
// Plane-geometry primitives: distances, point tests, segment intersection tests and their
// classification, line intersection points, angles, cross-section panel properties, circle
// widths, ring areas and cross products.
//
// Each routine has a single-precision form and, mostly, a double-precision twin ending in _8.
// Several twins still do part of their arithmetic in single precision (noted per routine); that
// rounding shifts results near the tolerances and at exact zero tests and is relied upon.
//
// Segment 1 of a two-segment routine is (x1, y1)-(x2, y2), segment 2 is (x3, y3)-(x4, y4).
// Arrays of points are indexed from 1, as the library's coordinate buffers are: element 0 is
// unused and points 1..n sit at indices 1..n.
#include <cstddef>
#include <cstdint>
#include <span>

// How many of the points 1..n arrays of held elements hold (element 0 unused): n cut to held - 1,
// and 0 for an n below 1.
std::int32_t usableCount(std::int32_t n, std::size_t held);

// The tolerance shared by the routines below, in single precision; double comparisons widen it.
inline constexpr float kGeometryTolerance = 1.0e-6f;

// Distance between two points; 0 when both offsets are below the tolerance.
float DISTANCE(float x1, float y1, float x2, float y2);
// The offsets are formed in double and rounded to single; the rest is single.
float DISTANCE_8(double x1, double y1, double x2, double y2);

// Length of a vector; 0 unless a component exceeds the tolerance (a component equal to it is zero).
float VECTOR_MAGNITUDE(float vx, float vy);

// True when both offsets are strictly below tolerance.
bool SAME_POINT(float x1, float y1, float x2, float y2, float tolerance);
bool SAME_POINT_8(double x1, double y1, double x2, double y2, double tolerance);

// Positive when points 3 and 4 lie strictly on the same side of the line through points 1 and 2,
// negative on opposite sides, zero when either lies on the line. Callers test the sign.
float SAME_SIDE(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4);
// The six coordinate differences are formed in double and rounded to single; the rest is single.
float SAME_SIDE_8(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                  double y4);

// True when point 3 lies exactly on the infinite line through points 1 and 2 (no tolerance).
bool INTERSECT_POINT(float x1, float y1, float x2, float y2, float x3, float y3);

// True when the two segments touch or cross; collinear segments always test true.
bool INTERSECT_LINE(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4);
// Coordinate differences in double, each rounded to single; products and sums in single.
bool INTERSECT_LINE_8(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                      double y4);

// Classification codes of INTERSECT_LINE_V2. A crossing lies on a segment when its position u
// along it satisfies 0 < u <= 1: the start point is excluded, the end point included.
inline constexpr std::int32_t kLinesCollinear = -1;
inline constexpr std::int32_t kLinesParallel = 0;
inline constexpr std::int32_t kCrossOnSegment1 = 1;
inline constexpr std::int32_t kCrossOnSegment2 = 2;
inline constexpr std::int32_t kCrossOnBoth = 3;
inline constexpr std::int32_t kCrossOnNeither = 4;

std::int32_t INTERSECT_LINE_V2(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                               float y4);
std::int32_t INTERSECT_LINE_V2_8(double x1, double y1, double x2, double y2, double x3, double y3,
                                 double x4, double y4);

// Intersection of the two infinite lines into xi, yi. False, with xi and yi untouched, when the
// lines are parallel (both vertical, or equal slopes).
bool INTERSECTION_POINT(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                        float y4, float& xi, float& yi);
bool INTERSECTION_POINT_8(double x1, double y1, double x2, double y2, double x3, double y3,
                          double x4, double y4, double& xi, double& yi);

// Unsigned angle between the two segment directions, 0 to 180 degrees; 0 when either segment
// has an x extent below the tolerance. Both directions are rounded to single before subtracting.
float ANGLE2D(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
              double y4);

// Flow area, surface width and wetted perimeter of the panel (x1, z1)-(x2, z2) at water level h;
// all zero when the panel's activity g is not positive. Width and area carry the sign of x2 - x1.
void HYD_PARAM(float x1, float z1, float x2, float z2, float h, float g, float& area, float& width,
               float& perimeter);
// The same for the two halves of the panel split at its midpoint; the activity of each end point
// governs the half next to it.
void HYD_PARAM2(float x1, float z1, float g1, float x2, float z2, float g2, float h, float& area1,
                float& area2, float& width1, float& width2, float& perimeter1, float& perimeter2);

// Water-surface width at depth d in a circle of radius r; 0 for a nearly empty or nearly full pipe.
float CIRCLE_WIDTH(float r, float d);

// Area of the ring of points 1..n (closing edge always included, orientation ignored).
// The sum is formed in double and rounded to single. Points beyond the arrays are not read.
float POLYGON_AREA_8(std::span<const double> x, std::span<const double> y, std::int32_t n);

// (x1 - x0)*(y2 - y0) - (x2 - x0)*(y1 - y0) in double, rounded to single: positive when point 2
// lies to the left of the direction from point 0 to point 1.
float CROSS_PRODUCT_8(double x0, double y0, double x1, double y1, double x2, double y2);
