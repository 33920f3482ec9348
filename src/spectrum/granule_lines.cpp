#include "spectrum/granule_lines.h"

#include <algorithm>
#include <array>
#include <bit>

#include "spectrum/layer3_huffman_codes.h"
#include "spectrum/spectrum_tables.h"

namespace brelvano {

using namespace layer3;

namespace {

constexpr int kZeroSlot = kScaleFactorSlots;  // where a zero value's slot mark goes
constexpr uint64_t kSignBit = uint64_t{1} << 63;
// The longest big-value code (table 16, ISO/IEC 11172-3 Table B.7): a pair
// takes at most this, two signs and twice the linbits, 47 bits, which a
// refilled cache (56 bits or more) always holds.
constexpr uint32_t kMaxCodeBits = 19;

// The sign masks of a pair without linbits, by whether x is not zero (index
// bit 2), whether y is not zero (bit 3) and the two bits after the code (bits
// 1 and 0): x's sign bit comes first, then y's.
struct PairSigns {
  uint64_t x;
  uint64_t y;
};
constexpr std::array<PairSigns, 16> kPairSigns = [] {
  std::array<PairSigns, 16> signs{};
  for (int i = 0; i < 16; ++i) {
    const bool xNonZero = (i & 4) != 0;
    const bool yNonZero = (i & 8) != 0;
    const bool first = (i & 2) != 0;
    const bool second = (i & 1) != 0;
    signs[i].x = xNonZero && first ? kSignBit : 0;
    signs[i].y = yNonZero && (xNonZero ? second : first) ? kSignBit : 0;
  }
  return signs;
}();

// The value with its sign bit flipped when `sign` has bit 63 set: what a
// product with -1.0 gives.
inline double WithSign(double magnitude, uint64_t sign) {
  return std::bit_cast<double>(std::bit_cast<uint64_t>(magnitude) ^ sign);
}

// The big-value pairs of the three regions. Branch-free per value: zeros are
// stored like any value (the lines are cleared first), so the decoding does
// not stall on the unpredictable zero / non-zero pattern. Both lines of a
// pair share one scale-factor slot: every band and region width is even.
struct PairDecoder {
  FrameBitReader reader;  // a copy, so that its state can stay in registers
  const float* power;
  const double* slotGain;
  bool* slotUsed;  // the last one takes the marks of zero pairs
  const uint16_t* position;
  const uint8_t* slotOf;
  const int16_t* longStart;  // long-block band starts
  double* lines;
  uint32_t limit;   // lines from here up are not requantised
  bool accumulate;  // add to the lines instead of replacing them
  int band = 0;     // long blocks: the band of the current line

  // One value after its code: its linbits (after a 15 in a table with
  // linbits), its sign bit when it is not zero; returns it requantised and
  // times the band gain.
  template <bool kLinbits>
  double Value(uint32_t magnitude, uint32_t linbits, double gain) {
    if constexpr (kLinbits) {
      const uint64_t escape = magnitude == 15 ? ~uint64_t{0} : 0;
      magnitude += static_cast<uint32_t>((reader.cache() >> (64 - linbits)) & escape);
      reader.Consume(linbits & static_cast<uint32_t>(escape));
    }
    const uint32_t nonZero = magnitude != 0 ? 1u : 0u;
    const uint64_t sign = reader.cache() & kSignBit & (uint64_t{0} - nonZero);
    reader.Consume(nonZero);
    return WithSign(power[magnitude] * gain, sign);
  }

  // The pair's look-up entry, from the cache after a refill.
  static uint32_t Lookup(uint64_t bits, const uint32_t* table, const uint32_t* huffman,
                         uint32_t firstBits) {
    uint32_t entry = table[bits >> (64 - firstBits)];
    if (entry & kHuffmanPointer) {
      const uint32_t subBits = entry & 31;
      entry = huffman[((entry >> 8) & 0x7FFFFF) + ((bits << firstBits) >> (64 - subBits))];
    }
    return entry;
  }

  // `count` pairs from coded line `first`, each line stored where the line
  // map puts it when that is below the limit. The cache holds enough bits for
  // a whole pair after a refill: a code of up to 19 bits, twice 13 linbits
  // and a sign.
  template <bool kLinbits>
  void Decode(const uint32_t* table, const uint32_t* huffman, uint32_t firstBits, uint32_t linbits,
              int first, int count) {
    for (int p = 0, line = first; p < count; ++p, line += 2) {
      reader.Refill();
      const uint32_t entry = Lookup(reader.cache(), table, huffman, firstBits);
      reader.Consume(entry & 31);
      const int slot = slotOf[line];
      slotUsed[(entry & 0xFF00) != 0 ? slot : kZeroSlot] = true;
      const double gain = slotGain[slot];
      const double x = Value<kLinbits>((entry >> 8) & 15, linbits, gain);
      const double y = Value<kLinbits>((entry >> 12) & 15, linbits, gain);
      const uint32_t at = position[line];
      if (at < limit) lines[at] += x;
      const uint32_t next = position[line + 1];
      if (next < limit) lines[next] += y;
    }
  }

  template <bool kAccumulate>
  static void Store(double& line, double value) {
    if constexpr (kAccumulate) {
      line += value;
    } else {
      line = value;
    }
  }

  // `count` pairs of one long band from line `first` (below the limit), with
  // the band's gain. Returns non-zero when a value is not zero. Without
  // linbits, the code and both sign bits go in one step.
  template <bool kLinbits, bool kAccumulate>
  uint32_t DecodeLongBand(const uint32_t* table, const uint32_t* huffman, uint32_t firstBits,
                          uint32_t linbits, int first, int count, double gain) {
    uint32_t any = 0;
    double* out = lines + first;
    const uint32_t pairBits = kMaxCodeBits + 2 + 2 * linbits;
    for (int p = 0; p < count; ++p, out += 2) {
      if (reader.available() < pairBits) reader.Refill();
      const uint64_t bits = reader.cache();
      const uint32_t entry = Lookup(bits, table, huffman, firstBits);
      any |= entry;
      const uint32_t x = (entry >> 8) & 15;
      const uint32_t y = (entry >> 12) & 15;
      if constexpr (kLinbits) {
        reader.Consume(entry & 31);
        Store<kAccumulate>(out[0], Value<true>(x, linbits, gain));
        Store<kAccumulate>(out[1], Value<true>(y, linbits, gain));
      } else {
        const uint64_t afterCode = bits << (entry & 31);
        const PairSigns& signs =
            kPairSigns[((entry >> 21) & 0xC) | static_cast<uint32_t>(afterCode >> 62)];
        reader.Consume((entry >> 16) & 31);
        Store<kAccumulate>(out[0], WithSign(power[x] * gain, signs.x));
        Store<kAccumulate>(out[1], WithSign(power[y] * gain, signs.y));
      }
    }
    return any & 0xFF00;
  }

  // `count` pairs from coded line `first` that are not requantised: only
  // their bits and whether a pair holds a non-zero value count. Returns
  // non-zero when one does.
  uint32_t Skip(const uint32_t* table, const uint32_t* huffman, uint32_t firstBits,
                uint32_t linbits, int first, int count, bool markSlots) {
    uint32_t any = 0;
    const uint32_t pairBits = kMaxCodeBits + 2 + 2 * linbits;
    for (int p = 0, line = first; p < count; ++p, line += 2) {
      if (reader.available() < pairBits) reader.Refill();
      const uint32_t entry = Lookup(reader.cache(), table, huffman, firstBits);
      reader.Consume(((entry >> 16) & 31) + ((entry >> 21) & 3) * linbits);
      any |= entry;
      if (markSlots) slotUsed[(entry & 0xFF00) != 0 ? slotOf[line] : kZeroSlot] = true;
    }
    return any & 0xFF00;
  }

  // One region of `count` pairs from coded line `first`. Pairs below coded
  // line `skipFrom` (even) are requantised, the others only decoded. Long
  // blocks go band by band (a line's slot is its band), so that the gain and
  // the non-zero mark are taken once per band.
  template <bool kLinbits>
  void DecodeRegion(const uint32_t* table, const uint32_t* huffman, uint32_t firstBits,
                    uint32_t linbits, int first, int count, int skipFrom, bool longBlock) {
    if (!longBlock) {
      const int requantised = std::clamp((skipFrom - first) / 2, 0, count);
      Decode<kLinbits>(table, huffman, firstBits, linbits, first, requantised);
      Skip(table, huffman, firstBits, linbits, first + 2 * requantised, count - requantised, true);
      return;
    }
    const int stop = first + 2 * count;
    for (int line = first; line < stop;) {
      while (longStart[band + 1] <= line) ++band;
      int segmentEnd = std::min<int>(stop, longStart[band + 1]);
      const bool requantise = line < skipFrom;
      if (requantise) segmentEnd = std::min(segmentEnd, skipFrom);
      const int pairs = (segmentEnd - line) / 2;
      uint32_t any;
      if (!requantise) {
        any = Skip(table, huffman, firstBits, linbits, line, pairs, false);
      } else if (accumulate) {
        any = DecodeLongBand<kLinbits, true>(table, huffman, firstBits, linbits, line, pairs,
                                             slotGain[band]);
      } else {
        any = DecodeLongBand<kLinbits, false>(table, huffman, firstBits, linbits, line, pairs,
                                              slotGain[band]);
      }
      if (any != 0) slotUsed[band] = true;
      line = segmentEnd;
    }
  }
};

}  // namespace

int DecodeGranuleLines(FrameBitReader& reader, GranuleInfo& info, const ScaleFactors& scaleFactors,
                       int part2Bits, BandRow row, double* lines, int lineLimit, bool accumulate) {
  const SpectrumTables& tables = SpectrumTablesReady();
  const int kind =
      info.blockType == 2 ? (info.mixedBlockFlag ? kBlockMixed : kBlockShort) : kBlockLong;
  const LineMap& map = tables.lineMaps[row][kind];

  // The gain of every scale-factor slot.
  double slotGain[kScaleFactorSlots];
  const int shift = 1 + info.scalefacScale;
  for (int s = 0; s < map.slotCount; ++s) {
    const int window = map.slotWindow[s];
    int index;
    if (window < 0) {
      const int pre = info.preflag ? kPretab[map.slotBand[s]] : 0;
      index = info.gainBase + ((scaleFactors.value[s] + pre) << shift);
    } else {
      index = info.shortGainBase[window] + (scaleFactors.value[s] << shift);
    }
    slotGain[s] = tables.gain[std::clamp(index, 0, kGainTableSize - 1)];
  }
  bool slotUsed[kScaleFactorSlots + 1] = {};  // the last one takes the marks of zero values

  const int64_t end = static_cast<int64_t>(reader.position()) + info.part23Length - part2Bits;
  const float* power = tables.power.data();
  const uint32_t* huffman = tables.huffman.data();
  const uint16_t* position = map.position.data();
  const uint8_t* slotOf = map.slot.data();
  // An even limit keeps pairs whole (one line more is harmless).
  const uint32_t limit = static_cast<uint32_t>(std::clamp(lineLimit + 1, 0, kGranuleLines)) & ~1u;
  // Cleared lines take the values by addition as well: 0.0 + v is v (no
  // value is -0.0). Long blocks store every big value below the limit, so
  // only the lines that no code gives are cleared (below).
  const bool longBlock = kind == kBlockLong;
  const bool clearEachRegion = longBlock && !accumulate;
  if (!accumulate && !longBlock) std::fill(lines, lines + limit, 0.0);
  // The first coded line (rounded up to a pair) from which every line lands
  // at or above the limit; a long block keeps its lines in place.
  int skipFrom = static_cast<int>(limit);
  if (!longBlock) {
    const auto from =
        std::partition_point(map.lowestPositionFrom.begin(), map.lowestPositionFrom.end(),
                             [limit](uint16_t lowest) { return lowest < limit; });
    skipFrom = (static_cast<int>(from - map.lowestPositionFrom.begin()) + 1) & ~1;
  }

  // Big values: up to three regions of pairs, each with its own code table.
  const int bigValues = info.bigValues;
  int regionPairs[3];
  if (bigValues <= info.region1Start) {
    regionPairs[0] = bigValues;
    regionPairs[1] = regionPairs[2] = 0;
  } else {
    regionPairs[0] = info.region1Start;
    if (bigValues <= info.region2Start) {
      regionPairs[1] = bigValues - info.region1Start;
      regionPairs[2] = 0;
    } else {
      regionPairs[1] = info.region2Start - info.region1Start;
      regionPairs[2] = bigValues - info.region2Start;
    }
  }
  int line = 0;
  PairDecoder pairs{
      reader, power, slotGain,  slotUsed, position, slotOf, kBandLayouts[row].longStart.data(),
      lines,  limit, accumulate};
  for (int region = 0; region < 3; ++region) {
    const BigValueTable& select = kLayer3BigValueTables[info.tableSelect[region] & 31];
    const int count = regionPairs[region];
    if (select.codeTable == 0) {  // tables 0, 4 and 14: zeros, no bits
      if (clearEachRegion)
        std::fill(lines + std::min<uint32_t>(line, limit),
                  lines + std::min<uint32_t>(line + 2 * count, limit), 0.0);
    } else {
      const uint32_t* table = huffman + tables.huffmanOffset[select.codeTable];
      const uint32_t firstBits = tables.huffmanBits[select.codeTable];
      if (select.linbits != 0) {
        pairs.DecodeRegion<true>(table, huffman, firstBits, static_cast<uint32_t>(select.linbits),
                                 line, count, skipFrom, longBlock);
      } else {
        pairs.DecodeRegion<false>(table, huffman, firstBits, 0, line, count, skipFrom, longBlock);
      }
    }
    line += 2 * count;
  }
  reader = pairs.reader;
  if (clearEachRegion) std::fill(lines + std::min<uint32_t>(line, limit), lines + limit, 0.0);

  // Count1: quadruples of -1, 0, +1 until the budget or the lines run out.
  // A quadruple whose code reaches the end of the budget is dropped; so is
  // the rest of one whose next sign bit would lie past it.
  const int quadruples = (288 - bigValues) / 2;
  const uint8_t* quad = tables.quad[info.count1TableSelect & 1].data();
  int64_t left = end - static_cast<int64_t>(reader.position());  // bits of the budget left
  for (int q = 0; q < quadruples && left > 0; ++q, line += 4) {
    if (reader.available() < 10) reader.Refill();  // a code of up to 6 bits and 4 signs
    const uint8_t entry = quad[reader.cache() >> 58];
    const uint32_t value = entry & 15;
    const uint32_t length = entry >> 4;
    if (length >= left) {
      reader.setPosition(static_cast<uint32_t>(end));
      break;
    }
    reader.Consume(length);
    left -= length;
    if (value == 0) continue;
    bool budgetLeft = true;
    for (int k = 0; k < 4; ++k) {
      if ((value & (8u >> k)) == 0) continue;
      if (left <= 0) {
        budgetLeft = false;
        break;
      }
      const int slot = slotOf[line + k];
      slotUsed[slot] = true;
      const uint64_t sign = reader.cache() & kSignBit;
      reader.Consume(1);
      --left;
      const uint32_t to = position[line + k];
      if (to < limit) lines[to] += WithSign(slotGain[slot], sign);
    }
    if (!budgetLeft) break;
  }

  // How far up the spectrum the granule holds non-zero lines.
  info.longBandBound = 0;
  info.shortBandBound[0] = info.shortBandBound[1] = info.shortBandBound[2] = 0;
  if (longBlock) {
    // A long block's slots are its bands: the highest one used gives the bound.
    int band = kLongBands;
    while (band > 0 && !slotUsed[band - 1]) --band;
    info.longBandBound = band;
  }
  for (int s = 0; s < map.slotCount && !longBlock; ++s) {
    if (!slotUsed[s]) continue;
    const int bound = map.slotBand[s] + 1;
    const int window = map.slotWindow[s];
    if (window < 0) {
      info.longBandBound = std::max(info.longBandBound, bound);
    } else {
      info.shortBandBound[window] = std::max(info.shortBandBound[window], bound);
    }
  }
  if (kind == kBlockMixed) {
    for (int& bound : info.shortBandBound) bound = std::max(bound, 3);
  }
  const int shortBound =
      std::max({info.shortBandBound[0], info.shortBandBound[1], info.shortBandBound[2]});
  info.activeSubbands = shortBound > 0 ? tables.shortStartSubbands[row][shortBound]
                                       : tables.longStartSubbands[row][info.longBandBound];

  if (static_cast<int64_t>(reader.position()) > end) return kGranuleOverrun;
  reader.setPosition(static_cast<uint32_t>(end));  // skip the stuffing bits
  return kGranuleOk;
}

}  // namespace brelvano
