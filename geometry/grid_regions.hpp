#pragma once
// Regions rasterised onto a grid, and regions tested against a list of points.
//
// Regions come in the ring layout of the inside tests (inside_polygon.hpp): x(*), y(*), n,
// partEnd(*), nParts, indexed from 1. These routines walk, for each ring, the edges between its
// read points (point i to point i+1) and the edge from its last read point back to its first,
// never the copy of the ring's second vertex: a ring read unclosed (as MIF regions are stored)
// is closed, and a ring read closed is walked as it is. A region holding more rings than nParts
// ends the run; one of no rings (nParts 0 or less) has no inside.
//
// Grids are column-major storage of extent1 rows by extent2 columns, indexed from 0: cell
// (r, c) is element (c - 1)*extent1 + (r - 1). Cell (r, c) stands for its sample point
// (c*dx, r*dy), its corner away from the origin; callers wanting cell centres shift the region
// by half a cell first. A triangle for interpolation is a region of exactly 5 stored points
// (three nodes, the first repeated, the copy of the second) with node values z(1..3).
#include <cstdint>
#include <span>

// The integer a value is stored as in an integer grid or list: the nearest integer, halves away
// from zero, kept within 32 bits; 0 for a value that is not a number.
std::int32_t roundedValue(float value);

// Marks in outMask (1) every cell of the window whose sample point lies inside the region and
// counts them; with assignValues also writes (or, with addValues, adds) into each such cell the
// rounded value (integerMode, into intGrid), the value (realMode, into realGrid), or otherwise,
// for a triangle, the value interpolated at the sample point (into realGrid). An interpolated
// value, or sum, that is not a finite number is not stored: the cell keeps its value, and is
// still marked and counted.
//
// The window is the region's bounding box in cells, kept within rows max(1, rowOffset) ..
// extent1 - rowOffset and columns max(1, colOffset) .. extent2 - colOffset; it is returned in
// rowLo, colLo, rowHi, colHi. A region with a point that cannot be numbered in cells
// (cellPositionUsable), or a cell size that is not positive, has the empty window rows and
// columns 1..0 and count 0. Only the window is touched. work holds, per cell, the parity of
// the region's crossings of the cell's sample line (0 or 1); it is cleared over the window.
// Grids that the call would touch must hold extent1 * extent2 cells.
void GRID_INSIDE_POLYGON(std::span<std::uint8_t> outMask, std::span<std::uint8_t> work,
                         std::span<std::int32_t> intGrid, std::span<float> realGrid,
                         std::int32_t extent1, std::int32_t extent2, float dx, float dy,
                         std::int32_t rowOffset, std::int32_t colOffset, bool clearOutMask,
                         bool assignValues, bool integerMode, bool realMode, float value,
                         bool addValues, std::int32_t& rowLo, std::int32_t& colLo,
                         std::int32_t& rowHi, std::int32_t& colHi, std::int32_t& count,
                         std::span<const float> x, std::span<const float> y,
                         std::span<const float> z, std::int32_t n,
                         std::span<const std::int32_t> partEnd, std::int32_t nParts);

// The same with the region, dx and dy in double; window, crossings and sample points in double.
void GRID_INSIDE_POLYGON_8(std::span<std::uint8_t> outMask, std::span<std::uint8_t> work,
                           std::span<std::int32_t> intGrid, std::span<float> realGrid,
                           std::int32_t extent1, std::int32_t extent2, double dx, double dy,
                           std::int32_t rowOffset, std::int32_t colOffset, bool clearOutMask,
                           bool assignValues, bool integerMode, bool realMode, float value,
                           bool addValues, std::int32_t& rowLo, std::int32_t& colLo,
                           std::int32_t& rowHi, std::int32_t& colHi, std::int32_t& count,
                           std::span<const double> x, std::span<const double> y,
                           std::span<const float> z, std::int32_t n,
                           std::span<const std::int32_t> partEnd, std::int32_t nParts);

// flags(j) := 1 for each point 1..nPts inside the region, else 0; count is the number of ones.
// A point on a left edge is outside, on a right edge inside.
void POINTS_INSIDE_POLYGON(std::span<std::int32_t> flags, std::span<const float> px,
                           std::span<const float> py, std::int32_t nPts, std::int32_t& count,
                           std::span<const float> x, std::span<const float> y, std::int32_t n,
                           std::span<const std::int32_t> partEnd, std::int32_t nParts);
void POINTS_INSIDE_POLYGON_8(std::span<std::int32_t> flags, std::span<const double> px,
                             std::span<const double> py, std::int32_t nPts, std::int32_t& count,
                             std::span<const double> x, std::span<const double> y,
                             std::int32_t n, std::span<const std::int32_t> partEnd,
                             std::int32_t nParts);

// Writes (or adds) at every point flagged 1 the rounded value, the value, or for a triangle
// region (n = 5) the value interpolated at the point; a failed interpolation, or one whose value
// is not a finite number, leaves the point.
void SET_POINTS_VALUE_8(std::span<const std::int32_t> flags, std::span<const double> px,
                        std::span<const double> py, std::span<std::int32_t> intValues,
                        std::span<float> realValues, std::int32_t nPts, bool integerMode,
                        bool realMode, float value, bool addValues, std::span<const double> x,
                        std::span<const double> y, std::span<const float> z, std::int32_t n);
