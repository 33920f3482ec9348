// Unit tests of the spectrum decoder: code tables, transforms and crafted frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "spectrum/layer3_huffman_codes.h"
#include "spectrum/layer3_spectrum_decoder.h"
#include "spectrum/spectrum_decoder.h"
#include "spectrum/spectrum_values.h"

namespace brelvano {
namespace {

using namespace layer3;
using Bytes = std::vector<uint8_t>;
using Bits = std::vector<std::pair<uint32_t, int>>;  // value, bit count

// Read as binary fractions, the codewords of a complete prefix code cover
// [0, 1) in intervals [code / 2^length, (code + 1) / 2^length) without overlap.
TEST(HuffmanCodeTables, EveryTableIsACompletePrefixCode) {
  std::vector<Bits> tables(kLayer3CodeTableCount + 1);  // pair tables 1..15, count1 tables A and B
  for (int t = 1; t < kLayer3CodeTableCount; ++t) {
    const HuffmanCodeTable& table = kLayer3CodeTables[t];
    for (int i = 0; i < table.size * table.size; ++i)
      tables[t].push_back({table.codes[i], table.lengths[i]});
  }
  for (int i = 0; i < 16; ++i) {
    tables[0].push_back({kQuadCodesA[i], kQuadLengthsA[i]});
    tables[16].push_back({kQuadCodesB[i], kQuadLengthsB[i]});
  }
  for (size_t t = 0; t < tables.size(); ++t) {
    SCOPED_TRACE(t == 0 ? "count1 A" : t == 16 ? "count1 B" : "pair table " + std::to_string(t));
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (const auto& [code, length] : tables[t]) {
      ASSERT_TRUE(length >= 1 && length <= 19) << length;
      spans.push_back({uint64_t{code} << (32 - length), uint64_t{1} << (32 - length)});
    }
    std::sort(spans.begin(), spans.end());
    uint64_t next = 0;
    for (const auto& [start, size] : spans) {
      ASSERT_EQ(start, next) << "gap or overlap";
      next = start + size;
    }
    EXPECT_EQ(next, uint64_t{1} << 32);
  }
}

TEST(Imdct, FastTransformsEqualTheFormula) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  const double pi = std::numbers::pi;
  for (int trial = 0; trial < 50; ++trial) {
    double in[18], fast[36], fastShort[36];
    long double direct[36] = {}, directShort[36] = {};
    double scale = 0;  // double rounding of an 18-term sum grows with the input's size
    for (double& v : in) scale += std::fabs(v = value(random));
    ImdctLong(in, fast);
    ImdctShortWindowed(in, fastShort);
    for (int i = 0; i < 36; ++i) {
      for (int k = 0; k < 18; ++k)
        direct[i] += in[k] * std::cos(pi / 72 * (2 * i + 19) * (2 * k + 1));
      const int w = i / 12,
                n = i % 12;  // three windowed 12-point transforms, overlapping from 6, 12 and 18
      for (int k = 0; k < 6; ++k) {
        const double x = in[3 * k + w] * std::cos(pi / 24 * (2 * n + 7) * (2 * k + 1));
        directShort[6 + 6 * w + n] += x * std::sin(pi / 12 * (n + 0.5));
      }
    }
    for (int i = 0; i < 36; ++i) {
      EXPECT_NEAR(fast[i], static_cast<double>(direct[i]), 1e-14 * scale) << "long output " << i;
      EXPECT_NEAR(fastShort[i], static_cast<double>(directShort[i]), 1e-14 * scale)
          << "short output " << i;
    }
  }
}

// --- Crafted MPEG-1 frames -------------------------------------------------

struct Granule {
  uint32_t part23 = 0, bigValues = 0, globalGain = 210, scalefacCompress = 0;
  int blockType = -1;  // with window switching when 0..3
  uint32_t table = 0, region0 = 0, region1 = 0, count1Table = 0;
};

constexpr uint32_t kMono = 0xFFFB90C0;   // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, mono, no CRC
constexpr uint32_t kJoint = 0xFFFB9040;  // the same in joint stereo; mode extension in bits 5..4

struct FrameCase {
  const char* name;
  uint32_t header;
  std::vector<Granule> granules;  // granule-major, one per channel; none: all-zero side information
  Bits mainData;
  int decodedGranules;           // 0: the frame returns null
  bool band0Sounds;              // else every level stays 0.0
  const char* sameAs = nullptr;  // an earlier case with the same levels
  const char* unlike = nullptr;  // an earlier case with other levels
  size_t bodyBytes = 413;
};

// Side information (main_data_begin 0, scfsi 0), then the main data.
Bytes FrameBody(const FrameCase& c) {
  Bits bits;
  if ((c.header & 0x10000) == 0) bits.push_back({0xBEEF, 16});  // CRC, never checked
  bits.push_back({0, (c.header & 0xC0) == 0xC0 ? 18 : 20});
  for (const Granule& g : c.granules) {
    bits.insert(bits.end(), {{g.part23 << 9 | g.bigValues, 12 + 9},
                             {g.globalGain << 4 | g.scalefacCompress, 8 + 4}});
    if (g.blockType >=
        0) {  // window switching, block type, mixed_block_flag 0, table_selects 0, subblock gains 0
      bits.insert(bits.end(), {{4u | static_cast<uint32_t>(g.blockType), 3}, {0, 1 + 10 + 9}});
    } else {  // no window switching, table_select[0..2], region0_count, region1_count
      bits.push_back({g.table << 17 | g.region0 << 3 | g.region1, 1 + 15 + 4 + 3});
    }
    bits.push_back({g.count1Table, 3});  // after preflag 0, scalefac_scale 0
  }
  bits.insert(bits.end(), c.mainData.begin(), c.mainData.end());
  Bytes body(c.bodyBytes, 0);
  size_t at = 0;
  for (const auto& [value, count] : bits) {
    for (int i = count - 1; i >= 0; --i, ++at)
      body[at / 8] |= static_cast<uint8_t>(((value >> i) & 1) << (7 - at % 8));
  }
  return body;
}

TEST(SpectrumDecodeFrame, CraftedFrames) {
  // Count1 table B: the quadruple 1000 is the code 0111, then its sign bit.
  const Bits count1Line0 = {{7, 4}, {0, 1}};
  const Granule count1Budget4{.part23 = 4, .count1Table = 1},
      count1Budget5{.part23 = 5, .count1Table = 1};
  // Right channel: scale factors of 4 bits (bands 0..10) and 3 bits (11..20), 74 bits.
  const Granule right{.part23 = 74, .scalefacCompress = 15};
  const Bits positions0 = {{7, 4}, {0, 1}, {0, 32}, {0, 32}, {0, 10}};
  const Bits positions15And7 = {{7, 4}, {0, 1}, {~0u, 32}, {~0u, 32}, {0x3FF, 10}};
  const std::vector<FrameCase> cases = {
      {"silent mono frame: two granules", kMono, {{}, {}}, {}, 2, false},
      {"window switching with block_type 0", kMono, {{.blockType = 0}, {}}, {}, 0, false},
      {"Huffman data overrunning part2_3_length",
       kMono,
       {{.bigValues = 1, .table = 1}, {}},
       {{1, 1}},
       0,
       false},
      {"count1 code ending at the budget is dropped",
       kMono,
       {count1Budget4, {}},
       count1Line0,
       2,
       false},
      {"count1 code with its sign bit", kMono, {count1Budget5, {}}, count1Line0, 2, true},
      {"CRC skipped, not checked",
       kMono & ~0x10000u,
       {count1Budget5, {}},
       count1Line0,
       2,
       true,
       "count1 code with its sign bit"},
      {"big_values 300 and region counts past 576",
       kMono,
       {{.bigValues = 300, .table = 0, .region0 = 15, .region1 = 7},
        {.bigValues = 300, .region0 = 15, .region1 = 7}},
       {},
       2,
       false},
      {"count1 quadruples past line 576",
       kMono,
       {{.part23 = 4095, .count1Table = 1}, {}},
       {},
       2,
       true},
      {"MPEG-2 stereo frame: one granule",
       0xFFF38000,
       {},
       {},
       1,
       false,
       nullptr,
       nullptr,
       64000 * 72 / 22050 - 4},
      {"M/S stereo", kJoint | 0x20, {count1Budget5, right, {}, {}}, positions15And7, 2, true},
      {"intensity positions 7..15 leave bands alone",
       kJoint | 0x30,
       {count1Budget5, right, {}, {}},
       positions15And7,
       2,
       true,
       "M/S stereo"},
      {"intensity position 0",
       kJoint | 0x30,
       {count1Budget5, right, {}, {}},
       positions0,
       2,
       true,
       nullptr,
       "M/S stereo"},
  };
  std::map<std::string, std::vector<float>> results;
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes body = FrameBody(c);
    SpectrumDecoder decoder;
    int granules = 0;
    decoder.SetGranuleObserver([](void* n, const SubbandSamples&) { ++*static_cast<int*>(n); },
                               &granules);
    const float* levels =
        decoder.DecodeFrame(c.header, body.data(), static_cast<int32_t>(body.size()));
    EXPECT_EQ(granules, c.decodedGranules);
    ASSERT_EQ(levels != nullptr, c.decodedGranules > 0);
    if (levels == nullptr) continue;
    const std::vector<float>& got = results[c.name] =
        std::vector<float>(levels, levels + kSpectrumBands);
    EXPECT_EQ(got[0] > 0.0f, c.band0Sounds);
    if (!c.band0Sounds) {
      EXPECT_EQ(got, std::vector<float>(kSpectrumBands, 0.0f));
    }
    if (c.sameAs) {
      EXPECT_EQ(got, results.at(c.sameAs));
    }
    if (c.unlike) {
      EXPECT_NE(got, results.at(c.unlike));
    }
  }
}

TEST(SpectrumDecodeFrame, PayloadsNoFrameBufferTakesAreRefused) {
  SpectrumDecoderInit(32);
  const Bytes huge(SpectrumDecoder::kMaxPayload + 1, 0);
  EXPECT_EQ(SpectrumDecodeFrame(kMono, huge.data(), static_cast<int32_t>(huge.size())), nullptr);
  EXPECT_EQ(SpectrumDecodeFrame(kMono, huge.data(), -1), nullptr);
  // Shorter than its side information: zeros are read past the end.
  EXPECT_NE(SpectrumDecodeFrame(kMono, huge.data(), 3), nullptr);
}

}  // namespace
}  // namespace brelvano
