#pragma once
// Section processing: one finished cross-section becomes its .csv profile and its objects in the
// five section layers, trimmed to its levee markers when it has them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "converter/sdf_cross_section.hpp"
#include "converter/sdf_layers.hpp"

// Work arrays of the section being processed, 1-based like the section's own arrays. They keep
// their places from one section to the next; every call overwrites what it uses.
struct SdfSectionWork {
  ZeroArray<char> trimMask{kSdfMaxPoints + 1};  // 1: left out by the trim
  ZeroArray<float> sectionChainage{kSdfMaxPoints + 1};
  ZeroArray<float> nPosition{kSdfMaxPoints + 1};
  ZeroArray<int> nOrder{kSdfMaxPoints + 1};  // change points by position, where the block has them out of order
  std::vector<float> leveePosition = std::vector<float>(kSdfMaxLevees + 1, 0.0f);
  ZeroArray<float> pointMannings{kSdfMaxPoints + 1};
  std::vector<double> leveeX = std::vector<double>(kSdfMaxLevees + 1, 0.0);
  std::vector<double> leveeY = std::vector<double>(kSdfMaxLevees + 1, 0.0);
  std::vector<float> leveeZ = std::vector<float>(kSdfMaxLevees + 1, 0.0f);  // the marker's elevation
  std::string csvName = std::string(kTextLength, ' ');
  std::string row;  // the .csv row or record being built; its storage serves every point
  // Each profile written in this run, to tell one written twice, by the file as the host knows it
  // (two names the file system takes for one file are one profile): the line where the section
  // that wrote it last began, and where that section's words start in profileWords. Kept small,
  // as it grows by one entry a section.
  struct ProfileFile {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const ProfileFile&) const = default;
  };
  struct ProfileFileHash {
    std::size_t operator()(const ProfileFile& f) const noexcept {
      return static_cast<std::size_t>(f.inode ^ (f.device * 0x9E3779B97F4A7C15ull));
    }
  };
  struct WrittenProfile {
    std::int64_t line = 0;
    std::size_t wordsAt = 0;
    bool operator==(const WrittenProfile&) const = default;
  };
  std::unordered_map<ProfileFile, WrittenProfile, ProfileFileHash> writtenProfiles;
  std::string profileWords;  // "stream S, reach R, station T" of each section, each ended by '\n'
  // The point arrays keep their storage, zeroed where a run wrote it.
  void reset() {
    trimMask.clear();
    sectionChainage.clear();
    nPosition.clear();
    nOrder.clear();
    leveePosition.assign(kSdfMaxLevees + 1, 0.0f);
    pointMannings.clear();
    leveeX.assign(kSdfMaxLevees + 1, 0.0);
    leveeY.assign(kSdfMaxLevees + 1, 0.0);
    leveeZ.assign(kSdfMaxLevees + 1, 0.0f);
    csvName.assign(kTextLength, ' ');
    row.clear();
    writtenProfiles.clear();
    profileWords.clear();
  }
  bool operator==(const SdfSectionWork&) const = default;
};
extern SdfSectionWork gSdfWork;

void Process_sdf_Sections(const SdfCrossSection& xs, const SdfSectionLayers& layers);
