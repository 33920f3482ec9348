// The "onMetaData" tag at the start of every FLV file: track texts, the
// creation time and five numbers known only at the end, patched in place.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "analysis/mp3entry.h"
#include "flv/flv_stream.h"

namespace brelvano {

inline constexpr uint32_t kFlvMetadataEntryCount = 15;
// "metadatacreator": the program and its version.
inline constexpr const char* kFlvMetadataCreator = "Brelvano 1.6";

// Bits of the stop flags.
enum : uint8_t { kFlvStopAtBeginning = 1, kFlvStopAtEnd = 2 };

struct FlvMetadata {
  std::time_t created = 0;  // the start of the conversion
  double duration = 0;      // seconds, as first written
  const _Id3* id3 = nullptr;
  uint8_t stopFlags = 0;
};

// File offsets of the Numbers patched when the audio is written.
struct FlvMetadataPatches {
  uint32_t duration = 0;
  uint32_t lastTimestamp = 0;
  uint32_t audioDataRate = 0;
  uint32_t fileSize = 0;
  uint32_t audioSize = 0;
  uint32_t dataSize = 0;
};

// The local time in the layout of asctime: "Fri Feb 23 09:05:00 2007\n".
std::string FlvCreationDate(const std::tm& local);

// Writes the script tag (timestamp 0) and fills positions; returns the tag's data size.
uint32_t FlvWriteMetadataTag(FlvStream& out, const FlvMetadata& metadata,
                             FlvMetadataPatches& positions);

}  // namespace brelvano
