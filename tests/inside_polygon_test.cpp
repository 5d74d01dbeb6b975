#include "geometry/inside_polygon.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/test_support.hpp"

namespace {

// The inside tests of a region, the ray reaching well left of it.
bool inside(const Region& r, double px, double py) {
  return INSIDE_POLYGON_8(px, py, r.x, r.y, r.n, -1.0e3, r.partEnd, r.nParts);
}
bool insideSingle(const Region& r, double px, double py) {
  return INSIDE_POLYGON(static_cast<float>(px), static_cast<float>(py), r.xf(), r.yf(), r.n, -1.0e3f, r.partEnd,
                        r.nParts);
}
bool insideEdge(const Region& r, double px, double py) {
  return INSIDE_POLYGON_EDGE_8(px, py, r.x, r.y, r.n, -1.0e3, 0.0, r.partEnd, r.nParts);
}

// Each point, and whether the inside test finds it inside the region.
struct Point {
  double x, y;
  bool in;
};
void expectInside(bool (*test)(const Region&, double, double), const Region& r, std::initializer_list<Point> points) {
  for (const Point& p : points) EXPECT_EQ(test(r, p.x, p.y), p.in) << "(" << p.x << ", " << p.y << ")";
}

Region unitSquare() { return Region().ring({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}); }

TEST(RingLayout, SquareStoredClosedHasTheCopyOfItsSecondVertex) {
  const Region r = unitSquare();
  EXPECT_EQ(r.n, 6);
  EXPECT_EQ(r.partEnd[1], 5);
  EXPECT_EQ(r.x[6], 1.0);
  EXPECT_EQ(r.y[6], 0.0);
}

TEST(InsidePolygon, UnitSquareInteriorExteriorAndEdges) {
  const Region r = unitSquare();
  // On the left edge the ray's segment ends on it: inside; on the right edge: outside.
  expectInside(inside, r, {{0.5, 0.5, true}, {1.5, 0.5, false}, {-0.5, 0.5, false}, {0.5, 1.5, false},
                           {0.0, 0.5, true}, {1.0, 0.5, false}});
  expectInside(insideSingle, r, {{0.5, 0.5, true}, {1.5, 0.5, false}, {0.0, 0.5, true}, {1.0, 0.5, false}});
}

TEST(InsidePolygon, RayThroughAVertex) {
  // Apex of a triangle pointing up: the ray from the right only touches it.
  const Region tri = Region().ring({{0, 0}, {2, 0}, {1, 2}, {0, 0}});
  expectInside(inside, tri, {{1.5, 2.0, false}, {1.0, 1.0, true}});
  expectInside(insideSingle, tri, {{1.5, 2.0, false}});
  // Diamond whose left vertex, walked mid-ring, lies on the ray: the boundary passes through it.
  const Region diamond = Region().ring({{1, 0}, {2, 1}, {1, 2}, {0, 1}, {1, 0}});
  expectInside(inside, diamond, {{1.0, 1.0, true}, {-1.0, 1.0, false}, {3.0, 1.0, false}});
  expectInside(insideSingle, diamond, {{1.0, 1.0, true}});
}

TEST(InsidePolygon, RayThroughTheRingsSecondVertex) {
  // The ring's first walked edge starts at its left vertex, on the ray: whether the boundary
  // passes through it depends on the ring's last edge, walked only at the end.
  const Region diamond = Region().ring({{1, 2}, {0, 1}, {1, 0}, {2, 1}, {1, 2}});
  expectInside(inside, diamond, {{1.0, 1.0, true}, {3.0, 1.0, false}});
  expectInside(insideSingle, diamond, {{1.0, 1.0, true}});
  expectInside(insideEdge, diamond, {{1.0, 1.0, true}});
  // A second vertex where the boundary only touches the ray: the apex of a triangle.
  expectInside(inside, Region().ring({{0, 0}, {1, 2}, {2, 0}, {0, 0}}), {{1.5, 2.0, false}, {0.5, 2.0, false}});
  // A reflex second vertex of a notch, on the ray, with the boundary passing through it.
  expectInside(inside, Region().ring({{0, 0}, {2, 1}, {0, 2}, {3, 2}, {3, 0}, {0, 0}}),
               {{-0.5, 1.0, false}, {2.5, 1.0, true}, {1.0, 1.0, false}});
}

TEST(InsidePolygon, RingsOfARegionWithAHole) {
  Region r;
  r.ring({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
  r.ring({{1, 1}, {3, 1}, {3, 3}, {1, 3}, {1, 1}});
  EXPECT_EQ(r.n, 12);
  EXPECT_EQ(r.partEnd[2], 11);
  expectInside(inside, r, {{2.0, 2.0, false}, {0.5, 2.0, true}, {3.5, 2.0, true}});
  expectInside(insideSingle, r, {{2.0, 2.0, false}, {3.5, 2.5, true}});
  expectInside(insideEdge, r, {{2.0, 2.0, false}, {1.0, 2.0, true}});  // the second on the hole's edge
}

TEST(InsidePolygon, HoleWhoseSecondVertexIsOnTheRay) {
  // The remembered y must come from the hole itself, not from the outer ring.
  Region r;
  r.ring({{-5, -5}, {5, -5}, {5, 5}, {-5, 5}, {-5, -5}});
  r.ring({{0, 2}, {-2, 0}, {0, -2}, {2, 0}, {0, 2}});
  expectInside(inside, r, {{0.0, 0.0, false}, {3.0, 0.0, true}, {-3.0, 0.0, true}});
}

TEST(InsidePolygon, UnclosedRingGetsItsClosingEdge) {
  // Read unclosed: the last point leads back to the first, so the whole square counts.
  const Region r = Region().ring({{0, 0}, {4, 0}, {4, 4}, {0, 4}});
  // (1, 1) lies outside the triangle of points 2..4; (0, 2) on the closing edge.
  expectInside(inside, r, {{1.0, 1.0, true}, {3.0, 3.0, true}, {5.0, 1.0, false}});
  expectInside(insideSingle, r, {{1.0, 1.0, true}});
  expectInside(insideEdge, r, {{0.0, 2.0, true}});
  // A hole read unclosed after a closed outer ring.
  Region h;
  h.ring({{-5, -5}, {5, -5}, {5, 5}, {-5, 5}, {-5, -5}});
  h.ring({{-1, -1}, {1, -1}, {1, 1}, {-1, 1}});
  expectInside(inside, h, {{-0.5, -0.5, false}, {-3.0, 0.0, true}});
}

TEST(InsidePolygon, TooFewPointsAndCountsBeyondTheArrays) {
  const Region r = unitSquare();
  EXPECT_FALSE(INSIDE_POLYGON_8(0.5, 0.5, r.x, r.y, 2, -10.0, r.partEnd, 1));
  EXPECT_FALSE(INSIDE_POLYGON_8(0.5, 0.5, r.x, r.y, -4, -10.0, r.partEnd, 1));
  EXPECT_FALSE(INSIDE_POLYGON_8(0.5, 0.5, {}, {}, 6, -10.0, r.partEnd, 1));
  // A count larger than the arrays reads only the stored points.
  EXPECT_TRUE(INSIDE_POLYGON_8(0.5, 0.5, r.x, r.y, 1000, -10.0, r.partEnd, 1));
  // A ring end the array does not hold is never matched.
  EXPECT_TRUE(INSIDE_POLYGON_8(0.5, 0.5, r.x, r.y, r.n, -10.0, std::span<const std::int32_t>{}, 1));
  // No rings: nothing is inside.
  EXPECT_FALSE(INSIDE_POLYGON_8(0.5, 0.5, r.x, r.y, r.n, -10.0, r.partEnd, 0));
  EXPECT_FALSE(INSIDE_POLYGON_EDGE_8(0.0, 0.5, r.x, r.y, r.n, -10.0, 0.0, r.partEnd, -1));
  EXPECT_FALSE(INSIDE_POLYGON(0.5f, 0.5f, r.xf(), r.yf(), r.n, -10.0f, r.partEnd, 0));
  // An xref right of the region's smallest x is widened to it: the ray still leaves the region.
  const Region wide = Region().ring({{0, 0}, {100, 0}, {100, 1}, {0, 1}, {0, 0}});
  EXPECT_TRUE(INSIDE_POLYGON_8(95.0, 0.5, wide.x, wide.y, wide.n, 100.0, wide.partEnd, 1));
  EXPECT_TRUE(INSIDE_POLYGON(95.0f, 0.5f, wide.xf(), wide.yf(), wide.n, 100.0f, wide.partEnd, 1));
  EXPECT_FALSE(INSIDE_POLYGON_8(105.0, 0.5, wide.x, wide.y, wide.n, 100.0, wide.partEnd, 1));
}

TEST(InsidePolygon, DoubleFormKeepsLargeCoordinates) {
  const double b = 1.0e7;
  const Region r = Region().ring({{b, b}, {b + 1, b}, {b + 1, b + 1}, {b, b + 1}, {b, b}});
  EXPECT_TRUE(INSIDE_POLYGON_8(b + 0.5, b + 0.5, r.x, r.y, r.n, b - 1, r.partEnd, 1));
  EXPECT_FALSE(INSIDE_POLYGON_8(b + 1.5, b + 0.5, r.x, r.y, r.n, b - 1, r.partEnd, 1));
}

TEST(InsidePolygonEdge, PointsOnEdgesAndVerticesAreInside) {
  expectInside(insideEdge, unitSquare(),
               {{0.0, 0.5, true}, {1.0, 0.5, true}, {0.5, 0.0, true}, {0.5, 1.0, true}, {1.0, 1.0, true},
                {0.5, 0.5, true}, {1.5, 0.5, false}});
}

TEST(InsidePolygonEdge, PointOnAnEdgesLineBehindItsStartIsOutside) {
  // The walked edge (1,0)-(1,1) has (1,-0.5) on its line, behind its start and within one edge
  // length of it; the point lies outside the square.
  // (1, 1.5) lies beyond the edge's end.
  expectInside(insideEdge, unitSquare(), {{1.0, -0.5, false}, {-0.5, 1.0, false}, {1.0, 1.5, false}});
}

class InsidePolygonStop : public PlenvorTest {};

TEST_F(InsidePolygonStop, MoreRingsThanDeclaredEndsTheRun) {
  Region r;
  r.ring({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
  r.ring({{1, 1}, {3, 1}, {3, 3}, {1, 3}, {1, 1}});
  auto text = [](const char* tag) {
    return "Invalid number of polygons in region sent to inside_polygon routine [" + std::string(tag) + "] - contact" +
           SUPPORT_CONTACT;
  };
  const auto fx = r.xf();
  const auto fy = r.yf();
  expectStop(text("1"), [&] { INSIDE_POLYGON(2.0f, 2.0f, fx, fy, r.n, -1.0f, r.partEnd, 1); });
  expectStop(text("2"), [&] { INSIDE_POLYGON_8(2.0, 2.0, r.x, r.y, r.n, -1.0, r.partEnd, 1); });
  expectStop(text("1"), [&] { INSIDE_POLYGON_EDGE_8(2.0, 2.0, r.x, r.y, r.n, -1.0, 0.0, r.partEnd, 1); });
}

TEST(InsideConvexPolygon, UnitSquare) {
  const std::vector<double> x{0, 0, 1, 1, 0, 0};
  const std::vector<double> y{0, 0, 0, 1, 1, 0};
  // On the first edge, a later edge and a vertex: inside; on the first edge's line beyond it: outside.
  for (const Point& p : {Point{0.5, 0.5, true}, {0.5, 0.0, true}, {1.0, 0.5, true}, {0.0, 0.0, true},
                         {2.0, 0.5, false}, {2.0, 0.0, false}, {0.5, -0.5, false}})
    EXPECT_EQ(INSIDE_CONVEX_POLYGON_8(p.x, p.y, 4, x, y), p.in) << p.x << ", " << p.y;
  EXPECT_FALSE(INSIDE_CONVEX_POLYGON_8(0.5, 0.5, 0, x, y));
  EXPECT_FALSE(INSIDE_CONVEX_POLYGON_8(0.5, 0.5, 1, x, y));
  // Either orientation.
  const std::vector<double> xr{0, 0, 0, 1, 1, 0};
  const std::vector<double> yr{0, 0, 1, 1, 0, 0};
  EXPECT_TRUE(INSIDE_CONVEX_POLYGON_8(0.5, 0.5, 4, xr, yr));
  EXPECT_FALSE(INSIDE_CONVEX_POLYGON_8(-0.5, 0.5, 4, xr, yr));
  // A count beyond the arrays reads only the points they hold.
  EXPECT_TRUE(INSIDE_CONVEX_POLYGON_8(0.5, 0.5, 50, x, y));
}

}  // namespace
