#pragma once
// Section processing: one finished cross-section becomes its .csv profile and its objects in the
// five section layers, trimmed to its levee markers when it has them.
#include <string>
#include <vector>

#include "converter/sdf_cross_section.hpp"
#include "converter/sdf_layers.hpp"

// Work arrays of the section being processed, 1-based like the section's own arrays. They keep
// their places from one section to the next; every call overwrites what it uses.
struct SdfSectionWork {
  std::vector<char> trimMask = std::vector<char>(kSdfMaxPoints + 1, 0);  // 1: left out by the trim
  std::vector<float> sectionChainage = std::vector<float>(kSdfMaxPoints + 1, 0.0f);
  std::vector<float> nPosition = std::vector<float>(kSdfMaxPoints + 1, 0.0f);
  std::vector<float> leveePosition = std::vector<float>(kSdfMaxLevees + 1, 0.0f);
  std::vector<float> pointMannings = std::vector<float>(kSdfMaxPoints + 1, 0.0f);
  std::vector<double> leveeX = std::vector<double>(kSdfMaxLevees + 1, 0.0);
  std::vector<double> leveeY = std::vector<double>(kSdfMaxLevees + 1, 0.0);
  std::vector<float> leveeZ = std::vector<float>(kSdfMaxLevees + 1, 0.0f);  // the marker's elevation
  std::string csvName = std::string(kSdfLineLength, ' ');
  std::string row;  // the .csv row or record being built; its storage serves every point
  void reset() { *this = SdfSectionWork{}; }
};
extern SdfSectionWork gSdfWork;

void Process_sdf_Sections(const SdfCrossSection& xs, const SdfSectionLayers& layers);
