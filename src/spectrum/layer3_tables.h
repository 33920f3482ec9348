// Constant tables of Layer III decoding: scale-factor bands, scale-factor
// lengths, pre-emphasis and alias-reduction coefficients.
#pragma once

#include <array>
#include <cstdint>

namespace brelvano::layer3 {

inline constexpr int kGranuleLines = 576;
inline constexpr int kSubbands = 32;
inline constexpr int kSubbandLines = 18;
inline constexpr int kLongBands = 22;   // scale-factor bands of a long block
inline constexpr int kShortBands = 13;  // per window of a short block
inline constexpr int kScaleFactorSlots = 39;

// Band-table rows: one per version, each at its one accepted sampling rate.
enum BandRow : int { kRowMpeg1 = 0, kRowMpeg2 = 1, kRowMpeg25 = 2, kBandRowCount = 3 };

struct BandLayout {
  std::array<int16_t, kLongBands + 1> longStart;    // lines 0..576
  std::array<int16_t, kShortBands + 1> shortStart;  // per window, lines 0..192
  int mixedLongBands;                               // long bands below line 36 in a mixed block
};

// Scale-factor band starts.
//   ISO/IEC 11172-3, Table B.8 "Layer III scalefactor bands", 44.1 kHz
//   ISO/IEC 13818-3, Table B.2, 22.05 kHz
//   MPEG 2.5 at 11.025 kHz: the numbers of ISO/IEC 13818-3 Table B.2 for 16 kHz
inline constexpr std::array<BandLayout, kBandRowCount> kBandLayouts = {{
    /* MPEG-1 44100 */
    {{{0,  4,  8,   12,  16,  20,  24,  30,  36,  44,  52, 62,
       74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576}},
     {{0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192}},
     8},
    /* MPEG-2 22050 */
    {{{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
       116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576}},
     {{0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192}},
     6},
    /* MPEG 2.5 11025 */
    {{{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
       116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576}},
     {{0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
     6},
}};

// MPEG-1 slen1 / slen2 by scalefac_compress.
//   ISO/IEC 11172-3, 2.4.2.7 "scalefac_compress"
inline constexpr std::array<uint8_t, 16> kSlen1 = {
    {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4}};
inline constexpr std::array<uint8_t, 16> kSlen2 = {
    {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3}};

// LSF number of scale factors in each of the four groups, by table row and
// block kind (long, short, mixed).
//   ISO/IEC 13818-3, 2.4.3.2, Table "nr_of_sfb_block"; rows 3..5 are for the
//   intensity-coded right channel.
enum BlockKind : int { kBlockLong = 0, kBlockShort = 1, kBlockMixed = 2 };
inline constexpr std::array<std::array<std::array<uint8_t, 4>, 3>, 6> kNrOfSfb = {{
    {{{{6, 5, 5, 5}}, {{9, 9, 9, 9}}, {{6, 9, 9, 9}}}},
    {{{{6, 5, 7, 3}}, {{9, 9, 12, 6}}, {{6, 9, 12, 6}}}},
    {{{{11, 10, 0, 0}}, {{18, 18, 0, 0}}, {{15, 18, 0, 0}}}},
    {{{{7, 7, 7, 0}}, {{12, 12, 12, 0}}, {{6, 15, 12, 0}}}},
    {{{{6, 6, 6, 3}}, {{12, 9, 9, 6}}, {{6, 12, 9, 6}}}},
    {{{{8, 8, 5, 0}}, {{15, 12, 9, 0}}, {{6, 18, 9, 0}}}},
}};

// Pre-emphasis added to the long-band scale factors when preflag is set.
//   ISO/IEC 11172-3, Table B.6 "pretab"
inline constexpr std::array<uint8_t, kLongBands> kPretab = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0}};

// Alias-reduction coefficients c[i].
//   ISO/IEC 11172-3, Table B.9 "Layer III coefficients for aliasing reduction"
inline constexpr std::array<double, 8> kAliasCoefficients = {
    {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037}};

// Linbits and the largest big value they reach: 15 + 8191.
inline constexpr int kPowerTableSize = 8207;
// The gain index reaches 256 + 4 + 2 (mixing, M/S) + 8 * 7 (subblock gain)
// + (31 << 2) (a 5-bit LSF scale factor at scalefac_scale 1) = 442 at most.
inline constexpr int kGainTableSize = 448;

}  // namespace brelvano::layer3
