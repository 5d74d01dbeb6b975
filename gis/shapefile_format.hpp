#pragma once
// The numbers of a shapefile set's files (.shp, .shx, .dbf) that its reader and its writers share:
// the shape types, the header words and the marks of a dBASE table.
#include <cstdint>

// Shape types of a .shp record and of a .shp or .shx header. The library writes the 2D types;
// the others are named so that a message can say what a file holds.
inline constexpr std::int32_t kShpNullShape = 0;
inline constexpr std::int32_t kShpPoint = 1;
inline constexpr std::int32_t kShpPolyline = 3;
inline constexpr std::int32_t kShpPolygon = 5;
inline constexpr std::int32_t kShpMultiPoint = 8;
inline constexpr std::int32_t kShpPointZ = 11;
inline constexpr std::int32_t kShpPolylineZ = 13;
inline constexpr std::int32_t kShpPolygonZ = 15;
inline constexpr std::int32_t kShpMultiPointZ = 18;
inline constexpr std::int32_t kShpPointM = 21;
inline constexpr std::int32_t kShpPolylineM = 23;
inline constexpr std::int32_t kShpPolygonM = 25;
inline constexpr std::int32_t kShpMultiPointM = 28;
inline constexpr std::int32_t kShpMultiPatch = 31;

struct ShpTypeName {
  std::int32_t type;
  const char* name;
};
// The name of each shape type, as messages and object type names give it.
inline constexpr ShpTypeName kShpTypeNames[] = {
    {kShpNullShape, "Null Shape"}, {kShpPoint, "Point"},           {kShpPolyline, "Polyline"},
    {kShpPolygon, "Polygon"},      {kShpMultiPoint, "MultiPoint"}, {kShpPointZ, "PointZ"},
    {kShpPolylineZ, "PolyLineZ"},  {kShpPolygonZ, "PolygonZ"},     {kShpMultiPointZ, "MultiPointZ"},
    {kShpPointM, "PointM"},        {kShpPolylineM, "PolyLineM"},   {kShpPolygonM, "PolygonM"},
    {kShpMultiPointM, "MultiPointM"}, {kShpMultiPatch, "MultiPatch"}};

// The 100-byte header of a .shp and a .shx: the file code, the file's length in 16-bit words at
// byte 24 (big-endian), the version, and the box of x and y at byte 36 (little-endian).
inline constexpr std::int32_t kShpFileCode = 9994;
inline constexpr std::int32_t kShpVersion = 1000;
inline constexpr std::int32_t kShpHeaderWords = 50;
inline constexpr std::uint64_t kShpHeaderBytes = 2 * kShpHeaderWords;
inline constexpr std::uint64_t kShpLengthAt = 24;
inline constexpr std::uint64_t kShpBoxAt = 36;
// A .shp record's header (its number and content length) and a .shx entry (offset and content
// length), in 16-bit words.
inline constexpr std::int32_t kShpRecordHeaderWords = 4;
inline constexpr std::int32_t kShxEntryWords = 4;

// A record's content, in bytes: the shape type, then the shape. A point is its x and y; a
// multipoint its box, its point count and its points; a polyline or a polygon its box, its part
// and point counts, the first point of each part and its points.
inline constexpr std::int32_t kShpTypeBytes = 4;
inline constexpr std::int32_t kShpBoxBytes = 32;
inline constexpr std::int32_t kShpCountBytes = 4;
inline constexpr std::int32_t kShpPartStartBytes = 4;
inline constexpr std::int32_t kShpPointBytes = 16;
// The content lengths that a record header and a .shx entry give, in 16-bit words. The counts are
// those of the object buffers, so no length overflows.
inline constexpr std::int32_t kShpNullContentWords = kShpTypeBytes / 2;
inline constexpr std::int32_t kShpPointContentWords = (kShpTypeBytes + kShpPointBytes) / 2;
constexpr std::int32_t shpMultiPointContentWords(std::int32_t nPoints) {
  return (kShpTypeBytes + kShpBoxBytes + kShpCountBytes + kShpPointBytes * nPoints) / 2;
}
constexpr std::int32_t shpPolyContentWords(std::int32_t nParts, std::int32_t nPoints) {
  return (kShpTypeBytes + kShpBoxBytes + 2 * kShpCountBytes + kShpPartStartBytes * nParts + kShpPointBytes * nPoints) /
         2;
}

// A dBASE table's header length: its fixed part, a descriptor per field and the byte that ends
// the descriptors.
inline constexpr std::int32_t kDbfFileHeaderBytes = 32;
inline constexpr std::int32_t kDbfFieldDescriptorBytes = 32;
constexpr std::int32_t dbfHeaderLength(std::int32_t nFields) {
  return kDbfFileHeaderBytes + kDbfFieldDescriptorBytes * nFields + 1;
}

// A dBASE table: the version byte, the end of the field descriptors, the flag of a record in use
// and of a deleted one, and the mark after the last record.
inline constexpr std::uint8_t kDbfVersion = 3;
inline constexpr char kDbfHeaderEnd = '\x0D';
inline constexpr char kDbfRecordInUse = ' ';
inline constexpr char kDbfRecordDeleted = '*';
inline constexpr char kDbfEndMark = '\x1A';
