#include "spectrum/spectrum_values.h"

#include <algorithm>
#include <cmath>

#include "spectrum/spectrum_tables.h"

namespace brelvano {

using namespace layer3;

namespace {
constexpr int kWeightedBands = 18;  // subbandWeights is 0 from subband 18 up
}  // namespace

void ImdctLong(const double* in, double* out) {
  const auto& c = SpectrumTablesReady().imdctLong;
  for (int r = 0; r < 9; ++r) {
    double a = 0.0;
    double b = 0.0;
    for (int k = 0; k < 18; ++k) {
      a += in[k] * c[r][k];
      b += in[k] * c[r + 9][k];
    }
    // x[17 - i] = -x[i] for i < 9; x[35 - j] = x[18 + j] for j < 9.
    out[r] = a;
    out[17 - r] = -a;
    out[18 + r] = b;
    out[35 - r] = b;
  }
}

void ImdctShortWindowed(const double* in, double* out) {
  const SpectrumTables& tables = SpectrumTablesReady();
  const auto& c = tables.imdctShort;
  const auto& window = tables.windows[2];
  std::fill(out, out + 36, 0.0);
  for (int w = 0; w < 3; ++w) {
    double x[12];
    for (int r = 0; r < 3; ++r) {
      double a = 0.0;
      double b = 0.0;
      for (int k = 0; k < 6; ++k) {
        const double v = in[3 * k + w];
        a += v * c[r][k];
        b += v * c[r + 3][k];
      }
      // x[5 - i] = -x[i] for i < 3; x[17 - i] = x[i] for 6 <= i < 9.
      x[r] = a;
      x[5 - r] = -a;
      x[6 + r] = b;
      x[11 - r] = b;
    }
    double* block = out + 6 + 6 * w;
    for (int i = 0; i < 12; ++i) block[i] += x[i] * window[i];
  }
}

void SpectrumValues::GranuleSpectrumUpdate(double* lines, int blockType, int mixedBlockFlag, int activeSubbands) {
  const SpectrumTables& tables = SpectrumTablesReady();
  const int active = std::clamp(activeSubbands, 1, kSubbands);
  const int type = blockType & 3;

  // Alias reduction between neighbouring long-block subbands.
  const int boundaries = type == 2 ? (mixedBlockFlag ? 1 : 0) : active - 1;
  for (int b = 1; b <= boundaries; ++b) {
    double* upper = lines + 18 * b;  // line i of subband b
    double* lower = upper - 1;       // line 17 - i of subband b - 1 is lower[-i]
    for (int i = 0; i < 8; ++i) {
      const double u = lower[-i];
      const double d = upper[i];
      lower[-i] = u * tables.aliasCs[i] - d * tables.aliasCa[i];
      upper[i] = d * tables.aliasCs[i] + u * tables.aliasCa[i];
    }
  }

  // Hybrid filter bank: IMDCT, window, overlap-add with the previous granule.
  const double* previous = overlap_[selector_];
  double* next = overlap_[selector_ ^ 1];
  selector_ ^= 1;
  int transformed = 0;
  auto transform = [&](int sb, bool longBlock, int windowType) {
    double block[36];
    const double* in = lines + 18 * sb;
    if (longBlock) {
      ImdctLong(in, block);
      const auto& window = tables.windows[windowType];
      for (int i = 0; i < 36; ++i) block[i] *= window[i];
    } else {
      ImdctShortWindowed(in, block);
    }
    for (int t = 0; t < 18; ++t) {
      samples_[t][sb] = block[t] + previous[18 * sb + t];
      next[18 * sb + t] = block[18 + t];
    }
  };
  int sb = 0;
  if (mixedBlockFlag) {
    transform(0, true, 0);
    transform(1, true, 0);
    sb = 2;
  }
  for (; sb < active; sb += 2) {
    transform(sb, type != 2, type);
    if (sb + 1 < kSubbands) transform(sb + 1, type != 2, type);
  }
  transformed = std::min(sb, kSubbands);
  for (int rest = transformed; rest < kSubbands; ++rest) {
    for (int t = 0; t < 18; ++t) {
      samples_[t][rest] = previous[18 * rest + t];
      next[18 * rest + t] = 0.0;
    }
  }

  // Levels: immediate rise, slow fall (a thousandth of the distance per slot).
  // Bands whose weight is 0 only ever see v = 0: they stay at 0.0.
  for (int t = 0; t < kSubbandLines; ++t) {
    for (int band = 0; band < kWeightedBands; ++band) {
      const float a = static_cast<float>(std::fabs(samples_[t][band]) * 32.0 * tables.subbandWeights[band]);
      const float v = std::min(32.0f, a);
      float& level = levels_[band];
      level = v > level ? v : static_cast<float>((static_cast<double>(level) * 999.0 + v) / 1000.0);
    }
  }
}

}  // namespace brelvano
