// Constant tables of the MPEG audio frame header.
#pragma once

#include <array>
#include <cstdint>

namespace brelvano::mpeg {

// Layer III bit rates in kbit/s by bit-rate index 0..15; index 0 (free format)
// and 15 (forbidden) are rejected before the lookup.
//   ISO/IEC 11172-3, 2.4.2.3 "bitrate_index", Layer III column (MPEG-1)
//   ISO/IEC 13818-3, 2.4.2.3, Layer III column (MPEG-2 and MPEG 2.5)
inline constexpr std::array<std::array<int32_t, 16>, 2> kLayer3Bitrates = {{
    /* MPEG-1   */ {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    /* MPEG-2/5 */ {{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
}};

// Sample rates in Hz by sampling_frequency index 0..2 (3 is reserved).
//   ISO/IEC 11172-3, 2.4.2.3 "sampling_frequency"; ISO/IEC 13818-3, 2.4.2.3;
//   MPEG 2.5 halves the MPEG-2 rates.
inline constexpr std::array<std::array<int32_t, 3>, 3> kSampleRates = {{
    /* MPEG-1   */ {{44100, 48000, 32000}},
    /* MPEG-2   */ {{22050, 24000, 16000}},
    /* MPEG 2.5 */ {{11025, 12000, 8000}},
}};

}  // namespace brelvano::mpeg
