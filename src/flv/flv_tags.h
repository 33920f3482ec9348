// FLV framing: the file header, tags with back-patched data sizes, audio tags.
#pragma once

#include <cstdint>

#include "flv/flv_stream.h"

namespace brelvano {

// The 9-byte header and the first previous-tag-size word (13 bytes).
void FlvWriteFileHeader(FlvStream& out);

// A tag's timestamp: the time in milliseconds truncated toward zero, low 24
// bits (negative or not-a-number times give 0).
uint32_t FlvTimestamp(double milliseconds);

// A tag whose data size is known only once its data is written.
struct FlvOpenTag {
  uint64_t sizeField = 0;  // offset of the 24-bit data size
  uint64_t dataStart = 0;  // offset of the first data byte
};
// Writes type, a zero data size, the timestamp, a zero extension and stream id.
FlvOpenTag FlvBeginTag(FlvStream& out, uint8_t type, double milliseconds);
// Patches the data size and writes the previous tag size; returns the data size.
uint32_t FlvEndTag(FlvStream& out, const FlvOpenTag& tag);

// The audio flags byte for MP3 at a frame's rate (Hz) and channel mode
// (stereo non-zero unless single channel).
uint8_t FlvAudioFlags(int32_t freq, int32_t stereo);

// One audio tag: flags byte, the 4 header bytes (first byte most significant),
// then the body. Data size bodyLength + 5.
void FlvWriteAudioTag(FlvStream& out, double milliseconds, uint8_t flags, uint32_t header,
                      const uint8_t* body, int32_t bodyLength);

}  // namespace brelvano
