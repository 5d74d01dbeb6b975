#pragma once
// The GIS layer library's entry points for opening, writing and closing layers. State:
// gis/gis_state.hpp; messages and stops: gis/gis_messages.hpp; the writers the entry points
// dispatch to: gis/shapefile_write.hpp, gis/dbase_write.hpp, gis/mif_write.hpp.
#include <string>

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
// A file of this run that an output of that name would empty: one a unit holds open, or one an
// output layer opened (open or closed since) under another name. file is what the manager knows
// the name by.
struct GisRunFile {
  std::string name;        // as its unit or its layer named it; empty when the name reaches none
  bool beingRead = false;  // a unit holds it open for reading alone
};
GisRunFile gisRunFileReached(const std::string& name, const platform::FileIdentity& file);

// Closing (layer_close.cpp).
void gisCloseLayer(int& gisID);
void gisWriteEoF(int gisID);
void gisCloseAllLayers(bool& anyClosed);
void gisCloseWorkspace();
// Closes every output layer still open as gisCloseLayer does, header patch included, so that what
// a run cut off by a fatal error has written is a consistent layer set. gisOpenLayer hands it to
// EXITS when it opens an output layer. Within EXITS a layer that cannot be completed is named and
// the others are still completed.
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

// Writing dispatch (layer_write.cpp): each call goes to the writer of the layer's kind.
void gisWriteHeader(int gisID);
void gisWriteObject(int gisID, GisObject& gisO);
void gisWriteRecord(int gisID, GisObject& gisO);
void gisWriteRecordLarge(int gisID, GisObject& gisO);
