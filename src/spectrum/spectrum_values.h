// From the frequency lines of one granule to the 32 smoothed subband levels:
// alias reduction, the hybrid (IMDCT) filter bank with its overlap, and the
// level update.
#pragma once

#include "spectrum/layer3_tables.h"

namespace brelvano {

using SubbandSamples = double[layer3::kSubbandLines][layer3::kSubbands];  // [time slot][subband]

class SpectrumValues {
 public:
  // lines: 576 lines of the mixed channel, changed in place by the alias
  // reduction; activeSubbands: 1..32, the lines from subband activeSubbands
  // up are all zero.
  void GranuleSpectrumUpdate(double* lines, int blockType, int mixedBlockFlag, int activeSubbands);

  const float* levels() const { return levels_; }
  // The filter bank's output of the last granule (no frequency inversion).
  const SubbandSamples& subbandSamples() const { return samples_; }

 private:
  float levels_[layer3::kSubbands] = {};
  double overlap_[2][layer3::kGranuleLines] = {};
  int selector_ = 0;
  SubbandSamples samples_ = {};
};

// The 36-point IMDCT of the standard, x[i] = sum X[k] cos(pi/72 (2i + 19)(2k + 1)),
// computed from its symmetries; exposed for tests.
void ImdctLong(const double* in, double* out36);
// The three 12-point IMDCTs of a short-block subband (lines interleaved by
// window), windowed and overlapped at offsets 6, 12 and 18 of 36 samples.
void ImdctShortWindowed(const double* in, double* out36);

}  // namespace brelvano
