// The spectrum levels as the movie variables s0..s31.
#pragma once

#include <array>

#include "swf/swf_buffer.h"

namespace brelvano {

// The levels last written into the movie being made, per band.
class SwfSpectrumMemory {
 public:
  static constexpr int kBands = 32;
  SwfSpectrumMemory() { Reset(); }
  // -1.0 truncates to no level the decoder produces, so the first tag after
  // a reset sets all bands.
  void Reset() { levels_.fill(-1.0f); }
  float& operator[](int band) { return levels_[static_cast<size_t>(band)]; }

 private:
  std::array<float, kBands> levels_;
};

// The process-wide memory; each conversion resets it before its first frame.
SwfSpectrumMemory& swfSpectrumMemory();

// levels null: forget what was sent (the next tag sets all 32 variables).
// Otherwise appends one DoAction tag setting the bands whose integer part
// changed since they were last written.
void SwfWriteSpectrum(SwfBuffer& movie, SwfSpectrumMemory& memory, const float* levels);
// The same with the process-wide memory.
void SwfWriteSpectrum(SwfBuffer& movie, const float* levels);

}  // namespace brelvano
