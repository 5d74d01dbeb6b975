#pragma once
// World coordinates and a rotated rectangular grid of cells.
//
// The grid's origin is the outer corner of cell (1, 1); in the grid's own frame (after
// GEO_SHIFT) x grows with the column and y with the row. Cells are dx wide and dy high; the
// column of x is trunc(x/dx) + 1 and the row of y is trunc(y/dy) + 1, trunc cutting toward zero,
// so a small negative coordinate still lands in cell 1. The centre line of column c is
// x = (c - 0.5)*dx, that of row r is y = (r - 0.5)*dy.
//
// Arrays are indexed from 1 (element 0 unused). Cell lists are parallel arrays rows(k), cols(k),
// k = 1..count; no routine writes beyond what the arrays hold.
#include <cstdint>
#include <span>

// The largest |coordinate/cellSize| a cell is numbered from: its index, a step beyond it and
// the tracers' index arithmetic all stay within a 32-bit integer.
inline constexpr double kMaxCellQuotient = 2147483645.0;

// trunc(coordinate/cellSize) + 1, the division in the arguments' precision. Quotients beyond
// kMaxCellQuotient (or not a number) give an index far outside any grid instead of an undefined
// conversion; the routines below refuse such positions before they number cells.
std::int32_t cellIndexOf(float coordinate, float cellSize);
std::int32_t cellIndexOf(double coordinate, double cellSize);

// A cell size is usable when it is a positive finite number; a position when it is finite and
// its quotient by a usable cell size lies within kMaxCellQuotient.
bool cellSizeUsable(double cellSize);
bool cellPositionUsable(float coordinate, float cellSize);
bool cellPositionUsable(double coordinate, double cellSize);

// Vertices 1..n turned into the grid's frame: shifted by (x0, y0) and turned by -angle
// (radians), in double, each result rounded to single.
void GEO_SHIFT(std::span<const double> x, std::span<const double> y, std::int32_t n, double x0,
               double y0, float angle, std::span<float> xo, std::span<float> yo);

// Bounding box of points 1..n and the window of cells it covers, cut to the grid's first and
// last row and column. A window with rowHi < rowLo or colHi < colLo is empty; so is the window
// of no points, of a cell size that is not usable, or of a point that is not usable (rows and
// columns 1..0, the box then that of the points as given, or 0 with no points).
void SET_SUB_GRID_AREA(std::span<const float> x, std::span<const float> y, std::int32_t n,
                       float cellSize, std::int32_t nRows, std::int32_t nCols,
                       std::int32_t& rowLo, std::int32_t& colLo, std::int32_t& rowHi,
                       std::int32_t& colHi, float& xmin, float& ymin, float& xmax, float& ymax);

// Steps of a straight line of cells from (i1, j1) to (i2, j2). An index below 1 first takes its
// partner's value, and the changed indices are written back.
void CELL_LINE_STEPS(std::int32_t& i1, std::int32_t& j1, std::int32_t& i2, std::int32_t& j2,
                     std::int32_t& nSteps, float& di, float& dj);
// The same step count, with the two totals spread over the steps: incA = totalA/m and
// incB = totalB/m (note the order of the last two arguments).
void CELL_LINE_INCREMENTS(std::int32_t i1, std::int32_t j1, std::int32_t i2, std::int32_t j2,
                          std::int32_t& nSteps, float& incA, float& incB, float totalB,
                          float totalA);

// Cells crossed by the segment (x1, y1)-(x2, y2), found by the row or column centre lines it
// crosses. More than maxCount cells (or more than the arrays hold) ends the run.
//
// All three tracers give an empty list (count 0) for an end point or cell size that is not
// usable, or when an offset added to a cell listed would pass the range of a 32-bit integer; the
// bounds are then left as they are, except in HX_CELLS_ON_SEGMENT, whose empty answer is 0.
void HX_CELLS_ON_SEGMENT(float x1, float y1, float x2, float y2, float dx, float dy,
                         std::int32_t& rowFirst, std::int32_t& rowLast, std::int32_t& colFirst,
                         std::int32_t& colLast, std::int32_t& count, std::span<std::int32_t> rows,
                         std::span<std::int32_t> cols, std::int32_t maxCount);

// As HX_CELLS_ON_SEGMENT_5, but at the first and last step the end column (or row) centre line
// is tested over its full length and the crossing point gives the cell.
void HX_CELLS_ON_SEGMENT_2(float x1, float y1, float x2, float y2, bool startOnly, float dx,
                           float dy, std::int32_t& rowFirst, std::int32_t& rowLast,
                           std::int32_t& colFirst, std::int32_t& colLast, std::int32_t& count,
                           std::span<std::int32_t> rows, std::span<std::int32_t> cols,
                           std::int32_t maxCount, std::int32_t rowOffset, std::int32_t colOffset);

// Cells crossed by a segment, stepping along the axis with more cells to cross (the longer
// extent measured in cells), so that each step moves at most one cell across; the end cells are
// found by the centre piece of the end column (or row) within the cell. startOnly lists the
// start cell alone.
// Offsets are added to the cells listed; with no cell listed the bounds are left unchanged.
void HX_CELLS_ON_SEGMENT_5(float x1, float y1, float x2, float y2, bool startOnly, float dx,
                           float dy, std::int32_t& rowFirst, std::int32_t& rowLast,
                           std::int32_t& colFirst, std::int32_t& colLast, std::int32_t& count,
                           std::span<std::int32_t> rows, std::span<std::int32_t> cols,
                           std::int32_t maxCount, std::int32_t rowOffset, std::int32_t colOffset);
