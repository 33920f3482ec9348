#include "spectrum/spectrum_values.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "spectrum/imdct_kernels.h"
#include "spectrum/spectrum_tables.h"
#include "spectrum/wide_kernels.h"

namespace brelvano {

using namespace layer3;

namespace {

// Two neighbouring subbands in one SSE2 register (see imdct_kernels.h).
using Lanes2 = double __attribute__((vector_size(16)));

inline Lanes2 LoadLanes(const double* from) {
  Lanes2 value;
  std::memcpy(&value, from, sizeof value);
  return value;
}
inline void StoreLanes(double* to, Lanes2 value) { std::memcpy(to, &value, sizeof value); }

void ImdctLong(const SpectrumTables& tables, const double* in, double* out) {
  double y[18];
  Dct4Of18(tables, in, y);
  // x[i] = y[9 + i] for i < 9, -y[26 - i] for 9 <= i < 27 and -y[i - 27] from 27 on.
  for (int i = 0; i < 9; ++i) {
    out[i] = y[9 + i];
    out[27 + i] = -y[i];
  }
  for (int i = 9; i < 27; ++i) out[i] = -y[26 - i];
}

// One long-block subband through the filter bank: samples receives time
// slot i at samples[32 i], previous and next are its overlap values.
void LongSubband(const SpectrumTables& tables, const double* in, int windowType,
                 const double* previous, double* samples, double* next) {
  WindowedLongSubbands<double>(
      tables, windowType, [=](int k) { return in[k]; },
      [=](int i) { return previous[kOverlapStride * i]; },
      [=](int i, double value) { samples[kSubbands * i] = value; },
      [=](int i, double value) { next[kOverlapStride * i] = value; });
}

// Two neighbouring long-block subbands sb, sb + 1 (in: their 36 lines) with
// the same window: samples points at subband sb of time slot 0, previous and
// next at subband sb's 18 overlap values.
void LongSubbandPair(const SpectrumTables& tables, const double* in, int windowType,
                     const double* previous, double* samples, double* next) {
  WindowedLongSubbands<Lanes2>(
      tables, windowType,
      [=](int k) {
        return Lanes2{in[k], in[18 + k]};
      },
      [=](int i) { return LoadLanes(previous + kOverlapStride * i); },
      [=](int i, Lanes2 value) { StoreLanes(samples + kSubbands * i, value); },
      [=](int i, Lanes2 value) { StoreLanes(next + kOverlapStride * i, value); });
}

void ImdctShortWindowed(const SpectrumTables& tables, const double* in, double* out) {
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

// Levels: immediate rise, slow fall (a thousandth of the distance per time
// slot). Only the weighted subbands move; the others stay at 0.0.
//
// The rise-or-fall choice is the larger of v and the fallen level: when v is
// above the level, (level * 999 + v) / 1000 rounds to at most v, else to at
// least v (1000 v is exact in double and rounding is monotonic). All values
// are non-negative and finite, so min / max give what the comparisons would.
// 32 * weight is exact (times a power of two), so |s| * (32 w) is |s| * 32 * w.
#if defined(__SSE2__)
// Two subbands per register: the same double and single operations, lane by
// lane, as the scalar form below, so the levels are bit for bit the same.
void UpdateLevels(const SpectrumTables& tables, const SubbandSamples& samples, float* levels,
                  int from) {
  const __m128d magnitudeMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
  const __m128 top = _mm_set1_ps(32.0f);
  const __m128d keep = _mm_set1_pd(999.0);
  const __m128d thousand = _mm_set1_pd(1000.0);
  static_assert(kWeightedSubbands % 2 == 0);
  for (int band = from; band < kWeightedSubbands; band += 2) {
    const __m128d weight =
        _mm_mul_pd(_mm_set1_pd(32.0), _mm_loadu_pd(&tables.subbandWeights[band]));
    // Two single-precision levels in the low half.
    __m128 level =
        _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(levels + band)));
#pragma GCC unroll 6
    for (int t = 0; t < kSubbandLines; ++t) {
      const __m128d a =
          _mm_mul_pd(_mm_and_pd(_mm_loadu_pd(&samples[t][band]), magnitudeMask), weight);
      const __m128 v = _mm_min_ps(_mm_cvtpd_ps(a), top);
      const __m128d fallen =
          _mm_div_pd(_mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(level), keep), _mm_cvtps_pd(v)), thousand);
      level = _mm_max_ps(v, _mm_cvtpd_ps(fallen));
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(levels + band), _mm_castps_si128(level));
  }
}
#else
void UpdateLevels(const SpectrumTables& tables, const SubbandSamples& samples, float* levels,
                  int from) {
  for (int band = from; band < kWeightedSubbands; ++band) {
    const double weight = 32.0 * tables.subbandWeights[band];
    float level = levels[band];
    for (int t = 0; t < kSubbandLines; ++t) {
      const float v = std::min(static_cast<float>(std::fabs(samples[t][band]) * weight), 32.0f);
      const float fallen = static_cast<float>(
          (static_cast<double>(level) * 999.0 + static_cast<double>(v)) / 1000.0);
      level = std::max(v, fallen);
    }
    levels[band] = level;
  }
}
#endif

}  // namespace

void ImdctLong(const double* in, double* out) { ImdctLong(SpectrumTablesReady(), in, out); }
void ImdctShortWindowed(const double* in, double* out) {
  ImdctShortWindowed(SpectrumTablesReady(), in, out);
}

void SpectrumValues::GranuleSpectrumUpdate(double* lines, int blockType, int mixedBlockFlag,
                                           int activeSubbands, int wantedSubbands) {
  const SpectrumTables& tables = SpectrumTablesReady();
  const int active = std::clamp(activeSubbands, 1, kSubbands);
  // Even, so that subbands go through in pairs (one more is harmless).
  const int wanted = std::clamp((wantedSubbands + 1) & ~1, kWeightedSubbands, kSubbands);
  const int type = blockType & 3;

  // Alias reduction between neighbouring long-block subbands. Boundary b
  // changes subbands b - 1 and b: those above `wanted` are not needed.
  const int boundaries = std::min(type == 2 ? (mixedBlockFlag ? 1 : 0) : active - 1, wanted);
  // Butterflies i and i + 1 go together: the lower inputs are neighbours,
  // the upper ones neighbours in reverse order.
  for (int b = 1; b <= boundaries; ++b) {
    double* upper = lines + 18 * b;  // line i of subband b
    double* lower = upper - 1;       // line 17 - i of subband b - 1 is lower[-i]
    for (int i = 0; i < 8; i += 2) {
      const Lanes2 cs = LoadLanes(&tables.aliasCs[i]);
      const Lanes2 ca = LoadLanes(&tables.aliasCa[i]);
      const Lanes2 reversedU = LoadLanes(lower - i - 1);
      const Lanes2 u{reversedU[1], reversedU[0]};
      const Lanes2 d = LoadLanes(upper + i);
      const Lanes2 newU = u * cs - d * ca;
      StoreLanes(lower - i - 1, Lanes2{newU[1], newU[0]});
      StoreLanes(upper + i, d * cs + u * ca);
    }
  }

  // Hybrid filter bank: IMDCT, window, overlap-add with the previous granule.
  const double* previous = overlap_[selector_];
  double* next = overlap_[selector_ ^ 1];
  selector_ ^= 1;
  auto transform = [&](int sb, bool longBlock, int windowType) {
    if (sb >= wanted) return;
    const double* in = lines + 18 * sb;
    if (longBlock) {
      LongSubband(tables, in, windowType, previous + OverlapIndex(sb, 0), &samples_[0][sb],
                  next + OverlapIndex(sb, 0));
      return;
    }
    double block[36];
    ImdctShortWindowed(tables, in, block);
    for (int t = 0; t < 18; ++t) {
      samples_[t][sb] = block[t] + previous[OverlapIndex(sb, t)];
      next[OverlapIndex(sb, t)] = block[18 + t];
    }
  };
  auto transformPair = [&](int sb, bool longBlock, int windowType) {
    if (longBlock && sb + 1 < wanted) {
      LongSubbandPair(tables, lines + 18 * sb, windowType, previous + OverlapIndex(sb, 0),
                      &samples_[0][sb], next + OverlapIndex(sb, 0));
      return;
    }
    transform(sb, longBlock, windowType);
    if (sb + 1 < kSubbands) transform(sb + 1, longBlock, windowType);
  };
  int sb = 0;
  if (mixedBlockFlag) {
    transformPair(0, true, 0);
    sb = 2;
  }
  const bool wide = WideKernelsInUse();
  if (wide && type != 2 && !mixedBlockFlag) {
    // Four subbands where the loop below would take two pairs of long blocks.
    for (; sb + 2 < active && sb + 3 < wanted; sb += 4) {
      LongSubbandQuad(tables, lines + 18 * sb, type, previous + OverlapIndex(sb, 0),
                      &samples_[0][sb], next + OverlapIndex(sb, 0));
    }
  }
  for (; sb < active; sb += 2) transformPair(sb, type != 2, type);
  const int transformed = std::min(sb, wanted);
  for (int rest = transformed; rest < wanted; ++rest) {
    for (int t = 0; t < 18; ++t) {
      samples_[t][rest] = previous[OverlapIndex(rest, t)];
      next[OverlapIndex(rest, t)] = 0.0;
    }
  }
  // The subbands from `wanted` (even) up hold one contiguous stretch.
  std::fill(next + OverlapIndex(std::max(wanted, transformed), 0), next + kGranuleLines, 0.0);

  constexpr int kQuadBands = kWeightedSubbands & ~3;
  if (wide) UpdateLevelQuads(tables, samples_, levels_, kQuadBands);
  UpdateLevels(tables, samples_, levels_, wide ? kQuadBands : 0);
}

namespace {
std::atomic<bool> wideKernelsAllowed{true};

bool ProcessorHasAvx() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx") != 0;
#else
  return false;
#endif
}
}  // namespace

bool WideKernelsInUse() {
  static const bool available = kWideKernelsBuilt && ProcessorHasAvx();
  return available && wideKernelsAllowed.load(std::memory_order_relaxed);
}

void SetWideKernelsAllowed(bool allowed) { wideKernelsAllowed.store(allowed); }

}  // namespace brelvano
