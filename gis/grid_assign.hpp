#pragma once
// Assignment of GIS layer objects to a rotated rectangular model grid: the first attribute of
// an object's record goes into the cells a point lies in, the cells a line passes through, or
// the cells (or cell sides) whose sample points lie inside a region.
//
// Grid frame (geometry/grid_frame.hpp): positions are turned into the grid's frame about
// (originX, originY) by gridAngle (radians); column c spans u from (c - 1)*cellSizeX to
// c*cellSizeX, row r spans v from (r - 1)*cellSizeY to r*cellSizeY, the index cut toward zero so
// that a small negative u or v still lies in column or row 1. An object is assigned inside
// a window of nRows x nCols cells; window cell (r, c) is array element (rowOffset + r,
// colOffset + c).
//
// Value arrays are gridDim1 rows by gridDim2 columns in column-major storage, as the region
// rasteriser takes them: element (i, j), both 1-based, is entry (j - 1)*gridDim1 + (i - 1).
// sideX(i, j) is the high-u side of cell (i, j), sideY(i, j) its high-v side. An array the call
// does not need may be left empty; nothing is ever written outside an array, and an element
// outside the grid's dimensions is skipped.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gis/gis_state.hpp"
#include "utility/fixed_text.hpp"
#include "utility/zero_array.hpp"

inline constexpr int kGridAssignMaxCells = 10000;  // cells one line segment may cross

// The six value arrays and their dimensions.
struct GridValueArrays {
  std::span<std::int32_t> cellValueInt;
  std::span<std::int32_t> sideXValueInt;
  std::span<std::int32_t> sideYValueInt;
  std::span<float> cellValue;
  std::span<float> sideXValue;
  std::span<float> sideYValue;
  std::int32_t gridDim1 = 0;  // rows
  std::int32_t gridDim2 = 0;  // columns

  // Element (i, j) of an array, or nullptr when (i, j) lies outside the grid's dimensions or
  // beyond what the array holds.
  template <class T>
  T* at(std::span<T> a, std::int32_t i, std::int32_t j) const {
    if (i < 1 || i > gridDim1 || j < 1 || j > gridDim2) return nullptr;
    const std::int64_t k = static_cast<std::int64_t>(j - 1) * gridDim1 + (i - 1);
    if (k >= static_cast<std::int64_t>(a.size())) return nullptr;
    return &a[static_cast<std::size_t>(k)];
  }
  // gridDim1 x gridDim2, a negative dimension counting as 0.
  std::size_t cells() const;
};

// Where and how an object is assigned: the window, the grid frame and the modes.
struct GridAssignSettings {
  std::int32_t nRows = 0;      // rows of the window
  std::int32_t nCols = 0;      // columns of the window
  std::int32_t rowOffset = 0;  // added to a window row to give the array row
  std::int32_t colOffset = 0;  // added to a window column to give the array column
  float cellSizeX = 1.0f;      // cell size along u
  float cellSizeY = 1.0f;      // cell size along v
  double originX = 0.0;        // world position of the grid origin
  double originY = 0.0;
  float gridAngle = 0.0f;      // radians, counter-clockwise from world x
  bool lInteger = false;       // write the rounded value into the integer arrays
  bool lCountOnly = false;     // regions: count the sample points inside, write nothing
  bool lSidesOnly = false;     // write cell sides instead of cells
  bool lCellsAndSides = false; // regions: write the cells and the sides
  bool lHalve = false;         // points and lines with lSidesOnly and lAdd: add half the value
  bool lAdd = false;           // add instead of setting, where the kind allows it
};

// The window of the last part handled: for points the cell window; for lines 2 and nPoints
// (rows: the vertex range of the segment loop) and 1 and the cells listed for the last segment
// (columns); for regions the window the rasteriser examined in its last pass.
struct GridAssignWindow {
  std::int32_t rowFirst = 0;
  std::int32_t colFirst = 0;
  std::int32_t rowLast = 0;
  std::int32_t colLast = 0;
};

// The next object of input layer gisID (opened "I " and its header read) assigned to the grid
// with the first attribute of its record as the value. One call handles at most one object and
// prints one console line per part; at the end of the layer it returns at once. nAssigned is the
// count of the last part handled: cells written, or side and sample points when sides, cells and
// sides, or counting are asked for.
void gisAssignLayerToGrid(int gisID, const GridAssignSettings& settings, GridValueArrays& arrays,
                          std::int32_t& nAssigned);

// The generalised form. With lReadObject the next object of layer gisID is found into gisO and
// its record read; the value is taken from the record when lReadValue is set, and returned
// in value. Without lReadObject the caller's gisO and coordinates objX, objY (1-based, objNPoints
// of them) are used, every part seeing the same coordinates, and the layer is left alone unless
// the object is of a kind that is not assigned (its parts are then read past on the layer).
// Wherever the value is not read, the caller's value is assigned. window receives the window of
// the last part; for a region insideMask (gridDim1 x gridDim2 bytes, column-major; left alone
// when empty) receives the inside mask after the last pass.
void gisAssignObjectToGrid(int gisID, GisObject& gisO, const GridAssignSettings& settings,
                           GridValueArrays& arrays, bool lReadValue, bool lReadObject,
                           std::span<const double> objX, std::span<const double> objY,
                           std::int32_t objNPoints, float& value, std::int32_t& nAssigned,
                           GridAssignWindow& window, std::span<std::uint8_t> insideMask);

// ---- shared by the two routines (grid_assign.cpp) ---------------------------------------------

// The routine's own work storage, overwritten by every call (1-based arrays).
struct GridAssignBuffers {
  GisObject object;  // the layer routine's own object header
  ZeroArray<double> x{kGisMaxVertices + 1};
  ZeroArray<double> y{kGisMaxVertices + 1};
  ZeroArray<float> u{kGisMaxVertices + 1};
  ZeroArray<float> v{kGisMaxVertices + 1};
  ZeroArray<std::int32_t> rows{kGridAssignMaxCells + 1};
  ZeroArray<std::int32_t> cols{kGridAssignMaxCells + 1};
  std::string record = std::string(kTextLength, ' ');
  // The arrays keep their storage, zeroed where a call wrote it.
  void reset() {
    object = GisObject{};
    x.clear();
    y.clear();
    u.clear();
    v.clear();
    rows.clear();
    cols.clear();
    record.assign(kTextLength, ' ');
  }
  bool operator==(const GridAssignBuffers&) const = default;
};
extern GridAssignBuffers gAssignLayerBuffers;   // gisAssignLayerToGrid's
extern GridAssignBuffers gAssignObjectBuffers;  // gisAssignObjectToGrid's

// The object being assigned, with the call's grid and value: what a part works from, and what
// the message of an input that cannot be used names.
struct GridAssignSubject {
  int gisID;
  const GisObject& object;
  const GridAssignSettings& settings;
  float value;
};

// True for the kinds that are assigned: points, multipoints, lines, polylines and regions.
bool gridAssignKindSupported(const GisObject& gisO);
// Reads past every part of an object that is not assigned, then WARNING 2073.
void gridAssignSkipObject(int gisID, GisObject& gisO, GridAssignBuffers& buf);
// The first item of the record text as a single-precision number; ERROR 2148, naming the layer's
// record, when there is none.
float gridAssignReadValue(int gisID, const std::string& record);
// One part whose nPoints vertices are in buf.x, buf.y: turned into the grid's frame, its
// console line printed, and its value written by kind. nAssigned becomes the part's count;
// window the part's window; for a region, insideMask (when not empty) the mask of the last pass.
// Before anything is printed or written, a cell size that is not positive, an origin or angle
// that is not finite, an offset whose sum with the window's rows or columns passes the range of
// an int, or a vertex that is not finite or lies beyond the reach of a cell index stops the run
// with a message naming the layer, the object and the value.
void gridAssignPart(const GridAssignSubject& who, GridValueArrays& arrays, GridAssignBuffers& buf,
                    std::int32_t nPoints, std::int32_t& nAssigned, GridAssignWindow& window,
                    std::span<std::uint8_t> insideMask);
