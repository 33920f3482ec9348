// Spectrum levels carried to the player as script tags: only the bands whose
// whole part changed since the last tag of the file are written.
#pragma once

#include <array>
#include <cstdint>

#include "flv/flv_stream.h"
#include "spectrum/spectrum_decoder.h"

namespace brelvano {

// The levels last written into the FLV file being made.
class FlvSpectrumMemory {
 public:
  FlvSpectrumMemory() { Reset(); }
  // Forgets every band (-1 lies below any level), so the next tag holds all 32.
  void Reset() { levels_.fill(-1.0f); }
  float level(int band) const { return levels_[static_cast<size_t>(band)]; }
  void set(int band, float level) { levels_[static_cast<size_t>(band)] = level; }

 private:
  std::array<float, kSpectrumBands> levels_;
};

// The process-wide memory; each conversion resets it before its first frame.
FlvSpectrumMemory& flvSpectrumMemory();

// Writes an "onMetaData" script tag at the time (milliseconds) holding "s0"
// to "s31" for each band whose level, truncated to an integer, differs from
// the remembered one; each as the level rounded down to one decimal. Levels
// null resets the memory. Returns the tag's data size, 0 when nothing was written.
int32_t FlvWriteSpectrumTag(FlvStream& out, FlvSpectrumMemory& memory, const float* levels,
                            double milliseconds);
// The same with the process-wide memory.
int32_t FlvWriteSpectrumTag(FlvStream& out, const float* levels, double milliseconds);

}  // namespace brelvano
