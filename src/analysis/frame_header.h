// MPEG audio frame header: field accessors and the decoder that decides which
// frames the Flash outputs can stream unchanged.
#pragma once

#include <cstdint>

namespace brelvano {

// The four header bytes as one value, the first byte in bits 31..24.
struct FrameHeader {
  uint32_t word = 0;

  constexpr uint32_t sync() const { return word >> 21; }  // 11 bits, all ones
  constexpr uint32_t versionId() const {
    return (word >> 19) & 3;
  }                                                                // 3 MPEG-1, 2 MPEG-2, 0 MPEG 2.5
  constexpr uint32_t layerId() const { return (word >> 17) & 3; }  // 1 Layer III, 2 II, 3 I
  constexpr bool hasCrc() const {
    return ((word >> 16) & 1) == 0;
  }  // protection bit 0: CRC follows
  constexpr uint32_t bitrateIndex() const { return (word >> 12) & 15; }
  constexpr uint32_t sampleRateIndex() const { return (word >> 10) & 3; }
  constexpr uint32_t padding() const { return (word >> 9) & 1; }
  constexpr uint32_t mode() const { return (word >> 6) & 3; }  // 3 single channel
  constexpr uint32_t modeExtension() const { return (word >> 4) & 3; }

  constexpr bool isMpeg1() const { return versionId() == 3; }
  constexpr bool isLsf() const { return !isMpeg1(); }  // MPEG-2 or MPEG 2.5
  constexpr bool isMpeg25() const { return versionId() == 0; }
  constexpr bool isLayer3() const { return layerId() == 1; }
  constexpr bool isMono() const { return mode() == 3; }
  constexpr int channels() const { return isMono() ? 1 : 2; }
};

// Results of DecodeFrameHeader besides the positive samples-per-frame count.
inline constexpr int32_t kFrameNotHeader = -1;    // the value is not a frame header
inline constexpr int32_t kFrameUnsupported = -2;  // a valid header of a frame we cannot stream

// Decodes one header. Returns the samples per frame (1152 or 576) for an
// MPEG-1/2/2.5 Layer III frame at 44100, 22050 or 11025 Hz, kFrameUnsupported
// for any other valid header (all outputs filled so the caller can skip the
// frame), kFrameNotHeader otherwise. Outputs are written as soon as each is
// known; bodyLength (the frame's bytes after its 4 header bytes) is 0 on entry.
int32_t DecodeFrameHeader(uint32_t header, int32_t& stereo, int32_t& freq, int32_t& bitrate,
                          int32_t& bodyLength);

}  // namespace brelvano
