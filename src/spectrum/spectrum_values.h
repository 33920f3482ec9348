// From the frequency lines of one granule to the 32 smoothed subband levels:
// alias reduction, the hybrid (IMDCT) filter bank with its overlap, and the
// level update.
#pragma once

#include "spectrum/layer3_tables.h"

namespace brelvano {

using SubbandSamples = double[layer3::kSubbandLines][layer3::kSubbands];  // [time slot][subband]

// Subbands 0..17 carry a level weight; the levels of the others stay 0.0.
inline constexpr int kWeightedSubbands = 18;

class SpectrumValues {
 public:
  // lines: 576 lines of the mixed channel, changed in place by the alias
  // reduction; activeSubbands: 1..32, the lines from subband activeSubbands
  // up are all zero. wantedSubbands (kWeightedSubbands..32): the subbands
  // whose samples are computed. The levels need only the weighted ones; with
  // fewer than 32 the others are not transformed (their samples are stale and
  // their overlap is cleared), and only the lines below subband
  // wantedSubbands plus the first 8 lines of that subband (the alias
  // butterflies at its lower boundary) are read.
  void GranuleSpectrumUpdate(double* lines, int blockType, int mixedBlockFlag, int activeSubbands,
                             int wantedSubbands = layer3::kSubbands);

  const float* levels() const { return levels_; }
  // The filter bank's output of the last granule (no frequency inversion).
  const SubbandSamples& subbandSamples() const { return samples_; }

 private:
  float levels_[layer3::kSubbands] = {};
  double overlap_[2][layer3::kGranuleLines] = {};
  int selector_ = 0;
  SubbandSamples samples_ = {};
};

// Whether the filter bank and the level update run four subbands at a time
// (a build with the AVX kernels on a processor that has AVX, unless turned
// off). Both ways give the same bits; tests turn it off to compare.
bool WideKernelsInUse();
void SetWideKernelsAllowed(bool allowed);

// The 36-point IMDCT of the standard, x[i] = sum X[k] cos(pi/72 (2i + 19)(2k + 1)),
// computed through an 18-point DCT-IV and a 9-point complex DFT; exposed for tests.
void ImdctLong(const double* in, double* out36);
// The three 12-point IMDCTs of a short-block subband (lines interleaved by
// window), windowed and overlapped at offsets 6, 12 and 18 of 36 samples.
void ImdctShortWindowed(const double* in, double* out36);

}  // namespace brelvano
