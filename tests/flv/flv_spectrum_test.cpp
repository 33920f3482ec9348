// Spectrum script tags: which bands go out, how they are rounded, when nothing is written.
#include "flv/flv_spectrum.h"

#include <gtest/gtest.h>

#include <array>

#include "flv_test_util.h"

namespace brelvano {
namespace {

using flvtest::Bytes;
using flvtest::MemorySink;
using Levels = std::array<float, kSpectrumBands>;

Levels Flat(float value) {
  Levels l;
  l.fill(value);
  return l;
}

struct Written {
  int32_t result;
  Bytes bytes;
};

Written Write(FlvSpectrumMemory& memory, const Levels& levels, double ms) {
  MemorySink sink;
  FlvStream out(sink);
  const int32_t result = FlvWriteSpectrumTag(out, memory, levels.data(), ms);
  out.Flush();
  return {result, sink.bytes};
}

TEST(FlvSpectrumTag, OneChangedBandLayout) {
  FlvSpectrumMemory memory;
  Write(memory, Flat(5.0f), 0);
  Levels levels = Flat(5.0f);
  levels[7] = 12.37f;
  const Written w = Write(memory, levels, 26.12);
  const Bytes expected = {
      0x12,                    // script data
      0x00, 0x00, 0x22,        // data size 34
      0x00, 0x00, 0x1A,        // timestamp 26
      0x00,                    // extension
      0x00, 0x00, 0x00,        // stream id
      0x02,                                                          // String marker
      0x00, 0x0A, 'o', 'n', 'M', 'e', 't', 'a', 'D', 'a', 't', 'a',  // event
      0x08, 0x00, 0x00, 0x00, 0x01,                                  // ECMA array, 1 entry
      0x00, 0x02, 's', '7',                                          // band name
      0x00, 0x40, 0x28, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9A,          // 12.3
      0x00, 0x00, 0x09,                                              // object end
      0x00, 0x00, 0x00, 0x2D,                                        // previous tag size 34 + 11
  };
  EXPECT_EQ(w.result, 34);
  EXPECT_EQ(w.bytes, expected);
}

TEST(FlvSpectrumTag, FirstTagAfterResetHoldsAllBands) {
  FlvSpectrumMemory memory;
  memory.set(3, 9.0f);
  MemorySink sink;
  FlvStream out(sink);
  EXPECT_EQ(FlvWriteSpectrumTag(out, memory, nullptr, 0), 0);  // reset, writes nothing
  out.Flush();
  EXPECT_TRUE(sink.bytes.empty());
  EXPECT_EQ(memory.level(3), -1.0f);

  const Written w = Write(memory, Flat(0.0f), 0);  // 0 differs from -1
  const Bytes data(w.bytes.begin() + 11, w.bytes.end() - 4);
  EXPECT_EQ(flvtest::BigEndian(data, 14, 4), 32u);
  for (int band = 0; band < kSpectrumBands; ++band)
    EXPECT_EQ(flvtest::NumberProperty(data, "s" + std::to_string(band)), 0.0) << band;
}

TEST(FlvSpectrumTag, OnlyWholePartChangesAreWritten) {
  struct Case {
    const char* name;
    float before, after;
    bool written;
    double value;  // written value
  } cases[] = {
      {"12.37 rounds down", 1.0f, 12.37f, true, 12.3},
      {"12.9 to 12.2 same integer", 12.9f, 12.2f, false, 0},
      {"12.9 to 13.0", 12.9f, 13.0f, true, 13.0},
      {"13.0 to 12.99", 13.0f, 12.99f, true, 12.9},
      {"31.95 to 32.0", 31.95f, 32.0f, true, 32.0},
      {"0.05 to 0.95", 0.05f, 0.95f, false, 0},
  };
  for (const Case& c : cases) {
    FlvSpectrumMemory memory;
    Write(memory, Flat(c.before), 0);
    Levels levels = Flat(c.before);
    levels[0] = c.after;
    const Written w = Write(memory, levels, 100);
    if (!c.written) {
      EXPECT_EQ(w.result, 0) << c.name;
      EXPECT_TRUE(w.bytes.empty()) << c.name;
      continue;
    }
    ASSERT_GT(w.result, 0) << c.name;
    const Bytes data(w.bytes.begin() + 11, w.bytes.end() - 4);
    EXPECT_DOUBLE_EQ(flvtest::NumberProperty(data, "s0"), c.value) << c.name;
    EXPECT_EQ(flvtest::BigEndian(data, 14, 4), 1u) << c.name;
  }
}

// The memory keeps the unrounded level: drifting by less than 1 across many
// tags goes unwritten only while the whole part stays.
TEST(FlvSpectrumTag, MemoryKeepsUnroundedLevels) {
  FlvSpectrumMemory memory;
  Write(memory, Flat(4.2f), 0);
  EXPECT_FLOAT_EQ(memory.level(0), 4.2f);
  EXPECT_EQ(Write(memory, Flat(4.8f), 100).result, 0);
  EXPECT_FLOAT_EQ(memory.level(0), 4.2f);  // unwritten bands keep their old level
  EXPECT_GT(Write(memory, Flat(5.1f), 200).result, 0);
  EXPECT_FLOAT_EQ(memory.level(0), 5.1f);
}

TEST(FlvSpectrumTag, SameLevelsTwiceWritesNothingTheSecondTime) {
  FlvSpectrumMemory memory;
  Levels levels;
  for (int i = 0; i < kSpectrumBands; ++i) levels[static_cast<size_t>(i)] = static_cast<float>(i) + 0.5f;
  EXPECT_GT(Write(memory, levels, 0).result, 0);
  const Written again = Write(memory, levels, 100);
  EXPECT_EQ(again.result, 0);
  EXPECT_TRUE(again.bytes.empty());
}

TEST(FlvSpectrumTag, TimestampWrapsAt24Bits) {
  struct Case {
    double ms;
    uint32_t stamp;
  } cases[] = {{26.12, 26}, {16777216.0, 0}, {16777217.5, 1}};
  for (const Case& c : cases) {
    FlvSpectrumMemory memory;
    const Written w = Write(memory, Flat(1.0f), c.ms);
    EXPECT_EQ(flvtest::BigEndian(w.bytes, 4, 3), c.stamp) << c.ms;
    EXPECT_EQ(w.bytes[7], 0) << c.ms;
  }
}

TEST(FlvSpectrumTag, ProcessWideMemoryIsShared) {
  const Levels levels = Flat(3.0f);
  MemorySink sink;
  FlvStream out(sink);
  FlvWriteSpectrumTag(out, nullptr, 0);
  EXPECT_GT(FlvWriteSpectrumTag(out, levels.data(), 0), 0);
  EXPECT_EQ(FlvWriteSpectrumTag(out, levels.data(), 100), 0);
  EXPECT_EQ(flvSpectrumMemory().level(31), 3.0f);
  FlvWriteSpectrumTag(out, nullptr, 0);
  EXPECT_EQ(flvSpectrumMemory().level(31), -1.0f);
}

}  // namespace
}  // namespace brelvano
