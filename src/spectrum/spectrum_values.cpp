#include "spectrum/spectrum_values.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "spectrum/spectrum_tables.h"

namespace brelvano {

using namespace layer3;

namespace {

// The filter bank's arithmetic is written once for a lane type: double for
// one subband, Lanes2 for two neighbouring subbands in one SSE2 register.
// Each lane goes through the same operations in the same order (no fused
// multiply-add on the baseline target), so both give the same bits.
using Lanes2 = double __attribute__((vector_size(16)));

inline Lanes2 LoadLanes(const double* from) {
  Lanes2 value;
  std::memcpy(&value, from, sizeof value);
  return value;
}
inline void StoreLanes(double* to, Lanes2 value) { std::memcpy(to, &value, sizeof value); }

// The overlap buffers hold the subbands in pairs, lane by lane: value i of
// subband sb at OverlapIndex(sb, i), so that a pair of subbands loads and
// stores its 18 values as 18 two-lane vectors.
constexpr int kOverlapStride = 2;
constexpr int OverlapIndex(int sb, int i) { return 36 * (sb >> 1) + kOverlapStride * i + (sb & 1); }

template <typename T>
struct ComplexOf {
  T re;
  T im;
};
using Complex = ComplexOf<double>;

template <typename T>
inline ComplexOf<T> Times(ComplexOf<T> a, T bRe, T bIm) {
  return {a.re * bRe - a.im * bIm, a.re * bIm + a.im * bRe};
}

// The 3-point DFT with the positive exponent: out[p] = sum u[m] e^(2 pi i pm / 3).
template <typename T>
inline void Dft3(ComplexOf<T> u0, ComplexOf<T> u1, ComplexOf<T> u2, ComplexOf<T>& out0,
                 ComplexOf<T>& out1, ComplexOf<T>& out2) {
  constexpr double kHalfSqrt3 = 0.86602540378443864676;  // sin(2 pi / 3)
  const ComplexOf<T> s{u1.re + u2.re, u1.im + u2.im};
  const ComplexOf<T> d{u1.re - u2.re, u1.im - u2.im};
  const ComplexOf<T> t{u0.re - 0.5 * s.re, u0.im - 0.5 * s.im};
  out0 = {u0.re + s.re, u0.im + s.im};
  out1 = {t.re - kHalfSqrt3 * d.im, t.im + kHalfSqrt3 * d.re};
  out2 = {t.re + kHalfSqrt3 * d.im, t.im - kHalfSqrt3 * d.re};
}

// The IMDCT's twiddles and the windows for one lane type, copied from the
// tables into every lane once, so that the two-subband transform multiplies
// by them straight from memory.
template <typename T>
struct ImdctConstants {
  T preTwiddle[9][2];
  T dft9Twiddle[3][2];
  T postTwiddle[9][2];
  T windows[4][36];
};

template <typename T>
const ImdctConstants<T>& ImdctConstantsOf(const SpectrumTables& tables) {
  // The tables' filter-bank constants do not depend on the subband limit:
  // every rebuild gives the same values.
  static const ImdctConstants<T> constants = [&tables] {
    ImdctConstants<T> c;
    auto lanes = [](double value) { return T{} + value; };
    for (int m = 0; m < 9; ++m) {
      for (int k = 0; k < 2; ++k) {
        c.preTwiddle[m][k] = lanes(tables.imdctPreTwiddle[m][k]);
        c.postTwiddle[m][k] = lanes(tables.imdctPostTwiddle[m][k]);
      }
    }
    for (int e = 0; e < 3; ++e) {
      for (int k = 0; k < 2; ++k) c.dft9Twiddle[e][k] = lanes(tables.imdctDft9Twiddle[e][k]);
    }
    for (int type = 0; type < 4; ++type) {
      for (int i = 0; i < 36; ++i) c.windows[type][i] = lanes(tables.windows[type][i]);
    }
    return c;
  }();
  return constants;
}

// The 18-point DCT-IV y[n] = sum X[k] cos(pi/18 (n + 1/2)(k + 1/2)).
// With a[m] = X[2m] and b[m] = X[17 - 2m], Z[p] = sum (a[m] - i b[m]) e^(i pi/9 (2p + 1/2)(m +
// 1/4)) gives y[2p] = Re Z[p] and y[17 - 2p] = Im Z[p]; the sum is a 9-point DFT between a
// pre-twiddle e^(i pi m / 18) and a post-twiddle e^(i pi (4p + 1) / 72), the DFT taken as 3 x 3 (m
// = 3 m1 + m2, p = p1 + 3 p2).
template <typename T>
void Dct4Of18(const SpectrumTables& tables, const T* in, T* y) {
  const ImdctConstants<T>& k = ImdctConstantsOf<T>(tables);
  ComplexOf<T> c[9];
  for (int m = 0; m < 9; ++m) {
    const T a = in[2 * m];
    const T b = in[17 - 2 * m];
    const T wRe = k.preTwiddle[m][0];
    const T wIm = k.preTwiddle[m][1];
    c[m] = {a * wRe + b * wIm, a * wIm - b * wRe};
  }
  ComplexOf<T> e[3][3];  // [m2][p1]
  for (int m2 = 0; m2 < 3; ++m2) Dft3(c[m2], c[3 + m2], c[6 + m2], e[m2][0], e[m2][1], e[m2][2]);
  // Twiddles e^(2 pi i p1 m2 / 9): exponents 1, 2 (twice) and 4.
  const auto& w9 = k.dft9Twiddle;
  e[1][1] = Times(e[1][1], w9[0][0], w9[0][1]);
  e[1][2] = Times(e[1][2], w9[1][0], w9[1][1]);
  e[2][1] = Times(e[2][1], w9[1][0], w9[1][1]);
  e[2][2] = Times(e[2][2], w9[2][0], w9[2][1]);
  ComplexOf<T> d[9];
  for (int p1 = 0; p1 < 3; ++p1) Dft3(e[0][p1], e[1][p1], e[2][p1], d[p1], d[p1 + 3], d[p1 + 6]);
  for (int p = 0; p < 9; ++p) {
    const ComplexOf<T> z = Times(d[p], k.postTwiddle[p][0], k.postTwiddle[p][1]);
    y[2 * p] = z.re;
    y[17 - 2 * p] = z.im;
  }
}

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

// One long-block subband through the filter bank: IMDCT, window and
// overlap-add. samples receives output i at samples[32 i]; next the second half.
// Each output is the same product and sum as windowing the IMDCT block first
// (x * w with x = -y is -(y * w), and p + -(q) is p - q).
void LongSubband(const SpectrumTables& tables, const double* in, const double* window,
                 const double* previous, double* samples, double* next) {
  double y[18];
  Dct4Of18(tables, in, y);
  for (int i = 0; i < 9; ++i)
    samples[kSubbands * i] = y[9 + i] * window[i] + previous[kOverlapStride * i];
  for (int i = 9; i < 18; ++i)
    samples[kSubbands * i] = previous[kOverlapStride * i] - y[26 - i] * window[i];
  for (int i = 18; i < 27; ++i) next[kOverlapStride * (i - 18)] = -(y[26 - i] * window[i]);
  for (int i = 27; i < 36; ++i) next[kOverlapStride * (i - 18)] = -(y[i - 27] * window[i]);
}

// Two neighbouring long-block subbands sb, sb + 1 (in: their 36 lines) with
// the same window, as LongSubband does each: samples points at subband sb of
// time slot 0, previous and next at subband sb's 18 overlap values.
void LongSubbandPair(const SpectrumTables& tables, const double* in, int windowType,
                     const double* previous, double* samples, double* next) {
  const Lanes2* window = ImdctConstantsOf<Lanes2>(tables).windows[windowType];
  Lanes2 x[18];
  for (int k = 0; k < 18; ++k) x[k] = Lanes2{in[k], in[18 + k]};
  Lanes2 y[18];
  Dct4Of18(tables, x, y);
  auto out = [&](int i, Lanes2 value) { StoreLanes(samples + kSubbands * i, value); };
  auto before = [&](int i) { return LoadLanes(previous + kOverlapStride * i); };
  auto keep = [&](int i, Lanes2 value) { StoreLanes(next + kOverlapStride * i, value); };
  for (int i = 0; i < 9; ++i) out(i, y[9 + i] * window[i] + before(i));
  for (int i = 9; i < 18; ++i) out(i, before(i) - y[26 - i] * window[i]);
  for (int i = 18; i < 27; ++i) keep(i - 18, -(y[26 - i] * window[i]));
  for (int i = 27; i < 36; ++i) keep(i - 18, -(y[i - 27] * window[i]));
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
void UpdateLevels(const SpectrumTables& tables, const SubbandSamples& samples, float* levels) {
  const __m128d magnitudeMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
  const __m128 top = _mm_set1_ps(32.0f);
  const __m128d keep = _mm_set1_pd(999.0);
  const __m128d thousand = _mm_set1_pd(1000.0);
  static_assert(kWeightedSubbands % 2 == 0);
  for (int band = 0; band < kWeightedSubbands; band += 2) {
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
void UpdateLevels(const SpectrumTables& tables, const SubbandSamples& samples, float* levels) {
  for (int band = 0; band < kWeightedSubbands; ++band) {
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
      LongSubband(tables, in, tables.windows[windowType].data(), previous + OverlapIndex(sb, 0),
                  &samples_[0][sb], next + OverlapIndex(sb, 0));
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

  UpdateLevels(tables, samples_, levels_);
}

}  // namespace brelvano
