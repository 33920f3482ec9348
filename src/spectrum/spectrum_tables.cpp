#include "spectrum/spectrum_tables.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "spectrum/layer3_huffman_codes.h"
#include "spectrum/spectrum_values.h"

namespace brelvano {

namespace {

using namespace layer3;

constexpr int kFirstLevelBits = 9;

uint32_t Leaf(int length, int x, int y) {
  const int withSigns = length + (x != 0) + (y != 0);
  const int escapes = (x == 15) + (y == 15);
  return static_cast<uint32_t>(length) | (static_cast<uint32_t>(x) << 8) |
         (static_cast<uint32_t>(y) << 12) | (static_cast<uint32_t>(withSigns) << 16) |
         (static_cast<uint32_t>(escapes) << 21) | (static_cast<uint32_t>(x != 0) << 23) |
         (static_cast<uint32_t>(y != 0) << 24);
}

// Two-level look-up of one code table, appended to `out`: the first level is
// indexed by the next `firstBits` bits; longer codes continue in a second
// level sized for the longest code behind each first-level prefix.
void BuildHuffmanLookup(const HuffmanCodeTable& table, std::vector<uint32_t>& out, uint32_t& offset,
                        uint8_t& firstBits) {
  offset = static_cast<uint32_t>(out.size());
  if (table.size == 0) {
    firstBits = 0;
    out.push_back(Leaf(0, 0, 0));
    return;
  }
  const int count = table.size * table.size;
  int maxLength = 0;
  for (int i = 0; i < count; ++i) maxLength = std::max<int>(maxLength, table.lengths[i]);
  const int first = std::min(maxLength, kFirstLevelBits);
  firstBits = static_cast<uint8_t>(first);
  // An entry no code reaches (none in the standard's complete codes) consumes
  // the first-level bits and gives a zero pair.
  out.resize(offset + (1u << first), Leaf(first, 0, 0));
  std::vector<int> subBits(1u << first, 0);
  for (int i = 0; i < count; ++i) {
    const int length = table.lengths[i];
    if (length > first) {
      const uint32_t prefix = table.codes[i] >> (length - first);
      subBits[prefix] = std::max(subBits[prefix], length - first);
    }
  }
  for (uint32_t prefix = 0; prefix < subBits.size(); ++prefix) {
    if (subBits[prefix] == 0) continue;
    const uint32_t sub = static_cast<uint32_t>(out.size());
    out[offset + prefix] = kHuffmanPointer | (sub << 8) | static_cast<uint32_t>(subBits[prefix]);
    out.resize(sub + (1u << subBits[prefix]), Leaf(first + subBits[prefix], 0, 0));
  }
  for (int i = 0; i < count; ++i) {
    const int length = table.lengths[i];
    const uint32_t code = table.codes[i];
    const uint32_t leaf = Leaf(length, i / table.size, i % table.size);
    if (length <= first) {
      const uint32_t start = code << (first - length);
      for (uint32_t j = 0; j < (1u << (first - length)); ++j) out[offset + start + j] = leaf;
    } else {
      const uint32_t prefix = code >> (length - first);
      const uint32_t pointer = out[offset + prefix];
      const int bits = static_cast<int>(pointer & 31);
      const uint32_t sub = (pointer >> 8) & 0x7FFFFF;
      const int rest = length - first;
      const uint32_t start = (code & ((1u << rest) - 1)) << (bits - rest);
      for (uint32_t j = 0; j < (1u << (bits - rest)); ++j) out[sub + start + j] = leaf;
    }
  }
}

// ISO/IEC 13818-3, 2.4.3.2: the slen values of an LSF scalefac_compress value.
LsfScaleFactorLengths LsfLengths(int sfc) {
  LsfScaleFactorLengths r{};
  if (sfc < 400) {
    r = {{static_cast<uint8_t>((sfc >> 4) / 5), static_cast<uint8_t>((sfc >> 4) % 5),
          static_cast<uint8_t>((sfc % 16) >> 2), static_cast<uint8_t>(sfc % 4)},
         0,
         0};
  } else if (sfc < 500) {
    const int x = sfc - 400;
    r = {{static_cast<uint8_t>((x >> 2) / 5), static_cast<uint8_t>((x >> 2) % 5),
          static_cast<uint8_t>(x % 4), 0},
         1,
         0};
  } else {
    const int x = sfc - 500;
    r = {{static_cast<uint8_t>(x / 3), static_cast<uint8_t>(x % 3), 0, 0}, 2, 1};
  }
  return r;
}

LsfScaleFactorLengths LsfIntensityLengths(int isc) {
  LsfScaleFactorLengths r{};
  if (isc < 180) {
    r = {{static_cast<uint8_t>(isc / 36), static_cast<uint8_t>((isc % 36) / 6),
          static_cast<uint8_t>((isc % 36) % 6), 0},
         3,
         0};
  } else if (isc < 244) {
    const int x = isc - 180;
    r = {{static_cast<uint8_t>((x % 64) >> 4), static_cast<uint8_t>((x % 16) >> 2),
          static_cast<uint8_t>(x % 4), 0},
         4,
         0};
  } else {
    const int x = isc - 244;
    r = {{static_cast<uint8_t>(x / 3), static_cast<uint8_t>(x % 3), 0, 0}, 5, 0};
  }
  return r;
}

void BuildLineMaps(int row, std::array<LineMap, 3>& maps) {
  const BandLayout& layout = kBandLayouts[row];
  // Long blocks: lines in order, one slot per band.
  LineMap& lng = maps[kBlockLong];
  for (int band = 0; band < kLongBands; ++band) {
    for (int line = layout.longStart[band]; line < layout.longStart[band + 1]; ++line) {
      lng.position[line] = static_cast<uint16_t>(line);
      lng.slot[line] = static_cast<uint8_t>(band);
    }
    lng.slotBand[band] = static_cast<int8_t>(band);
    lng.slotWindow[band] = -1;
  }
  lng.slotCount = kLongBands;
  // Short blocks: per band, window 0's lines, then window 1's and 2's; line j
  // of window w lands at 3 * (start + j) + w (window-interleaved).
  auto addShort = [&layout](LineMap& map, int& coded, int firstBand, int firstSlot) {
    for (int band = firstBand; band < kShortBands; ++band) {
      const int start = layout.shortStart[band];
      const int width = layout.shortStart[band + 1] - start;
      for (int w = 0; w < 3; ++w) {
        const int slot = firstSlot + 3 * (band - firstBand) + w;
        for (int j = 0; j < width; ++j, ++coded) {
          map.position[coded] = static_cast<uint16_t>(3 * (start + j) + w);
          map.slot[coded] = static_cast<uint8_t>(slot);
        }
        map.slotBand[slot] = static_cast<int8_t>(band);
        map.slotWindow[slot] = static_cast<int8_t>(w);
      }
    }
    map.slotCount = firstSlot + 3 * (kShortBands - firstBand);
  };
  int coded = 0;
  addShort(maps[kBlockShort], coded, 0, 0);
  // Mixed blocks: the long bands below line 36, then short bands from 3.
  LineMap& mixed = maps[kBlockMixed];
  coded = 0;
  for (int band = 0; band < layout.mixedLongBands; ++band) {
    for (int line = layout.longStart[band]; line < layout.longStart[band + 1]; ++line, ++coded) {
      mixed.position[coded] = static_cast<uint16_t>(line);
      mixed.slot[coded] = static_cast<uint8_t>(band);
    }
    mixed.slotBand[band] = static_cast<int8_t>(band);
    mixed.slotWindow[band] = -1;
  }
  addShort(mixed, coded, 3, layout.mixedLongBands);
  for (LineMap& map : maps) {
    map.lowestPositionFrom[kGranuleLines] = kGranuleLines;
    for (int c = kGranuleLines - 1; c >= 0; --c) {
      map.lowestPositionFrom[c] = std::min(map.position[c], map.lowestPositionFrom[c + 1]);
    }
  }
}

}  // namespace

void SpectrumTables::Build(int subbandLimit) {
  const int limit = std::clamp(subbandLimit, 1, kSubbands);
  for (int k = 0; k < kGainTableSize; ++k) {
    gain[k] = static_cast<float>(std::pow(2.0, -(k - 46) / 4.0));
  }
  power.resize(kPowerTableSize);
  for (int i = 0; i < kPowerTableSize; ++i) power[i] = static_cast<float>(std::pow(i, 4.0 / 3.0));

  for (int row = 0; row < kBandRowCount; ++row) {
    for (int i = 0; i <= kLongBands; ++i) {
      longStartSubbands[row][i] = std::min(limit, (kBandLayouts[row].longStart[i] + 7) / 18 + 1);
    }
    for (int i = 0; i <= kShortBands; ++i) {
      // Interleaved start; at 0 the division truncates toward zero: (0 - 1) / 18 = 0.
      const int start = 3 * kBandLayouts[row].shortStart[i];
      shortStartSubbands[row][i] = std::min(limit, (start - 1) / 18 + 1);
    }
    BuildLineMaps(row, lineMaps[row]);
  }

  huffman.clear();
  for (int t = 0; t < kLayer3CodeTableCount; ++t) {
    BuildHuffmanLookup(kLayer3CodeTables[t], huffman, huffmanOffset[t], huffmanBits[t]);
  }
  auto buildQuad = [](const auto& codes, const auto& lengths, std::array<uint8_t, 64>& out) {
    for (int v = 0; v < 16; ++v) {
      const int length = lengths[v];
      const int start = codes[v] << (6 - length);
      for (int j = 0; j < (1 << (6 - length)); ++j)
        out[start + j] = static_cast<uint8_t>(v | (length << 4));
    }
  };
  buildQuad(kQuadCodesA, kQuadLengthsA, quad[0]);
  buildQuad(kQuadCodesB, kQuadLengthsB, quad[1]);

  for (int sfc = 0; sfc < 512; ++sfc) lsfLengths[sfc] = LsfLengths(sfc);
  for (int isc = 0; isc < 256; ++isc) lsfIntensityLengths[isc] = LsfIntensityLengths(isc);

  const double sqrt2 = std::numbers::sqrt2;
  for (int i = 0; i < 16; ++i) {
    const double t = std::tan(i * std::numbers::pi / 12.0);
    // tan(6 pi / 12) is infinite in theory and huge in practice: all to channel 0.
    const double r0 = i == 6 ? 1.0 : t / (1.0 + t);
    const double r1 = i == 6 ? 0.0 : 1.0 / (1.0 + t);
    mpeg1Intensity[0][i] = {r0, r1};
    mpeg1Intensity[1][i] = {r0 * sqrt2, r1 * sqrt2};
  }
  for (int scale = 0; scale < 2; ++scale) {
    const double e = scale == 0 ? 0.25 : 0.5;
    for (int i = 0; i < 32; ++i) {
      double r0 = 1.0;
      double r1 = 1.0;
      if (i & 1) {
        r0 = std::pow(2.0, -e * (i + 1) / 2.0);
      } else if (i != 0) {
        r1 = std::pow(2.0, -e * i / 2.0);
      }
      lsfIntensity[scale][0][i] = {r0, r1};
      lsfIntensity[scale][1][i] = {r0 * sqrt2, r1 * sqrt2};
    }
  }

  for (int sb = 0; sb < kSubbands; ++sb) {
    subbandWeights[sb] =
        sb < kWeightedSubbands ? static_cast<double>(static_cast<float>(std::log(sb + 2.0))) : 0.0;
  }
  for (int i = 0; i < 8; ++i) {
    const double c = kAliasCoefficients[i];
    aliasCs[i] = 1.0 / std::sqrt(1.0 + c * c);
    aliasCa[i] = c / std::sqrt(1.0 + c * c);
  }
  const double pi = std::numbers::pi;
  for (int i = 0; i < 36; ++i) {
    windows[0][i] = std::sin(pi / 36 * (i + 0.5));
    windows[1][i] = i < 18   ? windows[0][i]
                    : i < 24 ? 1.0
                    : i < 30 ? std::sin(pi / 12 * (i - 18 + 0.5))
                             : 0.0;
    windows[2][i] = i < 12 ? std::sin(pi / 12 * (i + 0.5)) : 0.0;
  }
  for (int i = 0; i < 36; ++i) windows[3][i] = windows[1][35 - i];
  for (int m = 0; m < 9; ++m) imdctPreTwiddle[m] = {std::cos(pi * m / 18), std::sin(pi * m / 18)};
  for (int e = 0; e < 3; ++e) {
    const int exponent = 1 << e;
    imdctDft9Twiddle[e] = {std::cos(2 * pi * exponent / 9), std::sin(2 * pi * exponent / 9)};
  }
  for (int p = 0; p < 9; ++p)
    imdctPostTwiddle[p] = {std::cos(pi * (4 * p + 1) / 72), std::sin(pi * (4 * p + 1) / 72)};
  for (int r = 0; r < 6; ++r) {
    const int i = r < 3 ? r : r + 3;
    for (int k = 0; k < 6; ++k) imdctShort[r][k] = std::cos(pi / 24 * (2 * i + 7) * (2 * k + 1));
  }
  built_ = true;
}

SpectrumTables& ProcessSpectrumTables() {
  static SpectrumTables tables;
  return tables;
}

const SpectrumTables& SpectrumTablesReady() {
  SpectrumTables& tables = ProcessSpectrumTables();
  if (!tables.built()) tables.Build(kSubbands);
  return tables;
}

}  // namespace brelvano
