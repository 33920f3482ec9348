// The filter bank's lane-generic arithmetic: the 18-point DCT-IV under the
// long-block IMDCT, its constants per lane type, and the layout of the
// overlap buffers. Written once for a lane type (double for one subband,
// GCC vectors of doubles for two or four neighbouring subbands); each lane
// goes through the same operations in the same order, and no target used
// here has fused multiply-add, so every lane type gives the same bits.
//
// Everything here has internal linkage: files built for other instruction
// sets (spectrum_values_avx.cpp) include it too, and no copy of theirs may
// stand in for the baseline one.
#pragma once

#include "spectrum/spectrum_tables.h"

namespace brelvano {
namespace {

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

// Long-block subbands, one per lane, through the filter bank: IMDCT, the
// window of windowType and the overlap-add. line(k) gives line k of every
// lane; previous(i) the overlap value i; out(i, value) takes time slot i and
// keep(i, value) the next granule's overlap value i. Each output is the same
// product and sum as windowing the IMDCT block first (x * w with x = -y is
// -(y * w), and p + -(q) is p - q).
template <typename T, typename Line, typename Previous, typename Out, typename Keep>
void WindowedLongSubbands(const SpectrumTables& tables, int windowType, Line line,
                          Previous previous, Out out, Keep keep) {
  const T* window = ImdctConstantsOf<T>(tables).windows[windowType];
  T x[18];
  for (int k = 0; k < 18; ++k) x[k] = line(k);
  T y[18];
  Dct4Of18(tables, x, y);
  for (int i = 0; i < 9; ++i) out(i, y[9 + i] * window[i] + previous(i));
  for (int i = 9; i < 18; ++i) out(i, previous(i) - y[26 - i] * window[i]);
  for (int i = 18; i < 27; ++i) keep(i - 18, -(y[26 - i] * window[i]));
  for (int i = 27; i < 36; ++i) keep(i - 18, -(y[i - 27] * window[i]));
}

}  // namespace
}  // namespace brelvano
