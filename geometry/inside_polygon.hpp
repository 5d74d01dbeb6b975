#pragma once
// Point-in-region tests over the region ring layout.
//
// Region ring layout, as the layer readers store a region: x(*) and y(*) hold the rings one
// after another, each as its points as read followed by one extra copy of its second vertex.
// partEnd(k) is the index of ring k's last read point (not of the extra copy); ring k+1 starts at
// partEnd(k) + 2 and n = partEnd(nParts) + 1. A triangle a, b, c is stored a, b, c, a, b with
// n = 5, partEnd(1) = 4, nParts = 1.
//
// All arrays are indexed from 1, as the library's buffers are (element 0 unused); points beyond
// what the arrays hold are never read, whatever n says.
//
// xref is an x at or left of the region's smallest x: the test ray runs from the point to
// (xref - 10, py); an xref right of the smallest stored x is widened to it. A ring read unclosed
// (last point not its first) is closed by an edge back to its first point. A region of no rings
// (nParts 0 or less) has no inside; one holding more rings than nParts ends the run.
#include <cstdint>
#include <span>

// partEnd(k), or 0 (matches no point) where the array holds no such entry.
std::int32_t ringEnd(std::span<const std::int32_t> partEnd, std::int32_t k);
// A region holding more rings than nParts: the message names the routine family and the call,
// then the run ends.
[[noreturn]] void stopTooManyRings(const char* routine, const char* tag);

bool INSIDE_POLYGON(float px, float py, std::span<const float> x, std::span<const float> y,
                    std::int32_t n, float xref, std::span<const std::int32_t> partEnd,
                    std::int32_t nParts);

bool INSIDE_POLYGON_8(double px, double py, std::span<const double> x, std::span<const double> y,
                      std::int32_t n, double xref, std::span<const std::int32_t> partEnd,
                      std::int32_t nParts);

// As INSIDE_POLYGON_8, but a point on an edge counts as inside. The seventh argument is kept
// for the callers' argument order and is not read.
bool INSIDE_POLYGON_EDGE_8(double px, double py, std::span<const double> x,
                           std::span<const double> y, std::int32_t n, double xref, double unused,
                           std::span<const std::int32_t> partEnd, std::int32_t nParts);

// One convex ring in plain storage: points 1..n+1 with the last equal to the first. A point on
// an edge counts as inside.
bool INSIDE_CONVEX_POLYGON_8(double px, double py, std::int32_t n, std::span<const double> x,
                             std::span<const double> y);
