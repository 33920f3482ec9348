// Spectrum analysis of Layer III frames: 32 smoothed subband levels.
#pragma once

#include <cstdint>

namespace brelvano {

inline constexpr int kSpectrumBands = 32;

// Rebuilds the constant tables; the subband limit (always 32) caps the
// subband counts. Leaves the decoder's running state (reservoir, overlap,
// levels) alone: that state lives for the whole process.
void SpectrumDecoderInit(int subbandLimit);

// Analyses one frame: header word (first byte in bits 31..24), the bytes
// after the 4 header bytes and their count. Returns the 32 levels (0.0 to
// 32.0, lowest band first; the same array every time) or null when the frame
// cannot be decoded.
const float* SpectrumDecodeFrame(uint32_t header, const uint8_t* payload, int32_t length);

}  // namespace brelvano
