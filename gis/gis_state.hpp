#pragma once
// The GIS layer library's process-wide state: the layer table of 100 slots, the object header
// that callers own, and the library buffers through which callers hand data to the writers.
// Arrays are indexed from 1, as the handles and counts that address them are.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_identity.hpp"
#include "utility/fixed_text.hpp"
#include "utility/zero_array.hpp"

inline constexpr int kGisMaxLayers = 100;
inline constexpr int kGisMaxVertices = 100000;
inline constexpr int kGisMaxParts = 10000;
inline constexpr int kDbfMaxFields = 128;
inline constexpr int kMifMaxAttributes = 256;
inline constexpr int kGisRegisterSize = 1000;  // input layers the register can name
// The declared lengths of an attribute's name and type (the type with its width, as in Char(20)),
// and of an object's type name.
inline constexpr std::size_t kGisAttributeNameLength = 32;
inline constexpr std::size_t kGisAttributeTypeLength = 24;
inline constexpr std::size_t kGisTypeNameLength = 24;

// What a slot of the layer table holds (its gisLayerType): the readers and writers of each kind
// test for it by these names.
inline constexpr int kGisLayerFree = 0;
inline constexpr int kGisLayerMif = 1;         // a MIF/MID pair, or a .csv table once it is open
inline constexpr int kGisLayerShapefile = 2;   // a shapefile set, or a .dbf table opened alone
inline constexpr int kGisLayerCsvOpening = -1;  // a .csv table while it is being opened

// The shapefile sub-layers of a slot (its shpSubLayer and dbfSubLayer records), one per kind of
// geometry an output layer splits into. An input shapefile set is read through the first,
// whatever shapes it holds.
inline constexpr int kShpSubLayerPoints = 1;
inline constexpr int kShpSubLayerLines = 2;
inline constexpr int kShpSubLayerRegions = 3;
inline constexpr int kShpSubLayers = 3;
inline constexpr int kShpInputSubLayer = kShpSubLayerPoints;

// One shapefile sub-layer.
struct ShpSubLayer {
  int shpUnitLE = 0;   // above 0: the sub-layer is active
  int shpUnitBE = 0;
  int shxUnitLE = 0;
  int shxUnitBE = 0;
  int prjUnit = 0;
  int fileCode = 0;
  int fileLength = 0;  // 16-bit words
  int version = 0;
  int fileShapeType = 0;
  int recordShapeType = 0;
  int records = 0;     // records written; the number of the last record
  int nextOffset = 0;  // 16-bit words
  double xmin = 0.0, ymin = 0.0, xmax = -1.0, ymax = -1.0;
  bool headerWritten = false;  // the close-time patch touches only sub-layers with a header
  // Reading side: the record whose header was read last, counted from the first record of the
  // file (0 before the first), and where its content starts and ends (bytes). Its shape is read
  // within it, and the next record starts at its end.
  std::int64_t readRecord = 0;
  std::uint64_t recordStart = 0;
  std::uint64_t recordEnd = 0;
  void reset() { *this = ShpSubLayer{}; }
  bool operator==(const ShpSubLayer&) const = default;
};

struct DbfSubLayer {
  int unit = 0;
  int headerRecordCount = 0;
  int records = 0;  // records read or written so far
  int nFields = 0;
  int recordLength = 0;  // without the deletion-flag byte
  std::array<int, kDbfMaxFields + 1> fieldLength{};
  std::array<int, kDbfMaxFields + 1> decimals{};
  std::array<std::string, kDbfMaxFields + 1> fieldName;  // text of 11
  std::array<std::string, kDbfMaxFields + 1> fieldType;  // text of 1
  // Per field, the kinds of value warning already given for this table (written once each).
  std::array<unsigned char, kDbfMaxFields + 1> valueWarnings{};
  // Reading side: the deletion flag of the next record, when it was read ahead of the record (to
  // find whether the shape that goes with it is passed over).
  char flagAhead = ' ';
  bool hasFlagAhead = false;
  DbfSubLayer() { reset(); }
  void reset();
  bool operator==(const DbfSubLayer&) const = default;
};

struct MifLayer {
  std::string line = std::string(kTextLength, ' ');  // current-line buffer of the reading side
  std::string rest = std::string(kTextLength, ' ');  // text after the last object keyword (reading side)
  // The object keyword line that the look-ahead after a region found and left to be read again,
  // its text in line: where it starts and ends in the .mif, which keyword it holds (its place in
  // the reading side's table) and where (1-based). Taken while the .mif stands at its start.
  struct HeldLine {
    bool held = false;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::size_t keyword = 0;
    std::size_t position = 0;
    bool operator==(const HeldLine&) const = default;
  };
  HeldLine heldLine;
  int mifUnit = 0;
  int midUnit = 0;  // for a .csv table: the .csv unit
  std::array<std::string, 3> mifStyleLines{std::string(), std::string(256, ' '), std::string(256, ' ')};
  int nAttributes = 0;
  int objectsWritten = 0;  // objects written to the .mif so far
  std::array<std::string, kMifMaxAttributes + 1> attributeName;  // text of kGisAttributeNameLength
  std::array<std::string, kMifMaxAttributes + 1> attributeType;  // text of kGisAttributeTypeLength
  // Writing side: which columns hold numbers, the kinds of value warning already given for each
  // column of this layer (written once each), and the .mid rows written so far.
  std::array<bool, kMifMaxAttributes + 1> numericColumn{};
  std::array<unsigned char, kMifMaxAttributes + 1> valueWarnings{};
  int rowsWritten = 0;
  MifLayer() { reset(); }
  void reset();
  bool operator==(const MifLayer&) const = default;
};

// One slot of the layer table.
struct GisLayerSlot {
  int gisLayerType = kGisLayerFree;
  std::string gisFileName = std::string(kTextLength, ' ');
  bool gisInUse = false;
  bool gisEndOfData = false;
  bool gisWrite = false;
  std::array<ShpSubLayer, kShpSubLayers + 1> shpSubLayer{};  // index 1..kShpSubLayers
  std::array<DbfSubLayer, kShpSubLayers + 1> dbfSubLayer{};  // the table of each sub-layer
  MifLayer mifLayer;
  bool operator==(const GisLayerSlot&) const = default;
};

// The layer table, slots 1..100. A slot is made, in its reset state, the first time its handle is
// used, so that a run pays only for the layers it opens; a slot never made is free and in its
// reset state. A made slot keeps its place for the run: opening a layer there again allocates
// nothing.
class GisLayerTable {
 public:
  GisLayerSlot& operator[](std::size_t gisID) {
    std::unique_ptr<GisLayerSlot>& slot = slots_[gisID];
    if (!slot) slot = std::make_unique<GisLayerSlot>();
    return *slot;
  }
  // The slot when it has been made; nullptr for one that has not (free and in its reset state).
  const GisLayerSlot* find(std::size_t gisID) const { return slots_[gisID].get(); }
  GisLayerSlot* find(std::size_t gisID) { return slots_[gisID].get(); }
  bool inUse(std::size_t gisID) const {
    const GisLayerSlot* slot = find(gisID);
    return slot != nullptr && slot->gisInUse;
  }
  // Every slot back to never made.
  void reset() {
    for (std::unique_ptr<GisLayerSlot>& slot : slots_) slot.reset();
  }
  bool operator==(const GisLayerTable& other) const;

 private:
  std::array<std::unique_ptr<GisLayerSlot>, kGisMaxLayers + 1> slots_;
};

// The header of one GIS object; coordinates travel in gisCoordBuffer.
struct GisObject {
  bool isNone = false, isPoint = false, isLine = false, isPline = false, isPlineMultiple = false;
  bool isRegion = false, isEllipse = false, isRect = false, isRoundRect = false, isArc = false;
  bool hasCenter = false, isText = false, isMultiPoint = false;
  bool isComplete = false;
  int nSections = 1;
  int nr = 1;
  std::array<int, kGisMaxParts + 1> ir{};  // index 1..10000
  std::string typeName = std::string(kGisTypeNameLength, ' ');
  bool operator==(const GisObject&) const = default;
};

// The kinds written as lines: a line, a polyline or a multiple polyline.
inline bool isLineOrPolyline(const GisObject& o) { return o.isLine || o.isPline || o.isPlineMultiple; }

struct GisCoordBuffer {
  int n = 0;
  ZeroArray<double> x{kGisMaxVertices + 1};  // index 1..100000
  ZeroArray<double> y{kGisMaxVertices + 1};
  void reset() {
    n = 0;
    x.clear();
    y.clear();
  }
  bool operator==(const GisCoordBuffer&) const = default;
};

struct GisAttributeDefs {
  int n = 0;
  std::array<int, kMifMaxAttributes + 1> width{};
  std::array<std::string, kMifMaxAttributes + 1> name;  // text of kGisAttributeNameLength
  std::array<std::string, kMifMaxAttributes + 1> type;  // text of kGisAttributeTypeLength
  int recordCount = 0;
  GisAttributeDefs() { reset(); }
  void reset();
  bool operator==(const GisAttributeDefs&) const = default;
};

struct GisState {
  GisLayerTable layers;  // index 1..100
  GisCoordBuffer gisCoordBuffer;
  std::string gisDataLine = std::string(kTextLength, ' ');
  std::string gisDataLineLarge = std::string(kLongTextLength, ' ');
  // A .mid row as midRow changed it; it holds nothing between rows and is kept only so that no row
  // allocates once it has grown.
  std::string gisMidRow;
  GisAttributeDefs gisAttributeDefs;
  std::string gisOutputCoordSys = std::string(kTextLength, ' ');
  std::string gisOutputPrj = std::string(kTextLength, ' ');
  std::array<std::string, 5> gisMessageLines;  // index 1..4, text of kTextLength
  int gisLogUnit = 0;
  std::string gisMiProjection = std::string(kTextLength, ' ');
  std::string gisShpProjection = std::string(kTextLength, ' ');
  bool gisProjectionCheckIsError = false;
  bool gisCheckSaveDate = false;
  bool gisSaveDateIsError = false;
  std::string gisCompanionExt = ".tab    ";
  int gisWorkspaceUnit = 0;
  int gisRegisterMifUnit = 0;
  int gisRegisterMidUnit = 0;
  int gisRegisterCount = 0;
  // Index 1..kGisRegisterSize (used below it), text of kTextLength; laid out blank by gisRegisterNamesReady, when a run
  // first registers an input layer.
  std::vector<std::string> gisRegisterNames;
  // Every file an output layer of this run has opened, open or closed since, by the name the layer
  // gave it and by what the file-unit manager knows it by: a later output that reaches one of them
  // under another name would empty it.
  struct OutputFile {
    std::string name;
    platform::FileIdentity identity;
    bool operator==(const OutputFile&) const = default;
  };
  std::vector<OutputFile> gisOutputFiles;
  GisState();
  void reset();  // the library's starting state: an empty table, blank buffers, no log
  bool operator==(const GisState&) const = default;

 private:
  GisState(GisLayerTable&& table, GisCoordBuffer&& vertices);
};
extern GisState gGis;

// The input-layer register's names, laid out blank on first use.
std::vector<std::string>& gisRegisterNamesReady();

void gisInitialiseObject(GisObject& gisO);
void gisInitialiseLayer(int gisID);
