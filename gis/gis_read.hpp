#pragma once
// The reading side of the GIS layer library: the headers, objects and attribute records of input
// layers that gisOpenLayer has opened with mode "I ", and the small routines that move about in
// a MIF header. State: gis/gis_state.hpp; opening and writing: gis/gis_layers.hpp.
//
// Every count, length and offset read from a file is checked before it is used; a file that
// does not hold what it claims stops the run with a message that names the file.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "gis/gis_state.hpp"
#include "utility/files.hpp"

// ---- headers, counts and rewinding (layer_read_header.cpp) -----------------------------------

// Where a refusal of the reading side stands, named on the line after its message: the file of
// the unit and, in it, the header, a record (from 1), a line, or a byte. Lines are counted only
// when a refusal names one, so that no read pays for the count.
struct GisReadPlace {
  enum class Kind {
    Header,    // "Header of file F."
    Record,    // "Record N of file F.", N as given
    Line,      // "Line N of file F.", N the line last read
    Row,       // "Record N of file F.", N the line last read and number more (a .mid row)
    Byte,      // "Byte N of file F.", N as given (a .shp that no layer reads: no records counted)
  };
  int unit = 0;
  Kind kind = Kind::Header;
  std::int64_t number = 0;
};
inline GisReadPlace gisHeaderOf(int unit) { return {unit, GisReadPlace::Kind::Header, 0}; }
inline GisReadPlace gisLineOf(int unit) { return {unit, GisReadPlace::Kind::Line, 0}; }
// The line that names the place ("" for a unit that is not open).
std::string gisPlaceLine(const GisReadPlace& place);
// A refusal: its message lines (blank ones left out), then the line naming the place, printed
// after one empty line; then the end of the run.
[[noreturn]] void gisRefuse(const GisReadPlace& place, const std::string& line1, const std::string& line2 = "",
                            const std::string& line3 = "");

// What a failed read of a binary item says: atEnd when the unit is still open (the file, as a
// rule, has fewer bytes left than the item needs), failed otherwise.
struct GisReadFailure {
  const char* atEnd;
  const char* failed;
};
// The failure's message and its place, then the end of the run.
[[noreturn]] void gisStopReading(const GisReadPlace& place, const GisReadFailure& failure);
// n bytes, a 32-bit integer or a double in the unit's byte order, at the place's unit; a read that
// fails stops the run.
std::string gisGetBytes(const GisReadPlace& place, std::size_t n, const GisReadFailure& failure);
// As many bytes as the caller's storage holds, without allocating.
void gisGetBytes(const GisReadPlace& place, std::span<char> bytes, const GisReadFailure& failure);
std::int32_t gisGetI32(const GisReadPlace& place, const GisReadFailure& failure);
double gisGetF64(const GisReadPlace& place, const GisReadFailure& failure);

// Reads the layer's file headers into its slot: the .mif header up to the "Data" line, or the
// .shp header (both views; the big-endian one is closed afterwards) and the .dbf field table.
// A shapefile layer without records (a .shp of its header alone) is at its end once prepared.
void gisReadHeader(int gisID);
int gisNumberAttributes(int gisID);
// MIF: the lines of the .mid (the .mid is left where it was); shapefile: the .dbf header count.
std::int64_t gisNumberRecords(int gisID);
// The layer back on its first object and record; clears gisEndOfData.
void gisGotoBeginningOfData(int gisID);
// The 100-byte header of a .shp on unit (nothing when unit is 0 or less); leaves it on byte 100.
void shpReadHeader(int unit, int& code, int& length, int& version, int& type, double& xmin, double& ymin,
                   double& xmax, double& ymax);
// The .dbf header and field descriptors; leaves the unit on the deletion flag of record 1, where
// the header length places it.
void dbfReadHeader(DbfSubLayer& dbf);
// The .mif header: the "Columns" block, then on to the line after "Data".
void mifReadHeader(MifLayer& mif);

// ---- objects (layer_read_object.cpp) ----------------------------------------------------------

// Finds the next object and fills gisO (kind flags, counts, part table, type name). False at the
// end of a MIF file without a further object, and at the end of a shapefile layer (at once for one
// without records). A shape whose .dbf record is deleted is passed over with its record.
bool gisObjectType(int gisID, GisObject& gisO);
// Reads the object found by gisObjectType, or its next part, into x and y (1-based: element 0 is
// unused, so each holds size() - 1 vertices), with its label position, angle (degrees) and length.
// With lRead false the coordinates are passed over. No vertex is stored beyond maxNodes, nor beyond
// the arrays.
void gisReadObject(int gisID, GisObject& gisO, std::span<double> x, std::span<double> y, int maxNodes,
                   int& nPoints, double& xc, double& yc, float& angle, float& length, bool lRead);
bool shpObjectType(int unit, int& shapeType, GisObject& gisO);
bool shpReadObject(int unit, int shapeType, GisObject& gisO, std::span<double> x, std::span<double> y,
                   int maxNodes, int& nPoints, bool lRead);
bool mifObjectType(MifLayer& mif, GisObject& gisO);
bool mifReadObject(MifLayer& mif, GisObject& gisO, std::span<double> x, std::span<double> y, int maxNodes,
                   int& nPoints, bool& labelWanted, double& xc, double& yc, bool lRead);

// ---- attribute records (layer_read_record.cpp) ------------------------------------------------

// The next record as an attribute data line: values separated by commas, character values in
// double quotes. gisO's type name is used in messages.
void gisReadRecord(int gisID, const GisObject& gisO, std::string& line);
void dbfReadRecord(DbfSubLayer& dbf, bool& endOfData, std::string& line);
// The record of the layer read last (its .dbf record, its .mid row), as a refusal names it.
GisReadPlace gisLastRecordOf(int gisID);
// When the table's next record is deleted: passes over it with a warning naming it and returns its
// number, so that the caller passes over its shape too; 0 (nothing read) otherwise.
int dbfPassDeletedRecord(DbfSubLayer& dbf);

// The reading side's work buffers: what one call uses and the next does not need, kept so that
// no record or line allocates once they have grown. What a layer needs between calls is in its
// slot.
struct GisReadBuffers {
  std::string dbfRecord;       // the bytes of the .dbf record being read
  std::string dbfLine;         // its values joined into a data line
  std::string textLine;        // a line of a .mif or .mid as read
  void reset() {
    dbfRecord.clear();
    dbfLine.clear();
    textLine.clear();
  }
  bool operator==(const GisReadBuffers&) const = default;
};
extern GisReadBuffers gGisRead;

// ---- MIF header navigation and CoordSys (mif_header.cpp) --------------------------------------

struct GisAttributeDefinition {
  std::string name = std::string(256, ' ');
  std::string type = std::string(kGisAttributeTypeLength, ' ');
};

// The messages that the header reading, the header navigation and the open's CoordSys check
// share.
inline constexpr const char* kMifNoDataBlock = "ERROR 0313 - Could not find start of \"Data\" block in .mif file.";
inline constexpr const char* kMifNoDefinition = "ERROR 0316 - Could not read attribute definitions in .mif file";
inline constexpr const char* kMifNoCoordSys = "WARNING 0306 - Problems finding CoordSys line in .mif file.";

// The CoordSys line used when no projection is found.
inline constexpr const char* kDefaultCoordSys =
    "CoordSys NonEarth Units \"m\" Bounds(-9999999, -9999999) (9999999, 9999999)";

bool gisGotoBeginningOfAttributes(int gisID, int& nAttr);
bool mifGotoBeginningOfAttributes(int unit, int& nAttr);
GisAttributeDefinition gisReadAttributeDefinition(int gisID);
void mifReadAttributeDefinition(int unit, GisAttributeDefinition& definition);
void mifGotoBeginningOfData(int unit);
// The next line holding "CoordSys" from the unit's position, trimmed; "" after WARNING 0306 when a
// read fails, and "" when the unit ends without one.
std::string mifFindCoordSysLine(int unit);
// What a search for a line of a MIF header found.
enum class MifLineFound { Line, End, ReadFailed };
// From the unit's position, the next line holding keyword (FLAGEXISTS), each line cut to length
// before it is tested; line receives the line read last.
MifLineFound mifFindLine(int unit, std::size_t length, std::string_view keyword, std::string& line);
// The one search for a CoordSys line, which the library's CoordSys readers share: from the unit's
// position, lines of 1000 characters; line receives the line found, trimmed. Each caller says what
// a missing line means.
MifLineFound mifSearchCoordSys(int unit, std::string& line);
std::string mifCleanCoordSysLine(const std::string& line);
std::string mifReadCoordSysLine(const std::string& fileName);
void mifCopyHeader(int unitIn, int unitOut);

// A line of the unit cut to length, the length of the text it is read into.
ReadStatus mifReadLineCut(int unit, std::string& line, std::size_t length);

// The one walk down a MIF header, which the header read and the header navigation share: from the
// top, the "Columns" line, its count, the column lines, then the "Data" line, so that a column
// whose name holds "Data" is not taken for it. Every line is cut to the walk's length. A step is
// false when the header is not so laid out or a read fails; the unit then stands after the line
// read last, which a refusal names.
class MifHeaderWalk {
 public:
  // Rewinds the unit.
  MifHeaderWalk(int unit, std::size_t lineLength);
  // On to the first line that holds "Columns".
  bool toColumns();
  // The count after the keyword of the "Columns" line, wherever the keyword stands in it.
  bool count(std::int32_t& n) const;
  // The next column line, into line().
  bool nextColumn();
  // On past the first line that holds "Data": the unit stands on the first object line.
  bool toData();
  const std::string& line() const { return line_; }

 private:
  int unit_;
  std::size_t length_;
  std::string line_;
};

// Shared by the readers: an attribute definition line split into its name (up to the first blank
// after left-justifying) and its type (the rest, cut to typeLength).
void mifSplitAttributeLine(const std::string& line, std::string& name, std::size_t nameLength,
                           std::string& type, std::size_t typeLength);
