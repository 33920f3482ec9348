// Byte layouts of the FLV framing, the AMF0 values and the spectrum tags.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>

#include "flv/amf_writer.h"
#include "flv/flv_spectrum.h"
#include "flv/flv_tags.h"
#include "support/test_files.h"

namespace brelvano {
namespace {

using test::Bytes;

// Keeps every byte written, at its offset.
struct MemorySink final : FlvSink {
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) override {
    if (bytes.size() < offset + size) bytes.resize(offset + size);
    std::memcpy(bytes.data() + offset, data, size);
    return true;
  }
  Bytes bytes;
};

Bytes Written(const std::function<void(FlvStream&)>& write) {
  MemorySink sink;
  FlvStream out(sink);
  write(out);
  out.Flush();
  return sink.bytes;
}

uint64_t BigEndian(const Bytes& b, size_t at, int count) {
  uint64_t v = 0;
  for (int i = 0; i < count; ++i) v = v << 8 | b.at(at + static_cast<size_t>(i));
  return v;
}

TEST(FlvWriter, GoldenLayouts) {
  uint32_t position = 0;
  FlvSpectrumMemory memory;
  std::array<float, kSpectrumBands> levels;
  levels.fill(5.0f);
  Written([&](FlvStream& o) { FlvWriteSpectrumTag(o, memory, levels.data(), 0); });
  levels[7] = 12.37f;
  const struct {
    const char* name;
    std::function<void(FlvStream&)> write;
    Bytes expected;
  } cases[] = {
      {"file header",
       [](FlvStream& o) { FlvWriteFileHeader(o); },
       {'F', 'L', 'V', 1,  // signature, version
        5,                 // audio and video present
        0, 0, 0, 9,        // header length
        0, 0, 0, 0}},      // previous tag size 0
      {"object end", [](FlvStream& o) { FlvWriteObjectEnd(o); }, {0, 0, 9}},
      {"strings",
       [](FlvStream& o) {
         FlvWriteStringProperty(o, "year", "");
         FlvWriteStringProperty(o, "t", "Caf\xC3\xA9");
       },
       {0, 4, 'y', 'e', 'a', 'r',                // name
        2, 0, 0,                                 // String, empty
        0, 1, 't',                               // name
        2, 0, 5,   'C', 'a', 'f', 0xC3, 0xA9}},  // String of 5 bytes, not 4 letters
      {"number",
       [&](FlvStream& o) {
         o.PutByte('x');
         FlvWriteNumberProperty(o, "one", &position, 1.0);
       },
       {'x',                                // something before it
        0, 3, 'o', 'n', 'e',                // name
        0, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0}},  // Number 1.0
      {"spectrum tag, one band changed",
       [&](FlvStream& o) { FlvWriteSpectrumTag(o, memory, levels.data(), 26.12); },
       {18,  0,    0,    34,                   // script data, data size
        0,   0,    26,   0,    0,    0,    0,  // timestamp 26, extension, stream id
        2,   0,    10,   'o',  'n',  'M',  'e',  't',  'a',
        'D', 'a',  't',  'a',                                 // String event name
        8,   0,    0,    0,    1,                             // ECMA array, 1 entry
        0,   2,    's',  '7',                                 // band name
        0,   0x40, 0x28, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9A,  // 12.37 written as 12.3
        0,   0,    9,                                         // object end
        0,   0,    0,    45}},                                // previous tag size 34 + 11
  };
  for (const auto& c : cases) EXPECT_EQ(Written(c.write), c.expected) << c.name;
  EXPECT_EQ(position, 7u);  // the byte 3F

  const Bytes cut = Written([](FlvStream& o) { AmfPutShortString(o, std::string(70000, 'a')); });
  EXPECT_EQ(cut.size(), 2u + 65535u);  // cut so that the length matches the bytes
  EXPECT_EQ(BigEndian(cut, 0, 2), 65535u);
}

TEST(FlvWriter, TimestampsTruncatedToLow24Bits) {
  const std::pair<double, uint32_t> cases[] = {
      {26.999, 26}, {16777215.9, 16777215}, {16777216.0 + 52.3, 52}, {-1.0, 0}, {NAN, 0},
      {1e30, 0}};
  for (const auto& [ms, stamp] : cases) EXPECT_EQ(FlvTimestamp(ms), stamp) << ms;
}

// A tag after a reset holds every band; then only bands whose whole part
// changed are written, as the level rounded down to a tenth.
TEST(FlvSpectrumTag, OnlyWholePartChangesAreWritten) {
  FlvSpectrumMemory memory;
  memory.set(3, 9.0f);
  auto write = [&](const float* levels, double ms) {
    return Written([&](FlvStream& o) { FlvWriteSpectrumTag(o, memory, levels, ms); });
  };
  EXPECT_EQ(write(nullptr, 0), Bytes());  // a reset writes nothing
  EXPECT_EQ(memory.level(3), -1.0f);
  std::array<float, kSpectrumBands> levels;
  levels.fill(12.9f);
  const Bytes all = write(levels.data(), 16777216.0);
  EXPECT_EQ(BigEndian(all, 4, 4), 0u);    // 2^24 ms: timestamp and extension 0
  EXPECT_EQ(BigEndian(all, 25, 4), 32u);  // entries
  const std::pair<float, double> steps[] = {{12.2f, NAN},   {12.9f, NAN},   {13.0f, 13.0},
                                            {12.99f, 12.9}, {31.95f, 31.9}, {32.0f, 32.0},
                                            {0.05f, 0.0},   {0.95f, NAN}};
  for (const auto& [level, value] : steps) {
    levels[0] = level;
    const Bytes tag = write(levels.data(), 100);
    if (std::isnan(value)) {
      EXPECT_EQ(tag, Bytes()) << level;
    } else {
      EXPECT_EQ(BigEndian(tag, 25, 4), 1u) << level;
      EXPECT_EQ(std::bit_cast<double>(BigEndian(tag, 34, 8)), value) << level;  // "s0"
    }
  }
  EXPECT_FLOAT_EQ(memory.level(0), 0.05f);  // a band not written keeps its level
}

}  // namespace
}  // namespace brelvano
