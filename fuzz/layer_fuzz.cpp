// Reads its input as a GIS input layer, the way the grid assignment reads one: the headers, then
// per object its kind, its parts and its attribute record, to the end of the data.
//
// Input: one options byte, then the layer's files one after the other, each file ended by the
// marker "~~~~" (the last one by the end of the input; it keeps any further markers):
//   options & 3:    0 and 3 a shapefile set (in.shp ~~~~ in.dbf), 1 a .dbf alone (in.dbf),
//                   2 a MIF/MID pair (in.mif ~~~~ in.mid)
//   options & 4:    the objects are passed over (read with lRead false) rather than read
//   options & 8:    after the first pass the layer is rewound and read again
//   options & 16:   each record is read before the object's parts rather than after them
//   options & 32:   at most 3 vertices may be read (maxNodes 3)
//   options & 64:   vertex arrays of 4 elements (3 vertices) with maxNodes at its full value
// A file the input leaves out is written empty. Seeds: fuzz/corpus/layer (fuzz/layer_seeds.py).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_run.hpp"
#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "gis/gis_state.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

constexpr std::string_view kMarker = "~~~~";

// The input after the options byte cut into count files at the markers.
std::vector<std::string_view> splitFiles(std::string_view rest, std::size_t count) {
  std::vector<std::string_view> files;
  while (files.size() + 1 < count) {
    const std::size_t at = rest.find(kMarker);
    if (at == std::string_view::npos) break;
    files.push_back(rest.substr(0, at));
    rest.remove_prefix(at + kMarker.size());
  }
  files.push_back(rest);
  files.resize(count);
  return files;
}

struct Reading {
  bool lRead = true;
  bool recordFirst = false;
  int maxNodes = kGisMaxVertices;
  std::span<double> x, y;
};

void readObjects(int id, const Reading& r) {
  GisObject o;
  std::string record(kTextLength, ' ');
  const GisLayerSlot& slot = gGis.layers[static_cast<std::size_t>(id)];
  while (!slot.gisEndOfData) {
    if (!gisObjectType(id, o)) continue;
    if (r.recordFirst) gisReadRecord(id, o, record);
    for (int k = 1; k <= o.nSections; ++k) {
      int nPoints = 0;
      double xc = 0.0, yc = 0.0;
      float angle = 0.0f, length = 0.0f;
      gisReadObject(id, o, r.x, r.y, r.maxNodes, nPoints, xc, yc, angle, length, r.lRead);
    }
    if (!r.recordFirst) gisReadRecord(id, o, record);
  }
}

void readRecords(int id) {
  GisObject o;
  std::string record(kTextLength, ' ');
  const GisLayerSlot& slot = gGis.layers[static_cast<std::size_t>(id)];
  while (!slot.gisEndOfData) gisReadRecord(id, o, record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t options = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const int kind = (options & 3) == 3 ? 0 : options & 3;
  fuzzrun::startInput();
  std::string layerName;
  if (kind == 0) {
    const std::vector<std::string_view> files = splitFiles(rest, 2);
    fuzzrun::writeFile("in.shp", files[0]);
    fuzzrun::writeFile("in.dbf", files[1]);
    layerName = "in.shp";
  } else if (kind == 1) {
    fuzzrun::writeFile("in.dbf", rest);
    layerName = "in.dbf";
  } else {
    const std::vector<std::string_view> files = splitFiles(rest, 2);
    fuzzrun::writeFile("in.mif", files[0]);
    fuzzrun::writeFile("in.mid", files[1]);
    layerName = "in.mif";
  }

  static std::vector<double> x(kGisMaxVertices + 1), y(kGisMaxVertices + 1);
  Reading r;
  r.lRead = (options & 4) == 0;
  r.recordFirst = (options & 16) != 0;
  r.maxNodes = (options & 32) != 0 ? 3 : kGisMaxVertices;
  const std::size_t arrays = (options & 64) != 0 ? 4 : x.size();
  r.x = std::span<double>(x).first(arrays);
  r.y = std::span<double>(y).first(arrays);

  fuzzrun::run([&] {
    FILEUNITSINITIALISE(1000);
    const int id = gisOpenLayer(layerName, " ", "I ", kind == 1);
    if (id < 1) return;
    gisReadHeader(id);
    gisNumberAttributes(id);
    gisNumberRecords(id);
    const int passes = (options & 8) != 0 ? 2 : 1;
    for (int pass = 1; pass <= passes; ++pass) {
      if (pass > 1) gisGotoBeginningOfData(id);
      if (kind == 1)
        readRecords(id);
      else
        readObjects(id, r);
    }
    int done = id;
    gisCloseLayer(done);
  });
  return 0;
}
