#include "swf/swf_buffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_files.h"

namespace brelvano {
namespace {

using test::Bytes;

Bytes Content(const SwfBuffer& b) { return Bytes(b.data(), b.data() + b.GetPosition()); }

struct TagHeaderCase {
  uint32_t code;
  int32_t length;
  bool forceLong;
  Bytes expected;
};

TEST(SwfBufferTagHeader, ShortAndLongForms) {
  const std::vector<TagHeaderCase> cases = {
      // ShowFrame: code 1, length 0
      {1, 0, false, {0x40, 0x00}},
      // 62 bytes still fit the 6-bit length field
      {12, 62, false, {0x3E, 0x03}},  // 12 * 64 + 62 = 0x033E
      // 63 means "32-bit length follows"
      {12, 63, false, {0x3F, 0x03, /* length */ 63, 0, 0, 0}},
      // forced long form for a short body (SoundStreamBlock)
      {19, 4, true, {0xFF, 0x04, /* length */ 4, 0, 0, 0}},
      // SoundStreamHead2 with its 8-byte body
      {45, 8, false, {0x48, 0x0B}},
      {19, 0x12345, true, {0xFF, 0x04, 0x45, 0x23, 0x01, 0x00}},
  };
  for (const auto& c : cases) {
    SwfBuffer b;
    b.PutTagHeader(c.code, c.length, c.forceLong);
    EXPECT_EQ(Content(b), c.expected) << "code " << c.code << " length " << c.length;
  }
}

TEST(SwfBufferValues, LittleEndianIntegersAndStrings) {
  SwfBuffer b;
  b.PutU16(0x1234ABCD);  // higher bits dropped
  b.PutU32(0x01020304);
  b.PutString("ab");
  b.PutString("");
  EXPECT_EQ(Content(b), (Bytes{0xCD, 0xAB, 0x04, 0x03, 0x02, 0x01, 'a', 'b', 0, 0}));
}

TEST(SwfBufferPatch, RewritesOnlyThePatchedBytes) {
  SwfBuffer b;
  for (int i = 0; i < 16; ++i) b.PutByte(static_cast<uint8_t>(i));
  const uint32_t end = b.GetPosition();
  b.SetPosition(4);
  b.PutU32(0xAABBCCDD);
  b.SetPosition(end);
  ASSERT_EQ(b.GetPosition(), 16u);
  const Bytes c = Content(b);
  EXPECT_EQ(c[3], 3);
  EXPECT_EQ(c[4], 0xDD);
  EXPECT_EQ(c[7], 0xAA);
  EXPECT_EQ(c[8], 8);
}

TEST(SwfBufferAppend, CopiesContentAndClearKeepsNothing) {
  SwfBuffer a, b, empty;
  a.PutByte(1);
  b.PutByte(2);
  b.PutByte(3);
  a.Append(empty);
  a.Append(b);
  EXPECT_EQ(Content(a), (Bytes{1, 2, 3}));
  EXPECT_EQ(Content(b), (Bytes{2, 3}));
  b.Clear();
  EXPECT_EQ(b.GetPosition(), 0u);
  b.PutByte(9);
  EXPECT_EQ(Content(b), (Bytes{9}));
}

TEST(SwfBufferGrowth, HoldsMoreThanOneChunk) {
  SwfBuffer b;
  const uint32_t n = 8388608 + 3;  // past the first 8 MiB
  for (uint32_t i = 0; i < n; ++i) b.PutByte(static_cast<uint8_t>(i * 7));
  ASSERT_EQ(b.GetPosition(), n);
  EXPECT_EQ(b.data()[8388607], static_cast<uint8_t>(8388607u * 7));
  EXPECT_EQ(b.data()[8388608], static_cast<uint8_t>(8388608u * 7));
}

TEST(SwfBufferWriteToFile, WritesContentAndReportsItems) {
  test::TempDir dir;
  SwfBuffer b;
  FILE* f = std::fopen(dir.file("empty").c_str(), "wb");
  EXPECT_EQ(b.WriteToFile(f), 0u);  // nothing to write
  std::fclose(f);
  b.PutString("xyz");
  f = std::fopen(dir.file("x").c_str(), "wb");
  EXPECT_EQ(b.WriteToFile(f), 1u);
  std::fclose(f);
  EXPECT_EQ(test::ReadFileBytes(dir.file("x")), (Bytes{'x', 'y', 'z', 0}));
}

}  // namespace
}  // namespace brelvano
