// Built with -mavx where the compiler targets x86: see wide_kernels.h. It uses
// nothing from the standard library, so that no out-of-line copy of a shared
// inline function built here can replace the baseline one.
#include "spectrum/wide_kernels.h"

#if defined(__AVX__)
#include <immintrin.h>

#include "spectrum/imdct_kernels.h"
#endif

namespace brelvano {

#if defined(__AVX__)

using namespace layer3;

extern const bool kWideKernelsBuilt = true;

namespace {

using Lanes4 = double __attribute__((vector_size(32)));

// Value i of subbands sb..sb + 3 in the overlap buffer: two pairs, 36 apart.
inline Lanes4 LoadOverlap(const double* at, int i) {
  const __m128d low = _mm_loadu_pd(at + kOverlapStride * i);
  const __m128d high = _mm_loadu_pd(at + 36 + kOverlapStride * i);
  return _mm256_insertf128_pd(_mm256_castpd128_pd256(low), high, 1);
}
inline void StoreOverlap(double* at, int i, Lanes4 value) {
  _mm_storeu_pd(at + kOverlapStride * i, _mm256_castpd256_pd128(value));
  _mm_storeu_pd(at + 36 + kOverlapStride * i, _mm256_extractf128_pd(value, 1));
}

}  // namespace

void LongSubbandQuad(const SpectrumTables& tables, const double* in, int windowType,
                     const double* previous, double* samples, double* next) {
  WindowedLongSubbands<Lanes4>(
      tables, windowType,
      [=](int k) {
        return Lanes4{in[k], in[18 + k], in[36 + k], in[54 + k]};
      },
      [=](int i) { return LoadOverlap(previous, i); },
      [=](int i, Lanes4 value) { _mm256_storeu_pd(samples + kSubbands * i, value); },
      [=](int i, Lanes4 value) { StoreOverlap(next, i, value); });
}

// The operations of UpdateLevels in spectrum_values.cpp, four lanes wide.
void UpdateLevelQuads(const SpectrumTables& tables, const SubbandSamples& samples, float* levels,
                      int bands) {
  const __m256d magnitudeMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
  const __m128 top = _mm_set1_ps(32.0f);
  const __m256d keep = _mm256_set1_pd(999.0);
  const __m256d thousand = _mm256_set1_pd(1000.0);
  for (int band = 0; band + 4 <= bands; band += 4) {
    const __m256d weight =
        _mm256_mul_pd(_mm256_set1_pd(32.0), _mm256_loadu_pd(&tables.subbandWeights[band]));
    __m128 level = _mm_loadu_ps(levels + band);
#pragma GCC unroll 6
    for (int t = 0; t < kSubbandLines; ++t) {
      const __m256d a =
          _mm256_mul_pd(_mm256_and_pd(_mm256_loadu_pd(&samples[t][band]), magnitudeMask), weight);
      const __m128 v = _mm_min_ps(_mm256_cvtpd_ps(a), top);
      const __m256d fallen = _mm256_div_pd(
          _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(level), keep), _mm256_cvtps_pd(v)), thousand);
      level = _mm_max_ps(v, _mm256_cvtpd_ps(fallen));
    }
    _mm_storeu_ps(levels + band, level);
  }
}

#else

extern const bool kWideKernelsBuilt = false;

void LongSubbandQuad(const SpectrumTables&, const double*, int, const double*, double*, double*) {}
void UpdateLevelQuads(const SpectrumTables&, const SubbandSamples&, float*, int) {}

#endif

}  // namespace brelvano
