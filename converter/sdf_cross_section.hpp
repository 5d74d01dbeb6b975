#pragma once
// The cross-section being read from the SDF file: its names, the flags of the blocks met since
// the last END: line and the arrays the block readers fill. Arrays are 1-based, as the counts
// that address them are; their places are fixed so no section allocates, and a run pays only for
// the points its sections hold.
#include <cstdint>
#include <string>
#include <vector>

#include "utility/fixed_text.hpp"
#include "utility/zero_array.hpp"

inline constexpr int kSdfMaxPoints = 100000;  // cut-line, n-value and surface points per section
inline constexpr int kSdfMaxLevees = 100;     // levee markers per section
inline constexpr std::size_t kSdfLeveeIdLength = 50;
// The elevation of a levee marker whose line gives none.
inline constexpr float kSdfNoLeveeHeight = 9999.0f;

struct SdfLeveeMarker {
  std::string id = std::string(kSdfLeveeIdLength, ' ');
  float fraction = 0.0f;    // position along the section as a fraction of its length
  float elevation = 0.0f;   // kSdfNoLeveeHeight when the line gives none
  bool hasElevation = false;  // the line gave one, which may itself be 9999
  bool operator==(const SdfLeveeMarker&) const = default;
};

struct SdfCrossSection {
  std::string streamId = std::string(kTextLength, ' ');
  std::string reachId = std::string(kTextLength, ' ');
  std::string stationText = std::string(kTextLength, ' ');
  std::int64_t startLine = 0;  // the line where the section began, for messages that name it

  bool hasCutLine = false;
  bool hasNValues = false;
  bool hasLevees = false;
  bool hasSurfaceLine = false;

  ZeroArray<double> cutX{kSdfMaxPoints + 1};
  ZeroArray<double> cutY{kSdfMaxPoints + 1};
  int cutCount = 0;

  ZeroArray<float> nValue{kSdfMaxPoints + 1};
  ZeroArray<float> nFraction{kSdfMaxPoints + 1};
  int nCount = 0;

  std::vector<SdfLeveeMarker> leveeMarkers = std::vector<SdfLeveeMarker>(kSdfMaxLevees + 1);
  int leveeCount = 0;

  ZeroArray<double> surfX{kSdfMaxPoints + 1};
  ZeroArray<double> surfY{kSdfMaxPoints + 1};
  ZeroArray<float> surfZ{kSdfMaxPoints + 1};
  int surfCount = 0;

  // After each END: line; the counts stay, each block reader clears its own when it starts.
  void clearFlags() { hasCutLine = hasNValues = hasLevees = hasSurfaceLine = false; }
  // The arrays keep their storage, zeroed where a run wrote it.
  void reset() {
    streamId.assign(kTextLength, ' ');
    reachId.assign(kTextLength, ' ');
    stationText.assign(kTextLength, ' ');
    startLine = 0;
    clearFlags();
    cutX.clear();
    cutY.clear();
    cutCount = 0;
    nValue.clear();
    nFraction.clear();
    nCount = 0;
    for (SdfLeveeMarker& m : leveeMarkers) m = SdfLeveeMarker{};
    leveeCount = 0;
    surfX.clear();
    surfY.clear();
    surfZ.clear();
    surfCount = 0;
  }
  bool operator==(const SdfCrossSection&) const = default;
};

extern SdfCrossSection gSdfSection;  // the cross-section being read (sdf_reading.cpp)
