// Feeds frames through the spectrum decoder. The first byte picks the mode:
// with its top bit set the rest is an MP3 stream whose accepted frames are
// passed on (mutated real frames); otherwise the input is a sequence of
// synthetic frames, each a 3-byte header recipe followed by its payload.
#include <cstddef>
#include <cstdint>

#include "analysis/frame_header.h"
#include "spectrum/spectrum_decoder.h"

namespace {

using namespace brelvano;

uint32_t WordAt(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void Feed(uint32_t header, const uint8_t* payload, int32_t length) {
  const float* levels = SpectrumDecodeFrame(header, payload, length);
  if (levels == nullptr) return;
  for (int b = 0; b < 32; ++b) {
    // Levels stay within 0..32 whatever the input.
    if (!(levels[b] >= 0.0f && levels[b] <= 32.0f)) __builtin_trap();
  }
}

void StreamMode(const uint8_t* data, size_t size) {
  size_t at = 0;
  while (at + 4 <= size) {
    int32_t stereo = 0, freq = 0, bitrate = 0, body = 0;
    const uint32_t header = WordAt(data + at);
    if (DecodeFrameHeader(header, stereo, freq, bitrate, body) > 0 &&
        at + 4 + static_cast<size_t>(body) <= size) {
      Feed(header, data + at + 4, body);
      at += 4 + static_cast<size_t>(body);
    } else {
      ++at;
    }
  }
}

void SyntheticMode(const uint8_t* data, size_t size) {
  static constexpr uint32_t kVersions[3] = {3, 2, 0};  // MPEG-1, MPEG-2, MPEG 2.5
  size_t at = 0;
  while (at + 3 <= size) {
    const uint8_t a = data[at];
    const uint8_t b = data[at + 1];
    const uint8_t c = data[at + 2];
    at += 3;
    if (a == 0xFF) {  // now and then the callers' set-up between files
      SpectrumDecoderInit(1 + b % 32);
      continue;
    }
    // Layer III, rate index 0; the CRC bit, bit-rate index, padding, mode and
    // mode extension come from the recipe.
    const uint32_t crcBit = (a >> 2) & 1u;
    const uint32_t bitrateIndex = 1u + b % 14u;
    const uint32_t padding = (b >> 4) & 1u;
    const uint32_t modeBits = c & 0xF0u;
    const uint32_t header = 0xFFE00000u | (kVersions[a % 3] << 19) | (1u << 17) | (crcBit << 16) |
                            (bitrateIndex << 12) | (padding << 9) | modeBits;
    int32_t stereo = 0, freq = 0, bitrate = 0, body = 0;
    if (DecodeFrameHeader(header, stereo, freq, bitrate, body) <= 0) continue;
    // A short tail is passed as it is: a cut frame.
    const int32_t length =
        static_cast<int32_t>(size - at < static_cast<size_t>(body) ? size - at : body);
    Feed(header, data + at, length);
    at += static_cast<size_t>(length);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] & 0x80) {
    StreamMode(data + 1, size - 1);
  } else {
    SyntheticMode(data + 1, size - 1);
  }
  return 0;
}
