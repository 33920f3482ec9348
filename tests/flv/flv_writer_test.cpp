// Byte layouts of the FLV framing, the AMF0 values and the buffered stream.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "flv/amf_writer.h"
#include "flv/flv_tags.h"
#include "flv_test_util.h"

namespace brelvano {
namespace {

using flvtest::Bytes;
using flvtest::MemorySink;
using flvtest::Written;

TEST(FlvFileHeader, ThirteenBytes) {
  const Bytes expected = {
      0x46, 0x4C, 0x56,        // "FLV"
      0x01,                    // version
      0x05,                    // audio and video present
      0x00, 0x00, 0x00, 0x09,  // header length
      0x00, 0x00, 0x00, 0x00,  // previous tag size 0
  };
  EXPECT_EQ(Written([](FlvStream& out) { FlvWriteFileHeader(out); }), expected);
}

TEST(AmfWriter, ObjectEndIsEmptyNameAndMarker9) {
  EXPECT_EQ(Written([](FlvStream& out) { FlvWriteObjectEnd(out); }), (Bytes{0x00, 0x00, 0x09}));
}

TEST(AmfWriter, StringPropertyWithEmptyValue) {
  const Bytes expected = {
      0x00, 0x04, 'y', 'e', 'a', 'r',  // name
      0x02,                            // String marker
      0x00, 0x00,                      // empty text
  };
  EXPECT_EQ(Written([](FlvStream& out) { FlvWriteStringProperty(out, "year", ""); }), expected);
}

TEST(AmfWriter, StringPropertyKeepsUtf8Bytes) {
  const Bytes expected = {
      0x00, 0x01, 't',                         // name
      0x02,                                    // String marker
      0x00, 0x05, 'C', 'a', 'f', 0xC3, 0xA9,  // byte length 5, not 4 letters
  };
  EXPECT_EQ(Written([](FlvStream& out) { FlvWriteStringProperty(out, "t", "Caf\xC3\xA9"); }), expected);
}

TEST(AmfWriter, NumberPropertyReportsWhereTheValueStarts) {
  uint32_t position = 0;
  const Bytes bytes = Written([&](FlvStream& out) {
    out.PutBytes(reinterpret_cast<const uint8_t*>("xyz"), 3);  // something before it
    FlvWriteNumberProperty(out, "one", &position, 1.0);
  });
  const Bytes expected = {
      'x', 'y', 'z',
      0x00, 0x03, 'o', 'n', 'e',                        // name
      0x00,                                             // Number marker
      0x3F, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 1.0
  };
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(position, 9u);
  EXPECT_EQ(bytes[position], 0x3F);
}

TEST(AmfWriter, EcmaArrayStartAndDate) {
  const Bytes bytes = Written([](FlvStream& out) {
    FlvWriteEcmaArrayStart(out, "onMetaData", 15);
    FlvWriteDateProperty(out, "d", 1172221500000.0);
  });
  const Bytes expected = {
      0x00, 0x0A, 'o', 'n', 'M', 'e', 't', 'a', 'D', 'a', 't', 'a',  // name
      0x08,                                                          // ECMA array marker
      0x00, 0x00, 0x00, 0x0F,                                        // 15 entries
      0x00, 0x01, 'd',                                               // name
      0x0B,                                                          // Date marker
      0x42, 0x71, 0x0E, 0xDD, 0x89, 0xA6, 0x00, 0x00,                // 2007-02-23 09:05:00 UTC in ms
      0x00, 0x00,                                                    // time-zone offset
  };
  EXPECT_EQ(bytes, expected);
}

TEST(AmfWriter, OverlongTextIsCutSoLengthMatchesBytes) {
  const std::string text(70000, 'a');
  const Bytes bytes = Written([&](FlvStream& out) { AmfPutShortString(out, text); });
  ASSERT_EQ(bytes.size(), 2u + 65535u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFF);
}

TEST(AmfWriter, PatchNumberOverwritesAndLeavesCursorBehind) {
  uint32_t position = 0;
  const Bytes bytes = Written([&](FlvStream& out) {
    FlvWriteNumberProperty(out, "n", &position, 0.0);
    out.PutByte(0xAA);
    FlvPatchNumber(out, position, -2.5);
    EXPECT_EQ(out.Tell(), position + 8u);
  });
  const Bytes expected = {
      0x00, 0x01, 'n', 0x00,                            // name, Number marker
      0xC0, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // -2.5
      0xAA,                                             // untouched
  };
  EXPECT_EQ(bytes, expected);
}

TEST(FlvTimestamp, TruncatedLow24Bits) {
  struct Case {
    double ms;
    uint32_t stamp;
  } cases[] = {
      {0.0, 0},
      {26.12, 26},
      {26.999, 26},
      {16777215.9, 16777215},
      {16777216.0, 0},  // 2^24 wraps
      {16777216.0 + 52.3, 52},
      {-1.0, 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {1e30, static_cast<uint32_t>(std::fmod(1e30, 16777216.0))},
  };
  for (const Case& c : cases) EXPECT_EQ(FlvTimestamp(c.ms), c.stamp) << c.ms;
}

TEST(FlvTag, BackPatchedSizeAndPreviousTagSize) {
  const Bytes bytes = Written([](FlvStream& out) {
    const FlvOpenTag tag = FlvBeginTag(out, 18, 26.12);
    out.PutBytes(reinterpret_cast<const uint8_t*>("abcde"), 5);
    EXPECT_EQ(FlvEndTag(out, tag), 5u);
  });
  const Bytes expected = {
      0x12,                    // script data
      0x00, 0x00, 0x05,        // data size, patched
      0x00, 0x00, 0x1A,        // timestamp 26
      0x00,                    // extension
      0x00, 0x00, 0x00,        // stream id
      'a', 'b', 'c', 'd', 'e',  // data
      0x00, 0x00, 0x00, 0x10,  // previous tag size 5 + 11
  };
  EXPECT_EQ(bytes, expected);
}

TEST(FlvTag, AudioTagLayout) {
  const uint8_t body[3] = {0x11, 0x22, 0x33};
  const Bytes bytes = Written([&](FlvStream& out) { FlvWriteAudioTag(out, 52.24, 0x2F, 0xFFFB9064, body, 3); });
  const Bytes expected = {
      0x08,                    // audio
      0x00, 0x00, 0x08,        // data size: body + 5
      0x00, 0x00, 0x34,        // timestamp 52
      0x00,                    // extension
      0x00, 0x00, 0x00,        // stream id
      0x2F,                    // flags
      0xFF, 0xFB, 0x90, 0x64,  // frame header as read
      0x11, 0x22, 0x33,        // body
      0x00, 0x00, 0x00, 0x13,  // previous tag size: body + 16
  };
  EXPECT_EQ(bytes, expected);
}

TEST(FlvAudioFlags, EachRateAndMode) {
  struct Case {
    int32_t freq, stereo;
    uint8_t flags;
  } cases[] = {
      {44100, 1, 0x2F}, {44100, 0, 0x2E}, {22050, 1, 0x2B},
      {22050, 0, 0x2A}, {11025, 1, 0x27}, {11025, 0, 0x26},
  };
  for (const Case& c : cases) EXPECT_EQ(FlvAudioFlags(c.freq, c.stereo), c.flags) << c.freq << " " << c.stereo;
}

// Patches inside the buffer cost no write; patches of bytes already handed on
// reach the sink at the right offset, and the end stays where it was.
TEST(FlvStream, PatchesInsideAndBehindTheBuffer) {
  MemorySink sink;
  FlvStream out(sink, 16);
  for (int i = 0; i < 40; ++i) out.PutByte(static_cast<uint8_t>(i));
  out.Seek(36);  // still buffered
  out.PutByte(0xB0);
  EXPECT_EQ(sink.writes, 2);
  out.Seek(3);  // long written out
  out.PutU16(0xA1A2);
  out.Seek(40);
  out.PutByte(0xEE);
  EXPECT_EQ(out.Tell(), 41u);
  ASSERT_TRUE(out.Flush());
  Bytes expected;
  for (int i = 0; i < 40; ++i) expected.push_back(static_cast<uint8_t>(i));
  expected[3] = 0xA1;
  expected[4] = 0xA2;
  expected[36] = 0xB0;
  expected.push_back(0xEE);
  EXPECT_EQ(sink.bytes, expected);
}

TEST(FlvStream, FailureIsStickyAndKeepsErrno) {
  MemorySink sink;
  sink.failFrom = 20;
  FlvStream out(sink, 16);
  for (int i = 0; i < 64; ++i) out.PutByte(1);
  EXPECT_FALSE(out.Flush());
  EXPECT_TRUE(out.failed());
  EXPECT_EQ(out.error(), ENOSPC);
  EXPECT_EQ(out.Tell(), 64u);  // positions stay consistent for the caller
}

}  // namespace
}  // namespace brelvano
