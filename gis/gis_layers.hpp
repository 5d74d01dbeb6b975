#pragma once
// The GIS layer library's entry points for opening, writing and closing layers, with the
// writers they dispatch to. State: gis/gis_state.hpp.
#include <string>
#include <string_view>

#include "gis/gis_state.hpp"

// The name length the library hands the file-unit manager for a text file it opens (.mif, .mid,
// .csv, .wor).
inline constexpr int kGisTextNameLength = 80;

// Opening (layer_open.cpp).
int gisOpenLayer(const std::string& fname, const std::string& shapeKinds, const std::string& mode,
                 bool attributesOnly);
bool OpenshpFile(const std::string& fname, const std::string& suffix, DbfSubLayer& dbf, ShpSubLayer& shp,
                 const std::string& mode, bool attributesOnly);
int gisFileType(const std::string& ext, bool attributesOnly);
void OpenmifFile(const std::string& fname, int& mifUnit, int& midUnit, const std::string& mode, bool attributesOnly);
std::string prjReadProjcs(std::string& line);

// Closing (layer_close.cpp).
void gisCloseLayer(int& gisID);
void gisWriteEoF(int gisID);
void gisCloseAllLayers(bool& anyClosed);
void gisCloseWorkspace();
// Closes every output layer still open as gisCloseLayer does, header patch included, so that what
// a run cut off by a fatal error has written is a consistent layer set. gisOpenLayer hands it to
// EXITS when it opens an output layer.
void gisCompleteOutputLayers();

// Initialisation, workspace and register (layer_init.cpp).
void gisInitialise(int logUnit, const std::string& caption, const std::string& workspaceBase,
                   const std::string& registerBase);

// The row and the line that a newly registered input layer adds to the input-layer register and
// to the workspace file (layer_register.cpp). name is the layer's full path without extension,
// ext its lower-case extension.
void gisRegisterRow(int registerIndex, int gisID, const std::string& name, const std::string& ext);
void gisWorkspaceLine(const std::string& name, const std::string& ext);
// One line of the workspace file, or of the register's .mif or .mid; a failed write ends the run
// naming the file.
void gisWorkspacePut(const std::string& line);
void gisRegisterPut(int unit, const std::string& line);

// Writing dispatch and the message printer (layer_write.cpp).
void gisWriteHeader(int gisID);
void gisWriteObject(int gisID, GisObject& gisO);
void gisWriteRecord(int gisID, GisObject& gisO);
void gisWriteRecordLarge(int gisID, GisObject& gisO);
void gisPrintMessage(int nBlank);

// Messages and stops shared by the library's routines (layer_write.cpp).
// A line on the console, echoed to the library log when it is open.
void gisLogLine(const std::string& text);
// Second lines of a message stand under its text.
inline const std::string kMessageIndent(15, ' ');
// Message lines 1 and 2 of the block; lines 3 and 4 blank, so that no earlier text is repeated.
void gisSetMessage(const std::string& line1, const std::string& line2 = "");
// A numbered message: the lines set, printed after one blank line, then the end of the run.
[[noreturn]] void gisFail(const std::string& line1, const std::string& line2 = "");
// A failed write: gisFail with line 1 as given and line 2 naming the file (none when it is blank).
[[noreturn]] void gisWriteFailure(const std::string& line1, const std::string& fileName);
// The warnings about the values of a field (a .dbf field, a .mid column) are given once per layer,
// field and kind: the first value tells the user, a message per record would bury it. warned holds
// the kinds given so far; true, and the kind added, the first time.
inline constexpr unsigned char kWarnedTooWide = 1;
inline constexpr unsigned char kWarnedNotANumber = 2;
bool gisFirstValueWarning(unsigned char& warned, unsigned char kind);
// The warning, with a second line naming the file of unit and the record (none when 0).
void gisWarnValue(int unit, int record, const std::string& line1);
// An impossible internal state: an empty line, "Should not be here [where] - please contact" and the
// support address on the console, then the end of the run.
[[noreturn]] void gisShouldNotBeHere(const std::string& where);
// The handle guard of an entry point: a gisID outside 1..100 stops the run with
// "Should not be here <routine>[gisID=...] - please contact" and the support address.
void gisCheckHandle(std::string_view routine, int gisID);

// Shapefile main file and index (shapefile_write.cpp).
void shpWriteHeader(ShpSubLayer& shp, int unitLE, int unitBE);
void shpWriteObject(GisObject& gisO, ShpSubLayer& shp);

// dBASE table (dbase_write.cpp).
void dbfWriteHeader(const GisAttributeDefs& defs, DbfSubLayer& dbf);
void dbfdataline(DbfSubLayer& dbf);
void dbfdatalinelarge(DbfSubLayer& dbf);
// The values of the last record split from gisDataLine and from gisDataLineLarge (1..128 each),
// and the storage a record is built in; it holds nothing between records and is kept only so that
// no record allocates.
struct DbfValueBuffers {
  std::array<std::string, kDbfMaxFields + 1> values;
  std::array<std::string, kDbfMaxFields + 1> valuesLarge;
  // Places 1..used of each may hold text; every place behind them is empty.
  int used = 0;
  int usedLarge = 0;
  std::array<std::size_t, kDbfMaxFields + 1> plain{};  // per field: the length of a plain number, or 0
  std::array<bool, kDbfMaxFields + 1> character{};     // per field: a character field
  std::string record;                                  // a record built apart from the table's bytes
  void reset() { *this = DbfValueBuffers{}; }
  bool operator==(const DbfValueBuffers&) const = default;
};
extern DbfValueBuffers gDbfValues;

// Whether a value is a number as a numeric .dbf field or .mid column holds it: an optional sign,
// at least one digit with or without a point, and an optional exponent (dbase_write.cpp).
bool gisIsNumberText(std::string_view t);

// MIF/MID text layers (mif_write.cpp).
void mifWriteObject(GisObject& gisO, int mifUnit, const std::string& style1, const std::string& style2);
void mifWriteHeader(const GisAttributeDefs& defs, int unit);
// The columns of an output layer as its header declared them, for the checks of its .mid rows.
void mifKeepColumns(MifLayer& mif, const GisAttributeDefs& defs);
// The .mid row of a data line: the line without trailing blanks, in which a value of a numeric
// column that is no number (the asterisks of a number too wide for the width it was written in,
// say) is left empty, with a warning once per layer and column. The row lives until the next call.
std::string_view midRow(MifLayer& mif, const std::string& line);
