// The project's publishing settings and, during one operation, its tracks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/mp3entry.h"

namespace brelvano {

// publishFlags bits; bits 8..31 carry no meaning and are kept as they are.
enum : uint32_t {
  kPublishGenerateHTML = 1u << 0,
  kPublishSpectrum = 1u << 1,
  kPublishTruncate = 1u << 2,
  kPublishShuffle = 1u << 3,
  kPublishAutostart = 1u << 4,
  kPublishPlayall = 1u << 5,
  kPublishLoop = 1u << 6,
  kPublishUseTemplate = 1u << 7,
};
inline constexpr uint32_t kDefaultPublishFlags = 115;  // HTML, spectrum, autostart, playall, loop
inline constexpr int32_t kDefaultFps = 30;

// Program constants.
inline constexpr const char* kBrelvanoVersion = "1.6";
inline constexpr const char* kBrelvanoBuildDate = "2007.02.23";
inline constexpr const char* kProjectFileVersion = "1.0";
inline constexpr const char* kProjectFileType = "brv";
inline constexpr const char* kUntitledProjectName = "NoTitle.brv";

struct ProjectRecord {
  uint32_t publishFlags = 0;
  int32_t fps = 0;      // frame rate of the SWF movies
  int32_t maxTime = 0;  // truncation length in seconds; 0 when truncation is off
  std::string player;   // player movie name, without ".swf"
  std::string destDir;  // destination folder, UTF-8
  // The tracks one operation works on. They point into the track list, or
  // into ownedEntries when the project-file reader made them.
  std::vector<_mp3entry*> entries;
  // Track records made by the project-file reader; entries points into them.
  // Whoever takes the tracks over (copies them into a track list) clears both.
  std::vector<std::shared_ptr<_mp3entry>> ownedEntries;
  int32_t defaultFormat = 0;  // format of tracks whose format is 0: 0 SWF, 1 FLV

  int32_t nbEntries() const { return static_cast<int32_t>(entries.size()); }
};

}  // namespace brelvano
