// How long the GIS layer library takes to read a layer back: every object, every part and every
// attribute record, through gisOpenLayer, gisReadHeader, gisObjectType, gisReadObject and
// gisReadRecord, as a program that takes a layer as input reads it; or to assign a layer to a grid
// that covers it with gisAssignLayerToGrid, the first field of each record as the value.
//
//     plenvor_read_timing read LAYER [RUNS]
//     plenvor_read_timing assign LAYER [RUNS]
//
// LAYER is a .shp (its .shx and .dbf beside it) or a .mif (its .mid beside it). Each of RUNS
// rounds (default 5) opens the layer, reads or assigns it whole and closes it; the console goes to
// a string that is emptied between rounds. Prints the counts read, a sum of the coordinates (the
// same for a shapefile set and a MIF/MID pair of one layer) and the best and the median time in
// seconds, and the peak memory of the process (its high-water mark since it started: the figure the
// process's resource usage gives would count the pages of a program it was started from).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "gis/grid_assign.hpp"
#include "platform/console.hpp"
#include "platform/process_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"

namespace {

struct Counts {
  std::int64_t objects = 0;
  std::int64_t parts = 0;
  std::int64_t vertices = 0;
  std::int64_t recordBytes = 0;  // the characters of the records, trailing blanks left out
  double coordinateSum = 0.0;
  std::int64_t cellsWritten = 0;  // by the assignment
  double valueSum = 0.0;          // of the grid's cells after the assignment
  double xMin = HUGE_VAL, yMin = HUGE_VAL, xMax = -HUGE_VAL, yMax = -HUGE_VAL;
};

std::vector<double> gX(kGisMaxVertices + 1), gY(kGisMaxVertices + 1);
std::ostringstream gConsole;
std::istringstream gNoInput;

int openForInput(const std::string& layer) {
  FILEUNITSINITIALISE(1000);
  const int id = gisOpenLayer(layer, " ", "I ", false);
  gisReadHeader(id);
  return id;
}

// Every object with all its parts, then its record, as the layer's readers do.
Counts readLayer(const std::string& layer) {
  Counts c;
  const int id = openForInput(layer);
  const GisLayerSlot& slot = gGis.layers[static_cast<std::size_t>(id)];
  GisObject o;
  std::string record(kTextLength, ' ');
  while (!slot.gisEndOfData) {
    if (!gisObjectType(id, o)) continue;
    c.objects += 1;
    // Lines and multipoints come one part (one point) per call, every other kind in one call.
    const bool byParts = o.isLine || o.isPline || o.isPlineMultiple || o.isMultiPoint;
    const int calls = byParts ? o.nSections : 1;
    for (int k = 1; k <= calls; ++k) {
      int n = 0;
      double xc = 0.0, yc = 0.0;
      float angle = 0.0f, length = 0.0f;
      gisReadObject(id, o, gX, gY, kGisMaxVertices, n, xc, yc, angle, length, true);
      c.parts += 1;
      c.vertices += n;
      for (int i = 1; i <= n; ++i) {
        c.coordinateSum += gX[static_cast<std::size_t>(i)] + gY[static_cast<std::size_t>(i)];
        c.xMin = std::min(c.xMin, gX[static_cast<std::size_t>(i)]);
        c.xMax = std::max(c.xMax, gX[static_cast<std::size_t>(i)]);
        c.yMin = std::min(c.yMin, gY[static_cast<std::size_t>(i)]);
        c.yMax = std::max(c.yMax, gY[static_cast<std::size_t>(i)]);
      }
    }
    gisReadRecord(id, o, record);
    c.recordBytes += static_cast<std::int64_t>(fixed::trimLen(record));
  }
  int done = id;
  gisCloseLayer(done);
  return c;
}

// A grid of at most 1000 cells a side over the extent, every object assigned in turn.
Counts assignLayer(const std::string& layer, const Counts& extent, std::vector<float>& cells) {
  Counts c;
  const double width = extent.xMax - extent.xMin, height = extent.yMax - extent.yMin;
  const double cell = std::max({width, height, 1.0}) / 1000.0;
  GridAssignSettings s;
  s.nCols = static_cast<std::int32_t>(width / cell) + 2;
  s.nRows = static_cast<std::int32_t>(height / cell) + 2;
  s.cellSizeX = s.cellSizeY = static_cast<float>(cell);
  s.originX = extent.xMin - cell / 2.0;
  s.originY = extent.yMin - cell / 2.0;
  cells.assign(static_cast<std::size_t>(s.nRows) * static_cast<std::size_t>(s.nCols), 0.0f);
  GridValueArrays arrays;
  arrays.cellValue = cells;
  arrays.gridDim1 = s.nRows;
  arrays.gridDim2 = s.nCols;
  const int id = openForInput(layer);
  const GisLayerSlot& slot = gGis.layers[static_cast<std::size_t>(id)];
  while (!slot.gisEndOfData) {
    std::int32_t assigned = 0;
    gisAssignLayerToGrid(id, s, arrays, assigned);
    c.objects += 1;
    c.cellsWritten += assigned;
  }
  int done = id;
  gisCloseLayer(done);
  for (const float v : cells) c.valueSum += v;
  return c;
}

double peakMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  double kilobytes = 0.0;
  while (status >> key)
    if (key == "VmHWM:" && status >> kilobytes) break;
  return kilobytes / 1024.0;
}

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (argc < 3 || (what != "read" && what != "assign")) {
    std::fprintf(stderr, "usage: plenvor_read_timing read|assign LAYER [RUNS]\n");
    return 2;
  }
  const std::string layer = argv[2];
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  std::vector<double> times;
  std::vector<float> cells;
  Counts c, extent;
  bool ended = false;
  // The assignment's first round reads the layer to find the extent of its grid; it is not timed.
  const bool assign = what == "assign";
  for (int k = assign ? -1 : 0; k < runs && !ended; ++k) {
    processstate::resetAll();
    gConsole.str("");
    console::redirect(&gConsole, &gNoInput);
    const auto start = std::chrono::steady_clock::now();
    try {
      if (!assign || k < 0)
        c = extent = readLayer(layer);
      else
        c = assignLayer(layer, extent, cells);
    } catch (const RunEnd&) {
      ended = true;
    }
    if (k >= 0) times.push_back(seconds(start));
    console::redirect(nullptr, nullptr);
  }
  if (ended) {
    std::fprintf(stderr, "reading %s stopped:\n%s", layer.c_str(), gConsole.str().c_str());
    return 1;
  }
  std::sort(times.begin(), times.end());
  if (!assign)
    std::printf("%s: %lld objects, %lld parts, %lld vertices, %lld record characters, coordinate sum %.6e; ",
                layer.c_str(), static_cast<long long>(c.objects), static_cast<long long>(c.parts),
                static_cast<long long>(c.vertices), static_cast<long long>(c.recordBytes), c.coordinateSum);
  else
    std::printf("%s: %lld objects assigned to %zu cells (%lld written), value sum %.6e; ", layer.c_str(),
                static_cast<long long>(c.objects), cells.size(), static_cast<long long>(c.cellsWritten), c.valueSum);
  std::printf("best %.4f s, median %.4f s (%zu runs), peak %.1f MB\n", times.front(), times[times.size() / 2],
              times.size(), peakMegabytes());
  return 0;
}
