#pragma once
// The GIS layer library's entry points for opening, writing and closing layers, with the
// writers they dispatch to. State: gis/gis_state.hpp.
#include <string>

#include "gis/gis_state.hpp"

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

// Initialisation, workspace and register (layer_init.cpp).
void gisInitialise(int logUnit, const std::string& caption, const std::string& workspaceBase,
                   const std::string& registerBase);

// Writing dispatch and the message printer (layer_write.cpp).
void gisWriteHeader(int gisID);
void gisWriteObject(int gisID, GisObject& gisO);
void gisWriteRecord(int gisID, GisObject& gisO);
void gisWriteRecordLarge(int gisID, GisObject& gisO);
void gisPrintMessage(int nBlank);

// Shapefile main file and index (shapefile_write.cpp).
void shpWriteHeader(ShpSubLayer& shp, int unitLE, int unitBE);
void shpWriteObject(GisObject& gisO, ShpSubLayer& shp);

// dBASE table (dbase_write.cpp).
void dbfWriteHeader(const GisAttributeDefs& defs, DbfSubLayer& dbf);
void dbfdataline(DbfSubLayer& dbf);
void dbfdatalinelarge(DbfSubLayer& dbf);
// The values of the last record split from gisDataLine and from gisDataLineLarge (1..128 each).
struct DbfValueBuffers {
  std::array<std::string, kDbfMaxFields + 1> values;
  std::array<std::string, kDbfMaxFields + 1> valuesLarge;
  void reset() { *this = DbfValueBuffers{}; }
};
extern DbfValueBuffers gDbfValues;

// MIF/MID text layers (mif_write.cpp).
void mifWriteObject(GisObject& gisO, int mifUnit, const std::string& style1, const std::string& style2);
void mifWriteHeader(const GisAttributeDefs& defs, int unit);
