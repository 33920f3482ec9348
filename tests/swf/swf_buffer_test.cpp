#include "swf/swf_buffer.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace brelvano {
namespace {

using test::Bytes;

Bytes Content(const SwfBuffer& b) { return Bytes(b.data(), b.data() + b.GetPosition()); }

TEST(SwfBuffer, TagHeaderShortAndLongForms) {
  const struct {
    uint32_t code;
    int32_t length;
    bool forceLong;
    Bytes expected;
  } cases[] = {
      {1, 0, false, {0x40, 0x00}},                 // ShowFrame
      {12, 62, false, {0x3E, 0x03}},               // 12 * 64 + 62: still the short form
      {12, 63, false, {0x3F, 0x03, 63, 0, 0, 0}},  // 63: a 32-bit length follows
      {19, 4, true, {0xFF, 0x04, 4, 0, 0, 0}},     // SoundStreamBlock, long form forced
      {19, 0x12345, true, {0xFF, 0x04, 0x45, 0x23, 0x01, 0x00}},
  };
  for (const auto& c : cases) {
    SwfBuffer b;
    b.PutTagHeader(c.code, c.length, c.forceLong);
    EXPECT_EQ(Content(b), c.expected) << "code " << c.code << " length " << c.length;
  }
}

TEST(SwfBuffer, ValuesPatchAppendAndClear) {
  SwfBuffer b, more;
  b.PutU16(0x1234ABCD);  // higher bits dropped
  b.PutU32(0x01020304);
  b.PutString("ab");
  b.PutString("");
  b.SetPosition(2);
  b.PutByte(0xEE);  // patches one byte of the U32
  b.SetPosition(10);
  more.PutByte(9);
  b.Append(more);
  b.Append(SwfBuffer{});
  EXPECT_EQ(Content(b), (Bytes{0xCD, 0xAB, 0xEE, 0x03, 0x02, 0x01, 'a', 'b', 0, 0, 9}));
  b.Clear();
  b.PutByte(7);
  EXPECT_EQ(Content(b), (Bytes{7}));
}

TEST(SwfBuffer, GrowsPastOneChunkAndWritesToFile) {
  SwfBuffer b;
  const uint32_t n = 8388608 + 3;  // past the first 8 MiB
  for (uint32_t i = 0; i < n; ++i) b.PutByte(static_cast<uint8_t>(i * 7));
  ASSERT_EQ(b.GetPosition(), n);
  EXPECT_EQ(b.data()[8388607], static_cast<uint8_t>(8388607u * 7));
  EXPECT_EQ(b.data()[8388608], static_cast<uint8_t>(8388608u * 7));
  test::TempDir dir;
  FILE* f = std::fopen(dir.file("x").c_str(), "wb");
  EXPECT_EQ(SwfBuffer{}.WriteToFile(f), 0u);  // nothing to write
  EXPECT_EQ(b.WriteToFile(f), 1u);
  std::fclose(f);
  EXPECT_EQ(test::ReadFileBytes(dir.file("x")), Content(b));
}

}  // namespace
}  // namespace brelvano
