#pragma once
// The cross-section being read from the SDF file: its names, the flags of the blocks met since
// the last END: line and the arrays the block readers fill. Arrays are 1-based, as the counts
// that address them are; their places are fixed so no section allocates.
#include <string>
#include <vector>

inline constexpr int kSdfMaxPoints = 100000;  // cut-line, n-value and surface points per section
inline constexpr int kSdfMaxLevees = 100;     // levee markers per section
inline constexpr std::size_t kSdfLineLength = 1000;
inline constexpr std::size_t kSdfLeveeIdLength = 50;
// The elevation of a levee marker whose line gives none.
inline constexpr float kSdfNoLeveeHeight = 9999.0f;

struct SdfLeveeMarker {
  std::string id = std::string(kSdfLeveeIdLength, ' ');
  float fraction = 0.0f;    // position along the section as a fraction of its length
  float elevation = 0.0f;   // kSdfNoLeveeHeight when the line gives none
  bool hasElevation = false;  // the line gave one, which may itself be 9999
};

struct SdfCrossSection {
  std::string streamId = std::string(kSdfLineLength, ' ');
  std::string reachId = std::string(kSdfLineLength, ' ');
  std::string stationText = std::string(kSdfLineLength, ' ');

  bool hasCutLine = false;
  bool hasNValues = false;
  bool hasLevees = false;
  bool hasSurfaceLine = false;

  std::vector<double> cutX = std::vector<double>(kSdfMaxPoints + 1, 0.0);
  std::vector<double> cutY = std::vector<double>(kSdfMaxPoints + 1, 0.0);
  int cutCount = 0;

  std::vector<float> nValue = std::vector<float>(kSdfMaxPoints + 1, 0.0f);
  std::vector<float> nFraction = std::vector<float>(kSdfMaxPoints + 1, 0.0f);
  int nCount = 0;

  std::vector<SdfLeveeMarker> leveeMarkers = std::vector<SdfLeveeMarker>(kSdfMaxLevees + 1);
  int leveeCount = 0;

  std::vector<double> surfX = std::vector<double>(kSdfMaxPoints + 1, 0.0);
  std::vector<double> surfY = std::vector<double>(kSdfMaxPoints + 1, 0.0);
  std::vector<float> surfZ = std::vector<float>(kSdfMaxPoints + 1, 0.0f);
  int surfCount = 0;

  // After each END: line; the counts stay, each block reader clears its own when it starts.
  void clearFlags() { hasCutLine = hasNValues = hasLevees = hasSurfaceLine = false; }
  void reset() { *this = SdfCrossSection{}; }
};

extern SdfCrossSection gSdfSection;  // the cross-section being read (sdf_reading.cpp)
