// Unit tests of the spectrum decoder: code tables, transforms and crafted frames.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "spectrum/layer3_huffman_codes.h"
#include "spectrum/layer3_spectrum_decoder.h"
#include "spectrum/spectrum_decoder.h"
#include "spectrum/spectrum_tables.h"
#include "spectrum/spectrum_values.h"

namespace brelvano {
namespace {

using namespace layer3;

// --- Huffman code tables ---------------------------------------------------

struct CodeList {
  std::string name;
  std::vector<std::pair<uint32_t, int>> codes;  // codeword, length
};

std::vector<CodeList> AllCodeTables() {
  std::vector<CodeList> lists;
  for (int t = 1; t < kLayer3CodeTableCount; ++t) {
    const HuffmanCodeTable& table = kLayer3CodeTables[t];
    CodeList list{"pair table " + std::to_string(t), {}};
    for (int i = 0; i < table.size * table.size; ++i) list.codes.push_back({table.codes[i], table.lengths[i]});
    lists.push_back(list);
  }
  CodeList a{"count1 A", {}};
  CodeList b{"count1 B", {}};
  for (int i = 0; i < 16; ++i) {
    a.codes.push_back({kQuadCodesA[i], kQuadLengthsA[i]});
    b.codes.push_back({kQuadCodesB[i], kQuadLengthsB[i]});
  }
  lists.push_back(a);
  lists.push_back(b);
  return lists;
}

TEST(HuffmanCodeTables, EveryTableIsACompletePrefixCode) {
  for (const CodeList& list : AllCodeTables()) {
    SCOPED_TRACE(list.name);
    double kraft = 0;
    for (const auto& [code, length] : list.codes) {
      ASSERT_GE(length, 1);
      ASSERT_LE(length, 19);
      ASSERT_LT(code, 1u << length);
      kraft += std::ldexp(1.0, -length);
    }
    EXPECT_EQ(kraft, 1.0);
    for (size_t i = 0; i < list.codes.size(); ++i) {
      for (size_t j = 0; j < list.codes.size(); ++j) {
        if (i == j) continue;
        const auto [ci, li] = list.codes[i];
        const auto [cj, lj] = list.codes[j];
        if (li <= lj) {
          EXPECT_NE(cj >> (lj - li), ci) << "code " << i << " is a prefix of code " << j;
        }
      }
    }
  }
}

TEST(HuffmanCodeTables, LookupDecodesEveryCodeword) {
  SpectrumTables tables;
  tables.Build(32);
  for (int t = 1; t < kLayer3CodeTableCount; ++t) {
    const HuffmanCodeTable& table = kLayer3CodeTables[t];
    for (int i = 0; i < table.size * table.size; ++i) {
      const int length = table.lengths[i];
      // The codeword followed by ones, top-aligned as the reader delivers it.
      const uint32_t bits = (table.codes[i] << (32 - length)) | ((1u << (32 - length)) - 1);
      const uint32_t first = tables.huffmanBits[t];
      uint32_t entry = tables.huffman[tables.huffmanOffset[t] + (bits >> (32 - first))];
      if (entry & kHuffmanPointer) {
        entry = tables.huffman[((entry >> 8) & 0x7FFFFF) + ((bits << first) >> (32 - (entry & 31)))];
      }
      ASSERT_EQ(static_cast<int>(entry & 31), length) << "table " << t << " pair " << i;
      EXPECT_EQ(static_cast<int>((entry >> 8) & 15), i / table.size);
      EXPECT_EQ(static_cast<int>((entry >> 12) & 15), i % table.size);
    }
  }
  // Linbits of the shared tables: 16..23 and 24..31.
  const int linbits[] = {1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13};
  for (int sel = 16; sel < 32; ++sel) EXPECT_EQ(kLayer3BigValueTables[sel].linbits, linbits[sel - 16]);
  for (int sel : {0, 4, 14}) EXPECT_EQ(kLayer3BigValueTables[sel].codeTable, 0);
}

// --- Requantisation and filter-bank tables ---------------------------------

TEST(SpectrumTables, GainPowerAndSubbandCounts) {
  SpectrumTables tables;
  tables.Build(32);
  EXPECT_EQ(tables.gain[46], 1.0);
  EXPECT_EQ(tables.gain[378], static_cast<double>(static_cast<float>(std::pow(2.0, -(378 - 46) / 4.0))));
  EXPECT_EQ(tables.power[8206], static_cast<float>(std::pow(8206.0, 4.0 / 3.0)));
  EXPECT_EQ(tables.power[1], 1.0f);
  for (int row = 0; row < kBandRowCount; ++row) {
    EXPECT_EQ(tables.longStartSubbands[row][0], 1);
    EXPECT_EQ(tables.shortStartSubbands[row][0], 1);
    EXPECT_EQ(tables.longStartSubbands[row][22], 32);
    EXPECT_EQ(tables.shortStartSubbands[row][13], 32);
  }
  // Long start 36 (end of subband 1) needs subband 2 for the alias butterflies.
  EXPECT_EQ(tables.longStartSubbands[kRowMpeg1][8], 3);
  SpectrumTables limited;
  limited.Build(8);
  EXPECT_EQ(limited.longStartSubbands[kRowMpeg1][22], 8);
  EXPECT_EQ(tables.subbandWeights[0], static_cast<double>(static_cast<float>(std::log(2.0))));
  EXPECT_EQ(tables.subbandWeights[17], static_cast<double>(static_cast<float>(std::log(19.0))));
  EXPECT_EQ(tables.subbandWeights[18], 0.0);
}

TEST(SpectrumTables, LineMapsCoverEveryLineOnce) {
  SpectrumTables tables;
  tables.Build(32);
  for (int row = 0; row < kBandRowCount; ++row) {
    for (int kind = 0; kind < 3; ++kind) {
      const LineMap& map = tables.lineMaps[row][kind];
      std::set<int> positions(map.position.begin(), map.position.end());
      EXPECT_EQ(positions.size(), 576u) << "row " << row << " kind " << kind;
      for (uint8_t slot : map.slot) EXPECT_LT(slot, map.slotCount);
    }
  }
  // Mixed blocks: long bands fill lines 0..35, short band 3 window 0 starts at 36.
  const LineMap& mixed = tables.lineMaps[kRowMpeg1][kBlockMixed];
  EXPECT_EQ(mixed.position[35], 35);
  EXPECT_EQ(mixed.position[36], 36);
  EXPECT_EQ(mixed.position[37], 39);
  EXPECT_EQ(mixed.slot[36], 8);
}

TEST(Imdct, FastTransformsEqualTheFormula) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  const double pi = std::numbers::pi;
  for (int trial = 0; trial < 50; ++trial) {
    double in[18];
    for (double& v : in) v = value(random);
    // Double-precision rounding of an 18-term sum: relative to the input's size.
    double scale = 0;
    for (double v : in) scale += std::fabs(v);
    const double tolerance = 1e-14 * scale;
    double fast[36];
    ImdctLong(in, fast);
    for (int i = 0; i < 36; ++i) {
      long double direct = 0;
      for (int k = 0; k < 18; ++k) direct += in[k] * std::cos(pi / 72 * (2 * i + 19) * (2 * k + 1));
      EXPECT_NEAR(fast[i], static_cast<double>(direct), tolerance) << "long output " << i;
    }
    double shortOut[36];
    ImdctShortWindowed(in, shortOut);
    double expected[36] = {};
    for (int w = 0; w < 3; ++w) {
      for (int i = 0; i < 12; ++i) {
        long double x = 0;
        for (int k = 0; k < 6; ++k) x += in[3 * k + w] * std::cos(pi / 24 * (2 * i + 7) * (2 * k + 1));
        expected[6 + 6 * w + i] += static_cast<double>(x) * std::sin(pi / 12 * (i + 0.5));
      }
    }
    for (int i = 0; i < 36; ++i) EXPECT_NEAR(shortOut[i], expected[i], tolerance) << "short output " << i;
  }
}

TEST(SpectrumValues, SilenceKeepsLevelsAtZeroAndHighBandsStayZero) {
  SpectrumValues values;
  double lines[576] = {};
  values.GranuleSpectrumUpdate(lines, 0, 0, 1);
  for (int b = 0; b < 32; ++b) EXPECT_EQ(values.levels()[b], 0.0f);
  std::mt19937 random(3);
  std::uniform_real_distribution<double> value(-1e-3, 1e-3);
  for (int g = 0; g < 4; ++g) {
    for (double& line : lines) line = value(random);
    values.GranuleSpectrumUpdate(lines, g == 2 ? 2 : 0, 0, 32);
  }
  for (int b = 0; b < 18; ++b) EXPECT_GT(values.levels()[b], 0.0f) << b;
  for (int b = 18; b < 32; ++b) EXPECT_EQ(values.levels()[b], 0.0f) << b;
  for (int b = 0; b < 32; ++b) EXPECT_LE(values.levels()[b], 32.0f);
}

TEST(SpectrumValues, LevelsFallByAThousandthPerTimeSlot) {
  SpectrumValues values;
  double lines[576] = {};
  lines[0] = 1e-4;  // a small level in subband 0
  values.GranuleSpectrumUpdate(lines, 0, 0, 1);
  lines[0] = 0;
  values.GranuleSpectrumUpdate(lines, 0, 0, 1);  // the overlap still sounds
  const float before = values.levels()[0];
  ASSERT_GT(before, 0.0f);
  values.GranuleSpectrumUpdate(lines, 0, 0, 1);  // all zero now
  float expected = before;
  for (int t = 0; t < 18; ++t) expected = static_cast<float>((static_cast<double>(expected) * 999.0 + 0.0f) / 1000.0);
  EXPECT_EQ(values.levels()[0], expected);
}

// --- Crafted frames --------------------------------------------------------

class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (bitCount_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (bitCount_ % 8));
      ++bitCount_;
    }
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  int bitCount_ = 0;
};

struct Granule {
  int part23 = 0, bigValues = 0, globalGain = 210, scalefacCompress = 0;
  bool windowSwitching = false;
  int blockType = 0, mixed = 0;
  int tableSelect[3] = {0, 0, 0};
  int region0 = 0, region1 = 0;
  int count1Table = 0;
};

constexpr uint32_t kMonoHeader = 0xFFFB90C0;  // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, mono, no CRC
constexpr int kMonoBody = 413;

// A mono MPEG-1 frame: side information of two granules, then `mainData`.
std::vector<uint8_t> MonoFrame(const Granule& g0, const Granule& g1, const std::vector<std::pair<uint32_t, int>>& mainData,
                               bool crc = false) {
  BitWriter w;
  if (crc) w.Put(0xBEEF, 16);  // never checked
  w.Put(0, 9);                 // main_data_begin
  w.Put(0, 5);                 // private bits
  w.Put(0, 4);                 // scfsi
  for (const Granule* g : {&g0, &g1}) {
    w.Put(static_cast<uint32_t>(g->part23), 12);
    w.Put(static_cast<uint32_t>(g->bigValues), 9);
    w.Put(static_cast<uint32_t>(g->globalGain), 8);
    w.Put(static_cast<uint32_t>(g->scalefacCompress), 4);
    w.Put(g->windowSwitching ? 1 : 0, 1);
    if (g->windowSwitching) {
      w.Put(static_cast<uint32_t>(g->blockType), 2);
      w.Put(static_cast<uint32_t>(g->mixed), 1);
      w.Put(static_cast<uint32_t>(g->tableSelect[0]), 5);
      w.Put(static_cast<uint32_t>(g->tableSelect[1]), 5);
      w.Put(0, 9);  // subblock gains
    } else {
      for (int t : g->tableSelect) w.Put(static_cast<uint32_t>(t), 5);
      w.Put(static_cast<uint32_t>(g->region0), 4);
      w.Put(static_cast<uint32_t>(g->region1), 3);
    }
    w.Put(0, 1);  // preflag
    w.Put(0, 1);  // scalefac_scale
    w.Put(static_cast<uint32_t>(g->count1Table), 1);
  }
  for (const auto& [value, bits] : mainData) w.Put(value, bits);
  std::vector<uint8_t>& bytes = w.bytes();
  bytes.resize(kMonoBody + (crc ? 0 : 0), 0);
  return bytes;
}

struct Decoded {
  const float* levels = nullptr;
  int granules = 0;
  std::vector<float> copy;
};

Decoded Decode(SpectrumDecoder& decoder, uint32_t header, const std::vector<uint8_t>& body) {
  Decoded d;
  decoder.SetGranuleObserver([](void* c, const SubbandSamples&) { ++*static_cast<int*>(c); }, &d.granules);
  d.levels = decoder.DecodeFrame(header, body.data(), static_cast<int32_t>(body.size()));
  if (d.levels) d.copy.assign(d.levels, d.levels + 32);
  return d;
}

TEST(SpectrumDecodeFrame, SilentMonoFrameGivesTwoGranulesOfZeroLevels) {
  SpectrumDecoder decoder;
  const Decoded d = Decode(decoder, kMonoHeader, MonoFrame({}, {}, {}));
  ASSERT_NE(d.levels, nullptr);
  EXPECT_EQ(d.granules, 2);
  for (float level : d.copy) EXPECT_EQ(level, 0.0f);
  EXPECT_EQ(d.levels, decoder.levels());
}

TEST(SpectrumDecodeFrame, WindowSwitchingWithBlockTypeZeroIsRejected) {
  SpectrumDecoder decoder;
  Granule g;
  g.windowSwitching = true;
  g.blockType = 0;
  const Decoded d = Decode(decoder, kMonoHeader, MonoFrame(g, {}, {}));
  EXPECT_EQ(d.levels, nullptr);
  EXPECT_EQ(d.granules, 0);
}

TEST(SpectrumDecodeFrame, HuffmanDataOverrunningPart23LengthIsRejected) {
  SpectrumDecoder decoder;
  Granule g;
  g.bigValues = 1;
  g.tableSelect[0] = 1;
  g.part23 = 0;  // but one pair of table 1 needs at least one bit
  const Decoded d = Decode(decoder, kMonoHeader, MonoFrame(g, {}, {{1, 1}}));
  EXPECT_EQ(d.levels, nullptr);
}

TEST(SpectrumDecodeFrame, Count1CodeEndingAtTheBudgetIsDropped) {
  // Count1 table B: value 1000 (v set) is the code 0111, then a sign bit.
  Granule g;
  g.count1Table = 1;
  g.part23 = 4;  // the code ends exactly at the budget's end: dropped
  {
    SpectrumDecoder decoder;
    const Decoded d = Decode(decoder, kMonoHeader, MonoFrame(g, {}, {{7, 4}, {0, 1}}));
    ASSERT_NE(d.levels, nullptr);
    EXPECT_EQ(d.copy[0], 0.0f);
  }
  g.part23 = 5;  // room for the sign: line 0 becomes +gain
  {
    SpectrumDecoder decoder;
    const Decoded d = Decode(decoder, kMonoHeader, MonoFrame(g, {}, {{7, 4}, {0, 1}}));
    ASSERT_NE(d.levels, nullptr);
    EXPECT_GT(d.copy[0], 0.0f);
  }
}

TEST(SpectrumDecodeFrame, OutOfRangeSideInformationIsHarmless) {
  // big_values 300 (read as 288) with zero tables, and region counts whose
  // sum passes the last band start.
  Granule g;
  g.bigValues = 300;
  g.region0 = 15;
  g.region1 = 7;
  g.part23 = 0;
  SpectrumDecoder decoder;
  const Decoded d = Decode(decoder, kMonoHeader, MonoFrame(g, g, {}));
  ASSERT_NE(d.levels, nullptr);
  for (float level : d.copy) EXPECT_EQ(level, 0.0f);
  // Payloads a frame buffer cannot take are refused.
  std::vector<uint8_t> huge(SpectrumDecoder::kMaxPayload + 1, 0);
  EXPECT_EQ(decoder.DecodeFrame(kMonoHeader, huge.data(), static_cast<int32_t>(huge.size())), nullptr);
  EXPECT_EQ(decoder.DecodeFrame(kMonoHeader, huge.data(), -1), nullptr);
  // A payload shorter than its side information reads zeros past its end.
  EXPECT_NE(decoder.DecodeFrame(kMonoHeader, huge.data(), 3), nullptr);
}

TEST(SpectrumDecodeFrame, CrcIsSkippedNotChecked) {
  Granule g;
  g.count1Table = 1;
  g.part23 = 5;
  const std::vector<std::pair<uint32_t, int>> data = {{7, 4}, {1, 1}};
  SpectrumDecoder plain;
  SpectrumDecoder protectedFrame;
  const Decoded a = Decode(plain, kMonoHeader, MonoFrame(g, {}, data));
  const Decoded b = Decode(protectedFrame, kMonoHeader & ~0x10000u, MonoFrame(g, {}, data, true));
  ASSERT_NE(a.levels, nullptr);
  ASSERT_NE(b.levels, nullptr);
  EXPECT_EQ(a.copy, b.copy);
  EXPECT_GT(a.copy[0], 0.0f);
}

TEST(SpectrumDecodeFrame, LsfStereoFrameGivesOneGranule) {
  // MPEG-2, 64 kbit/s, 22.05 kHz, stereo: 17 bytes of zero side information.
  const uint32_t header = 0xFFF38000;
  std::vector<uint8_t> body(64000 * 72 / 22050 - 4, 0);
  SpectrumDecoder decoder;
  const Decoded d = Decode(decoder, header, body);
  ASSERT_NE(d.levels, nullptr);
  EXPECT_EQ(d.granules, 1);
}

TEST(SpectrumDecoderInit, ProcessWideDecoderAnswersWithTheSameArray) {
  SpectrumDecoderInit(32);
  const std::vector<uint8_t> body = MonoFrame({}, {}, {});
  const float* first = SpectrumDecodeFrame(kMonoHeader, body.data(), static_cast<int32_t>(body.size()));
  const float* second = SpectrumDecodeFrame(kMonoHeader, body.data(), static_cast<int32_t>(body.size()));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
}

}  // namespace
}  // namespace brelvano
