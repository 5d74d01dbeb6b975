#pragma once
// Test scaffolding shared by the GIS layer tests: attribute definitions for an output layer,
// hand-made .dbf files for the readers, and the independent readers' check of a written set.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gis/gis_state.hpp"
#include "tests/test_support.hpp"
#include "utility/byte_order.hpp"
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
    d.name[i + 1] = fixed::fit(defs[i].name, 32);
    d.type[i + 1] = fixed::fit(defs[i].type, 24);
    d.width[i + 1] = defs[i].width;
  }
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

// Both independent readers accept the shapefile set base (its .shp, .shx and .dbf), run in the
// test's working folder.
inline void expectShapefileReadable(const std::string& base) {
  const std::string tools = std::string(PLENVOR_SOURCE_DIR) + "/../shared/tools/";
  const std::string shp = "/usr/bin/python3 " + tools + "shpcheck.py " + base + " > check.txt 2>&1";
  EXPECT_EQ(std::system(shp.c_str()), 0) << readFile("check.txt");
  const std::string gdal = "/usr/bin/python3 " + tools + "gdalcheck.py " + base + ".shp > gdal.txt 2>&1";
  EXPECT_EQ(std::system(gdal.c_str()), 0) << readFile("gdal.txt");
}
