// Tables of the spectrum decoder that are computed once per conversion:
// gains, powers, subband counts, line maps, Huffman look-ups, LSF scale-factor
// lengths, intensity ratios and the filter-bank constants.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "spectrum/layer3_tables.h"

namespace brelvano {

// Where each coded line of a granule goes, for one band row and block kind.
struct LineMap {
  std::array<uint16_t, layer3::kGranuleLines> position;  // index into the 576 lines
  std::array<uint8_t, layer3::kGranuleLines> slot;       // scale-factor slot
  // The lowest position of coded lines c..575 ([576] = 576): from the first c
  // whose entry reaches a line limit, no coded line lands below it.
  std::array<uint16_t, layer3::kGranuleLines + 1> lowestPositionFrom;
  int slotCount = 0;
  // Per slot: band number and window (-1 for a long band).
  std::array<int8_t, layer3::kScaleFactorSlots> slotBand{};
  std::array<int8_t, layer3::kScaleFactorSlots> slotWindow{};
};

// LSF scale-factor lengths of one scalefac_compress value.
struct LsfScaleFactorLengths {
  uint8_t slen[4];
  uint8_t row;  // row of layer3::kNrOfSfb
  uint8_t preflag;
};

// A Huffman look-up entry: a leaf holds the code length in bits 0..4, the
// pair x, y in bits 8..11 and 12..15, the code length plus the pair's sign
// bits in bits 16..20, the number of 15s (each followed by linbits in a
// table with linbits) in bits 21..22, and whether x and y are not zero in
// bits 23 and 24; an entry with bit 31 set points to a
// second-level table (offset in bits 8..30, index width in bits 0..4).
inline constexpr uint32_t kHuffmanPointer = 0x80000000u;

class SpectrumTables {
 public:
  // Builds every table; the subband limit (1..32) caps the subband counts.
  void Build(int subbandLimit);
  bool built() const { return built_; }

  // Requantisation.
  std::array<double, layer3::kGainTableSize> gain{};  // 2^(-(k-46)/4), single precision
  std::vector<float> power;                           // i^(4/3), kPowerTableSize entries

  // Subband counts by long start (23) and short start (14), per band row.
  std::array<std::array<int, layer3::kLongBands + 1>, layer3::kBandRowCount> longStartSubbands{};
  std::array<std::array<int, layer3::kShortBands + 1>, layer3::kBandRowCount> shortStartSubbands{};

  // Line maps per band row and block kind (long, short, mixed).
  std::array<std::array<LineMap, 3>, layer3::kBandRowCount> lineMaps{};

  // Huffman look-ups: one flat array; per code table its first-level offset and width.
  std::vector<uint32_t> huffman;
  std::array<uint32_t, 16> huffmanOffset{};
  std::array<uint8_t, 16> huffmanBits{};
  // Count1 tables A and B by the next 6 bits: value bits 0..3 (8v+4w+2x+y),
  // length bits 4..7.
  std::array<std::array<uint8_t, 64>, 2> quad{};

  // LSF scale-factor lengths by scalefac_compress (0..511), and for the
  // intensity-coded right channel by scalefac_compress / 2 (0..255).
  std::array<LsfScaleFactorLengths, 512> lsfLengths{};
  std::array<LsfScaleFactorLengths, 256> lsfIntensityLengths{};

  // Intensity ratio pairs (channel 0, channel 1) per position; [1] are the
  // variants for M/S frames (times sqrt 2).
  std::array<std::array<std::array<double, 2>, 16>, 2> mpeg1Intensity{};
  // [scale: 0 for 1/4, 1 for 1/2][M/S][position 0..31]
  std::array<std::array<std::array<std::array<double, 2>, 32>, 2>, 2> lsfIntensity{};

  // Filter bank and levels.
  std::array<double, layer3::kSubbands> subbandWeights{};
  std::array<double, 8> aliasCs{};
  std::array<double, 8> aliasCa{};
  std::array<std::array<double, 36>, 4> windows{};  // block types 0..3 (type 2: 12 used)
  // The 36-point IMDCT's 18-point DCT-IV, as (cos, sin) pairs: the
  // pre-twiddle e^(i pi m / 18), m = 0..8, the 9-point DFT's twiddles
  // e^(2 pi i e / 9) for e = 1, 2, 4, and the post-twiddle e^(i pi (4p + 1) / 72).
  std::array<std::array<double, 2>, 9> imdctPreTwiddle{};
  std::array<std::array<double, 2>, 3> imdctDft9Twiddle{};
  std::array<std::array<double, 2>, 9> imdctPostTwiddle{};
  // cos(pi/24 (2i + 7)(2k + 1)) for the outputs i = 0..2 and 6..8 (rows 0..5).
  std::array<std::array<double, 6>, 6> imdctShort{};

 private:
  bool built_ = false;
};

// The tables every decoder instance uses; built by SpectrumDecoderInit, or
// with the full subband limit on first use.
SpectrumTables& ProcessSpectrumTables();
const SpectrumTables& SpectrumTablesReady();

}  // namespace brelvano
