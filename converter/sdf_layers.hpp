#pragma once
// The converter's six output layers: their file names, object kinds and attribute fields, and
// the two routines that open them. The converter's own object header lives here too: every
// object the converter writes goes through it.
#include <cstddef>
#include <string>

#include "gis/gis_state.hpp"

// Handles of the five cross-section layers, in the order the section processing takes them.
struct SdfSectionLayers {
  int surfacePoints = 0;
  int sectionLines = 0;
  int cutLines = 0;
  int leveePoints = 0;
  int endPoints = 0;
  bool operator==(const SdfSectionLayers&) const = default;
};

struct SdfLayerState {
  int streams = 0;
  SdfSectionLayers sections;
  GisObject gisObject;
  void reset() { *this = SdfLayerState{}; }
  bool operator==(const SdfLayerState&) const = default;
};
extern SdfLayerState gSdfLayers;

// Width of the section lines' Source field, which names the section's .csv profile.
inline constexpr std::size_t kSdfSourceLength = 50;

// ".mif" for MIF/MID output, else ".shp".
std::string sdfLayerExtension(bool mifOutput);
// The section layers' base: the input name up to the first "." of its file name, folder kept;
// blank when the file name holds no "." or starts with one.
std::string sdfBaseName(const std::string& inputName);
// base + suffix, with the prefix placed before the file name so that a base holding a folder
// still names a file in that folder ("data/river" gives "data/1d_xs_river...").
std::string sdfPrefixedName(const std::string& prefix, const std::string& base, const std::string& suffix);

// A text field of an attribute data line: between double quotes, without its trailing blanks, a
// double quote inside doubled, so that no quote or comma of an id can shift the fields after it.
std::string sdfTextField(const std::string& text);
// Writes one attribute record. Ids of several hundred characters, their quotes doubled, can make
// a record longer than the data line; such a record goes through the large data line whole, as a
// cut one would lose or break its last fields.
void sdfWriteRecord(int layer, GisObject& obj, const std::string& record);

void OpenSdfStreamLayer(const std::string& name, int& streamLayer);
void OpenSdfSectionLayers(const std::string& baseName, bool mifOutput, SdfSectionLayers& layers);
