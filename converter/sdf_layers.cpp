#include "converter/sdf_layers.hpp"

#include <initializer_list>

#include "gis/gis_layers.hpp"
#include "platform/process_state.hpp"
#include "utility/fixed_text.hpp"
#include "utility/text.hpp"

SdfLayerState gSdfLayers;
namespace {
const bool kEnrolled = processstate::enrol("gSdfLayers", [] { gSdfLayers.reset(); });

struct FieldDef {
  const char* name;
  const char* type;
  int width;  // 0 for Float: the writer chooses the number layout
};

// The fields that name a reach and a cross-section, first in every layer that has them.
constexpr FieldDef kStreamId{"Stream_ID", "Char", 100};
constexpr FieldDef kReachId{"Reach_ID", "Char", 100};
constexpr FieldDef kStation{"Station", "Char", 100};

void defineFields(std::initializer_list<FieldDef> fields) {
  GisAttributeDefs& defs = gGis.gisAttributeDefs;
  defs.n = 0;
  for (const FieldDef& f : fields) {
    ++defs.n;
    defs.name[defs.n] = fixed::fit(f.name, kGisAttributeNameLength);
    defs.type[defs.n] = fixed::fit(f.type, kGisAttributeTypeLength);
    defs.width[defs.n] = f.width;
  }
  defs.recordCount = 0;
}

int openOutputLayer(const std::string& fileName, const std::string& kind) {
  const int id = gisOpenLayer(fixed::fit(fileName, kTextLength), kind, "O ", false);
  gisWriteHeader(id);
  gisInitialiseObject(gSdfLayers.gisObject);
  return id;
}

}  // namespace

std::string sdfLayerExtension(bool mifOutput) { return mifOutput ? ".mif" : ".shp"; }

std::string sdfBaseName(const std::string& inputName) {
  const std::string name = fixed::trimmed(inputName);
  const std::size_t sep = name.find_last_of("/\\");
  const std::size_t fileStart = (sep == std::string::npos) ? 0 : sep + 1;
  const std::string folder = name.substr(0, fileStart);
  const std::size_t dot = name.find('.', fileStart);
  if (dot == std::string::npos || dot == fileStart) return folder;
  return name.substr(0, dot);
}

std::string sdfPrefixedName(const std::string& prefix, const std::string& base, const std::string& suffix) {
  const std::string b = fixed::trimmed(base);
  const std::size_t sep = b.find_last_of("/\\");
  const std::size_t fileStart = (sep == std::string::npos) ? 0 : sep + 1;
  return b.substr(0, fileStart) + prefix + b.substr(fileStart) + suffix;
}

std::string sdfTextField(const std::string& text) {
  const std::size_t length = fixed::trimLen(text);
  std::string field;
  field.reserve(length + 2);
  appendQuotedField(field, std::string_view(text).substr(0, length));
  return field;
}

void sdfWriteRecord(int layer, GisObject& obj, const std::string& record) {
  // The line buffers keep their storage: a record per point allocates nothing.
  if (record.size() <= gGis.gisDataLine.size()) {
    fixed::assign(gGis.gisDataLine, record);
    gisWriteRecord(layer, obj);
  } else {
    fixed::assign(gGis.gisDataLineLarge, record);
    gisWriteRecordLarge(layer, obj);
  }
}

void OpenSdfStreamLayer(const std::string& name, int& streamLayer) {
  defineFields({kStreamId, kReachId});
  streamLayer = openOutputLayer(name, "L");
}

void OpenSdfSectionLayers(const std::string& baseName, bool mifOutput, SdfSectionLayers& layers) {
  const std::string ext = sdfLayerExtension(mifOutput);

  defineFields({kStreamId, kReachId, kStation, {"Elevation", "Float", 0}, {"Mannings", "Float", 0}});
  layers.surfacePoints = openOutputLayer(sdfPrefixedName("", baseName, "_surf_pts" + ext), "P");

  defineFields({{"Z", "Float", 0}, {"dZ", "Float", 0}, {"Shape_Width_or_dMax", "Float", 0},
                {"Shape_Options", "Char", 20}});
  layers.endPoints = openOutputLayer(sdfPrefixedName("2d_zsh_", baseName, "_end_pts" + ext), "P");

  defineFields({{"Source", "Char", static_cast<int>(kSdfSourceLength)},
                {"Type", "Char", 2},
                {"Flags", "Char", 8},
                {"Column_1", "Char", 20},
                {"Column_2", "Char", 20},
                {"Column_3", "Char", 20},
                {"Column_4", "Char", 20},
                {"Column_5", "Char", 20},
                {"Column_6", "Char", 20},
                {"Z_Increment", "Float", 0},
                {"Z_Maximum", "Float", 0},
                {"Skew", "Float", 0},
                {"Comments", "Char", 200}});
  layers.sectionLines = openOutputLayer(sdfPrefixedName("1d_xs_", baseName, "_surf_line" + ext), "L");

  defineFields({kStreamId, kReachId, kStation});
  layers.cutLines = openOutputLayer(sdfPrefixedName("", baseName, "_cut_line" + ext), "L");

  defineFields({kStreamId, kReachId, kStation, {"Elevation", "Float", 0}, {"Levee_ID", "Char", 100}});
  layers.leveePoints = openOutputLayer(sdfPrefixedName("", baseName, "_levee_pts" + ext), "P");
}
