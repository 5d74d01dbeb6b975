// Opening a GIS layer: the slot, the kind from the extension, the files through the file-unit
// manager, the input-layer register and the projection and save-date checks of input layers.
#include <string>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_messages.hpp"
#include "gis/gis_read.hpp"
#include "gis/gis_state.hpp"
#include "gis/shapefile_format.hpp"
#include "platform/console.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/messages.hpp"
#include "utility/numbers.hpp"
#include "utility/parsers.hpp"
#include "utility/paths.hpp"
#include "utility/run_control.hpp"
#include "utility/text.hpp"

namespace {

constexpr int kShapeNameLen = 1;   // nameLen of the files of a shapefile set

bool isInput(const std::string& mode) { return fixed::fit(mode, 2) == "I "; }
bool isOutput(const std::string& mode) { return fixed::fit(mode, 2) == "O "; }

std::string trimmedBoth(const std::string& s) { return fixed::trimmed(TRIMF(s)); }

// ---- an output never written over a file being read, or over another the run writes ----------

// Opening an output empties its file: a layer file that is a file the run is reading (the input
// under another name, or through a link), or a file it writes (another layer's file, open or
// closed since, or another file of this layer), stops the run before any file of the layer is
// opened, and that file is left as it is. The manager knows a file by what it is, however it is
// named; a link to another file of the layer may lead to a file not made yet, so the layer's
// names are also compared by the name they reach.
void refuseFilesOfThisRun(const std::vector<std::string>& names) {
  std::vector<platform::FileIdentity> files;
  std::vector<std::string> reachedNames;
  for (const std::string& name : names) {
    const platform::FileIdentity file = fuIdentityOfFile(name);
    const GisRunFile reached = gisRunFileReached(name, file);
    if (reached.beingRead)
      gisFail("ERROR - The layer file " + name + " would be written over " + reached.name +
              ", a file being read; that file is left as it is.");
    if (!reached.name.empty())
      gisFail("ERROR - The layer file " + name + " would be written over " + reached.name + ", a file this run writes.");
    const std::string reachedName = fuReachedName(name);
    for (std::size_t j = 0; j < files.size(); ++j)
      if (file.sameFile(files[j]) || reachedName == reachedNames[j])
        gisFail("ERROR - The layer file " + name + " would be written over " + names[j] + ", a file this run writes.");
    files.push_back(file);
    reachedNames.push_back(reachedName);
  }
}

// The output files just opened, kept so that no later output of the run is written over them.
void noteOutputFiles(const std::vector<std::string>& names) {
  for (const std::string& name : names) gGis.gisOutputFiles.push_back({name, fuIdentityOfFile(name)});
}

// The files of an output shapefile sub-layer, in the order they are opened: the layer's name with
// "_" and the sub-layer's letter, and the main file's companions; a table opened alone is its .dbf.
std::vector<std::string> shapefileOutputNames(const std::string& fname, const std::string& suffix,
                                              bool attributesOnly) {
  if (attributesOnly) return {FILENAMEPATH(trimmedBoth(fname)) + ".dbf"};
  const std::string base = FILENAMEPATH(trimmedBoth(fname)) + "_" + suffix;
  return {base + ".shp", base + ".shx", base + ".prj", base + ".dbf"};
}

// ---- the slot: the first free one -------------------------------------------------------------

int takeFreeSlot() {
  for (int id = 1; id <= kGisMaxLayers; ++id)
    if (!gGis.layers.inUse(id)) return id;
  gisFail("ERROR 0251 - Cannot have more than " + fixed::trimmed(AINTEGER(kGisMaxLayers)) +
          " GIS layers open at once.");
}

// ---- the input-layer register: each layer read, once -------------------------------------------

void registerInputLayer(int gisID, const std::string& fname) {
  const std::string name = FILENAMEPATH(fuFullName(trimmedBoth(fname)));
  const std::string ext = fixed::trimmed(FILEEXT(fname));
  gisRegisterNamesReady();
  for (int i = 1; i <= gGis.gisRegisterCount && i <= kGisRegisterSize; ++i)
    if (ASAME(gGis.gisRegisterNames[i], name)) return;
  gGis.gisRegisterCount += 1;
  if (gGis.gisRegisterCount < kGisRegisterSize) {
    gGis.gisRegisterNames[gGis.gisRegisterCount] = fixed::fit(name, kTextLength);
    gisWorkspaceLine(name, ext);
  } else {
    gisSetMessage(
        "WARNING 0317 - Exceeded limit of input GIS layers that can be tracked (layer referencing may not be "
        "complete).");
    gisPrintMessage(0);
    gGis.gisRegisterCount = kGisRegisterSize;
  }
  gisRegisterRow(gGis.gisRegisterCount, gisID, name, ext);
}

// ---- the CoordSys check of a .mif input -------------------------------------------------------

void checkMifCoordSys(int mifUnit) {
  std::string found;
  if (mifSearchCoordSys(mifUnit, found) != MifLineFound::Line) {
    // A file that cannot be searched to its CoordSys line is checked with an empty text.
    gisSetMessage(kMifNoCoordSys);
    gisPrintMessage(1);
    found.clear();
  }
  const std::string normalised = fixed::trimmed(mifCleanCoordSysLine(found));
  fuRewind(mifUnit);
  if (normalised == fixed::trimmed(gGis.gisMiProjection)) return;
  const std::string what = " 0305 - Projection of .mif file is different to that specified by the MI Projection == command.";
  for (int i = 1; i <= 4; ++i) DMESSAGES.dmLines[i] = fixed::fit("", DMESSAGES.dmLines[i].size());
  if (gGis.gisProjectionCheckIsError) {
    fixed::assign(DMESSAGES.dmLines[1], "ERROR" + what);
    fixed::assign(DMESSAGES.dmLines[2], "Use \"MI Projection Check == WARNING\" to change message to a WARNING.");
    DMESSAGE(1);
    EXITS();
  }
  fixed::assign(DMESSAGES.dmLines[1], "WARNING" + what);
  DMESSAGE(0);
}

// ---- the projection check of a .prj input -----------------------------------------------------

void checkPrjProjection(ShpSubLayer& shp, const std::string& prjName) {
  OPENERBYNAME(shp.prjUnit, "I ", prjName, kShapeNameLen);
  std::string line;
  if (fuReadLine(shp.prjUnit, line) != ReadStatus::Ok)
    gisRefuse(gisLineOf(shp.prjUnit), "ERROR 0420 - Could not read projection line in .prj file.");
  CLOSER(shp.prjUnit);
  line = fixed::fit(line, kTextLength);
  const std::string name = trimmedBoth(prjReadProjcs(line));
  if (name == fixed::trimmed(gGis.gisShpProjection)) return;
  const std::string what =
      " 0305 - Projection of .shp file is different to that specified by the SHP Projection == command.";
  if (gGis.gisProjectionCheckIsError)
    gisFail("ERROR" + what, "Use \"GIS Projection Check == WARNING\" to change message to a WARNING.");
  gisSetMessage("WARNING" + what);
  gisPrintMessage(0);
}

// ---- shapefile sets ------------------------------------------------------------------------------

// The sub-layer and shape type that a letter of the shape kinds asks for.
constexpr int kNotAShapeKind = 0;
int shapeKindSubLayer(char letter, int& shapeType) {
  switch (letter) {
    case 'P': case 'p': shapeType = kShpPoint; return kShpSubLayerPoints;
    case 'L': case 'l': shapeType = kShpPolyline; return kShpSubLayerLines;
    case 'R': case 'r': shapeType = kShpPolygon; return kShpSubLayerRegions;
    default: return kNotAShapeKind;
  }
}

bool openShapefileLayer(GisLayerSlot& slot, const std::string& fname, const std::string& shapeKinds,
                        const std::string& mode, bool attributesOnly) {
  if (isInput(mode))
    return OpenshpFile(fname, shapeKinds, slot.dbfSubLayer[kShpInputSubLayer], slot.shpSubLayer[kShpInputSubLayer],
                       mode, attributesOnly);
  const std::size_t last = fixed::trimLen(shapeKinds);
  // Every sub-layer's files are checked before the first of them is emptied.
  std::vector<std::string> names;
  for (std::size_t i = 0; i < last; ++i)
    for (const std::string& name : shapefileOutputNames(fname, std::string(1, shapeKinds[i]), attributesOnly))
      names.push_back(name);
  refuseFilesOfThisRun(names);
  for (std::size_t i = 0; i < last; ++i) {
    int shapeType = 0;
    const int k = shapeKindSubLayer(shapeKinds[i], shapeType);
    if (k == kNotAShapeKind) gisShouldNotBeHere("OpenshpFileType");
    slot.shpSubLayer[k].fileShapeType = shapeType;
    OpenshpFile(fname, std::string(1, shapeKinds[i]), slot.dbfSubLayer[k], slot.shpSubLayer[k], mode,
                attributesOnly);
    noteOutputFiles(shapefileOutputNames(fname, std::string(1, shapeKinds[i]), attributesOnly));
  }
  return true;
}

}  // namespace

GisRunFile gisRunFileReached(const std::string& name, const platform::FileIdentity& file) {
  if (const int unit = fuUnitOfFile(file)) return {fuName(unit), fuReadsOnly(unit)};
  for (const GisState::OutputFile& written : gGis.gisOutputFiles)
    // A layer file opened again under its own name is written again, not written over.
    if (written.identity.sameFile(file) && fuFullName(written.name) != fuFullName(name)) return {written.name, false};
  return {};
}

int gisFileType(const std::string& ext, bool attributesOnly) {
  const std::string e = fixed::trimmed(TRIMF(ext));
  if (e.empty() || e == ".mif" || e == ".mid") return kGisLayerMif;
  if (e == ".shp") return kGisLayerShapefile;
  if (attributesOnly && e == ".dbf") return kGisLayerShapefile;
  if (attributesOnly && e == ".csv") return kGisLayerCsvOpening;
  gisFail("ERROR 0252 - " + e + " is not a supported GIS file format.");
}

void OpenmifFile(const std::string& fname, int& mifUnit, int& midUnit, const std::string& mode, bool attributesOnly) {
  mifUnit = 0;
  midUnit = 0;
  for (;;) {
    std::string name = trimmedBoth(fname);
    std::string midName;
    bool checkApplies = false;
    if (attributesOnly) {
      midName = name;
      if (isOutput(mode)) refuseFilesOfThisRun({midName});
      OPENERBYNAME(midUnit, mode, midName, kGisTextNameLength);
      if (isOutput(mode)) noteOutputFiles({midName});
      checkApplies = fixed::trimmed(FILEEXT(name)) == ".mid";
    } else {
      const std::string ext = fixed::trimmed(FILEEXT(name));
      if (ext == ".mif" || ext == ".mid") name = FILENAMEPATH(name);
      if (isOutput(mode)) {
        refuseFilesOfThisRun({name + ".mif", name + ".mid"});
      }
      OPENERBYNAME(mifUnit, mode, name + ".mif", kGisTextNameLength);
      if (isInput(mode) && !fixed::isBlank(gGis.gisMiProjection)) checkMifCoordSys(mifUnit);
      midName = name + ".mid";
      OPENERBYNAME(midUnit, mode, midName, kGisTextNameLength);
      if (isOutput(mode)) noteOutputFiles({name + ".mif", midName});
      checkApplies = true;
    }
    if (!(isInput(mode) && gGis.gisCheckSaveDate && checkApplies)) return;
    const std::string companion = FILENAMEPATH(midName) + fixed::trimmed(TRIMF(gGis.gisCompanionExt));
    if (CHECKMISAVEDATE(midName, companion, mifUnit, midUnit, gGis.gisSaveDateIsError, gGis.gisLogUnit)) return;
    // A stale export: the check has closed the pair; open it again once the user has re-exported.
  }
}

std::string prjReadProjcs(std::string& line) {
  line = fixed::fit(UPPERCASE(line), line.size());
  const std::string key = "PROJCS[";
  const std::size_t at = line.find(key);
  if (at == std::string::npos) {
    gisSetMessage("WARNING 0420 - Could not find PROJCS definition.  Projection of .shp file might not be cartesian.");
    gisPrintMessage(0);
    return fixed::blanks(kTextLength);
  }
  // The first free-format item after the bracket: a quoted name, or a word up to a blank, comma or
  // slash. Nothing after the bracket leaves the name blank.
  const std::vector<FreeItem> items = freeFormatItems(line.substr(at + key.size()));
  if (items.empty() || !items[0].present) return fixed::blanks(kTextLength);
  return fixed::fit(items[0].text, kTextLength);
}

bool OpenshpFile(const std::string& fname, const std::string& suffix, DbfSubLayer& dbf, ShpSubLayer& shp,
                 const std::string& mode, bool attributesOnly) {
  // A set whose input sub-file is missing is left with no unit that a close would take for its own.
  shp.shpUnitLE = shp.shpUnitBE = shp.shxUnitLE = shp.shxUnitBE = 0;
  dbf.unit = 0;
  const std::string sfx = fixed::trimmed(TRIMF(suffix).substr(0, 8));
  const bool input = isInput(mode);
  if (!input && !isOutput(mode)) gisShouldNotBeHere("OpenshpFile");
  // The name says what is opened: a set by its .shp, a table alone by its .dbf.
  const std::string expected = attributesOnly ? ".dbf" : ".shp";
  if (fixed::trimmed(FILEEXT(fname)) != expected) gisFail("ERROR 0426 - " + expected + " file not specified.");
  // The .shp is opened once per byte order of its header words; an output set writes its index
  // and its projection as well.
  std::string mainName = trimmedBoth(fname);
  if (!attributesOnly) {
    if (input && !sfx.empty()) {
      mainName = FILENAMEPATH(mainName) + "_" + sfx + ".shp";
      if (!fuFileExists(mainName)) return false;
    } else if (!input) {
      if (sfx.empty()) gisShouldNotBeHere("OpenshpFileO");
      mainName = shapefileOutputNames(fname, sfx, false).front();
    }
    const std::string prjName = FILENAMEPATH(mainName) + ".prj";
    if (input && !fixed::isBlank(gGis.gisShpProjection) && fuFileExists(prjName)) checkPrjProjection(shp, prjName);
    if (input) {
      OPENERBYNAME(shp.shpUnitLE, "BI", mainName, kShapeNameLen);
      OPENERBYNAME(shp.shpUnitBE, "BE", mainName, kShapeNameLen);
    } else {
      // The first of the shared opens empties a file an earlier layer of the same name left.
      const std::string shxName = FILENAMEPATH(mainName) + ".shx";
      OPENERBYNAME(shp.shpUnitLE, "SB", mainName, kShapeNameLen);
      OPENERBYNAME(shp.shpUnitBE, "SE", mainName, kShapeNameLen);
      OPENERBYNAME(shp.shxUnitLE, "SB", shxName, kShapeNameLen);
      OPENERBYNAME(shp.shxUnitBE, "SE", shxName, kShapeNameLen);
      OPENERBYNAME(shp.prjUnit, "O ", prjName, kShapeNameLen);
    }
  }
  // The table takes the main file's name, so that each sub-file of a set has a table of its own.
  OPENERBYNAME(dbf.unit, input ? "BI" : "BO", FILENAMEPATH(mainName) + ".dbf", kShapeNameLen);
  return true;
}

int gisOpenLayer(const std::string& fname, const std::string& shapeKinds, const std::string& mode,
                 bool attributesOnly) {
  // The handle is announced before any file is opened, so that an input layer that then returns 0
  // has its line as well.
  gisLogLine("Opening GIS Layer: " + fixed::trimmed(fname));
  const int gisID = takeFreeSlot();
  gisLogLine("GIS Layer assigned ID of " + fixed::trimmed(AINTEGER(gisID)));
  // A slot used before starts from its reset state, whatever its last layer left in it.
  gisInitialiseLayer(gisID);
  GisLayerSlot& slot = gGis.layers[gisID];
  slot.gisLayerType = gisFileType(FILEEXT(fname), attributesOnly);
  if (isInput(mode)) {
    slot.gisWrite = false;
    // Input layers are entered in the register before their files are opened.
    registerInputLayer(gisID, fname);
  } else if (isOutput(mode)) {
    slot.gisWrite = true;
    // From now on a fatal error still leaves the run's output layers patched and readable.
    gRunFlags.fuCompleteBeforeExit = gisCompleteOutputLayers;
  } else {
    gisShouldNotBeHere("OpenGIS");
  }
  if (slot.gisLayerType == kGisLayerMif) {
    OpenmifFile(fname, slot.mifLayer.mifUnit, slot.mifLayer.midUnit, mode, attributesOnly);
  } else if (slot.gisLayerType == kGisLayerShapefile) {
    if (!openShapefileLayer(slot, fname, shapeKinds, mode, attributesOnly)) {
      // A missing input sub-file: the slot stays free.
      slot.gisLayerType = kGisLayerFree;
      return 0;
    }
  } else {
    // A .csv table is from now on the attribute file of a MIF/MID layer without a .mif.
    slot.mifLayer.mifUnit = 0;
    if (isOutput(mode)) refuseFilesOfThisRun({trimmedBoth(fname)});
    OPENERBYNAME(slot.mifLayer.midUnit, mode, trimmedBoth(fname), kGisTextNameLength);
    if (isOutput(mode)) noteOutputFiles({trimmedBoth(fname)});
    slot.gisLayerType = kGisLayerMif;
  }
  // Only a layer whose files are open takes the slot; until here it stays free.
  slot.gisInUse = true;
  slot.gisEndOfData = false;
  slot.gisFileName = fixed::fit(trimmedBoth(fname), kTextLength);
  return gisID;
}
