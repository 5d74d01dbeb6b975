#pragma once
// Test scaffolding shared by the GIS layer tests: attribute definitions for an output layer, objects
// and their vertices passed to the writers, hand-made .dbf files for the readers, the items of a
// written file, and the independent readers' check of a written set.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_state.hpp"
#include "tests/test_support.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

struct AttributeDef {
  std::string name;
  std::string type;
  int width = 0;
};

// Fills gGis.gisAttributeDefs with the given fields, in order.
inline void defineAttributes(const std::vector<AttributeDef>& defs) {
  GisAttributeDefs& d = gGis.gisAttributeDefs;
  d.n = static_cast<int>(defs.size());
  for (std::size_t i = 0; i < defs.size(); ++i) {
    d.name[i + 1] = fixed::fit(defs[i].name, kGisAttributeNameLength);
    d.type[i + 1] = fixed::fit(defs[i].type, kGisAttributeTypeLength);
    d.width[i + 1] = defs[i].width;
  }
}

// The GIS tests of layers whose records are one integer field, ID.
class IdLayerTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    defineAttributes({{"ID", "Integer"}});
  }
};

// The projection of the layers a test writes: the .prj text of shapefiles, the CoordSys line of
// MIF layers.
inline void setOutputProjection(const std::string& prj, const std::string& coordSys) {
  gGis.gisOutputPrj = fixed::fit(prj, kTextLength);
  gGis.gisOutputCoordSys = fixed::fit(coordSys, kTextLength);
}

using Vertices = std::vector<std::pair<double, double>>;

// The vertices of the next object written, 1-based in the library's vertex buffer.
inline void setVertices(const Vertices& v) {
  gGis.gisCoordBuffer.n = static_cast<int>(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    gGis.gisCoordBuffer.x[i + 1] = v[i].first;
    gGis.gisCoordBuffer.y[i + 1] = v[i].second;
  }
}

// A fresh object header, of one kind when a flag is given.
inline GisObject newObject(bool GisObject::*kind = nullptr) {
  GisObject o;
  gisInitialiseObject(o);
  if (kind) o.*kind = true;
  return o;
}

// The same with parts starting at the given vertices (1-based).
inline GisObject newObject(bool GisObject::*kind, const std::vector<int>& partStarts) {
  GisObject o = newObject(kind);
  o.nr = static_cast<int>(partStarts.size());
  for (std::size_t i = 0; i < partStarts.size(); ++i) o.ir[i + 1] = partStarts[i];
  return o;
}

// An output layer opened with its header written.
inline int openOutputLayer(const std::string& name, const std::string& kinds) {
  const int id = gisOpenLayer(name, kinds, "O ", false);
  gisWriteHeader(id);
  return id;
}

// An object written over the vertices set last, then its record from the attribute data line.
inline void writeObjectAndRecord(int id, GisObject& o, const std::string& record) {
  gisWriteObject(id, o);
  gGis.gisDataLine = fixed::fit(record, kTextLength);
  gisWriteRecord(id, o);
}

// An object of one kind over the given vertices, with its record; the object as the write left it.
inline GisObject writeShape(int id, bool GisObject::*kind, const Vertices& v, const std::string& record) {
  GisObject o = newObject(kind);
  setVertices(v);
  writeObjectAndRecord(id, o, record);
  return o;
}

// The items of a written file's bytes at off.
inline std::int32_t le32(const std::string& b, std::size_t off) {
  return byteorder::getI32(reinterpret_cast<const unsigned char*>(b.data() + off), byteorder::Order::Little);
}
inline std::int32_t be32(const std::string& b, std::size_t off) {
  return byteorder::getI32(reinterpret_cast<const unsigned char*>(b.data() + off), byteorder::Order::Big);
}
inline double leF64(const std::string& b, std::size_t off) {
  return byteorder::getF64(reinterpret_cast<const unsigned char*>(b.data() + off), byteorder::Order::Little);
}

struct Field {
  std::string name;
  char type;
  int length;
};

// A .dbf of the given fields and raw record bytes (each record with its flag byte).
inline std::string dbfBytes(int count, const std::vector<Field>& fields, const std::string& records = "",
                            bool endMark = true) {
  using byteorder::Order;
  std::string b;
  byteorder::putU8(b, 3);
  b += std::string("\x7b\x01\x02", 3);
  byteorder::putI32(b, count, Order::Little);
  int recLen = 1;
  for (const Field& f : fields) recLen += f.length;
  byteorder::putU16(b, static_cast<std::uint16_t>(32 * fields.size() + 33), Order::Little);
  byteorder::putU16(b, static_cast<std::uint16_t>(recLen), Order::Little);
  b += std::string(20, '\0');
  for (const Field& f : fields) {
    std::string name = f.name;
    name.resize(11, '\0');
    b += name + f.type + std::string(4, '\0');
    byteorder::putU8(b, static_cast<std::uint8_t>(f.length));
    b += std::string(15, '\0');
  }
  b += '\x0D';
  b += records;
  if (endMark) b += '\x1A';
  return b;
}

// Both independent readers accept the shapefile set base (its .shp, .shx and .dbf); allowNull lets
// GDAL meet null shapes.
inline void expectShapefileReadable(const std::string& base, bool allowNull = false) {
  expectCheckerAccepts("shpcheck.py", base);
  expectCheckerAccepts("gdalcheck.py", (allowNull ? "--allow-null " : "") + base + ".shp");
}
