// The spectrum levels as DoAction tags setting s0..s31.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/swf_buffer.h"
#include "swf/swf_spectrum.h"

namespace brelvano {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Written(const SwfBuffer& movie) { return Bytes(movie.data(), movie.data() + movie.GetPosition()); }

// ActionPush of a string: 0x96, length, type 0, the text and its zero.
void PushString(Bytes& out, const std::string& text) {
  const size_t length = text.size() + 2;
  out.insert(out.end(), {0x96, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 0x00});
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0x00);
}

void SetVariable(Bytes& out, const std::string& name, const std::string& value) {
  PushString(out, name);
  PushString(out, value);
  out.push_back(0x1D);  // ActionSetVariable
}

TEST(SwfWriteSpectrum, FirstTagAfterResetSetsAllBands) {
  SwfBuffer movie;
  SwfWriteSpectrum(movie, nullptr);
  EXPECT_EQ(movie.GetPosition(), 0u);  // a reset writes nothing
  float levels[32] = {};
  levels[0] = 22.18f;
  levels[5] = 3.5f;
  SwfWriteSpectrum(movie, levels);
  Bytes body;
  for (int b = 0; b < 32; ++b) {
    SetVariable(body, "s" + std::to_string(b), b == 0 ? "22" : b == 5 ? "3" : "0");
  }
  body.push_back(0x00);  // end of actions
  Bytes expected = {0x3F, 0x03};  // DoAction (12), long form: the body is 63 bytes or more
  const uint32_t length = static_cast<uint32_t>(body.size());
  expected.insert(expected.end(), {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                   static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)});
  expected.insert(expected.end(), body.begin(), body.end());
  EXPECT_EQ(Written(movie), expected);
}

TEST(SwfWriteSpectrum, OnlyChangedIntegerPartsAreWritten) {
  float levels[32] = {};
  SwfBuffer first;
  SwfWriteSpectrum(first, nullptr);
  levels[3] = 7.9f;
  SwfWriteSpectrum(first, levels);  // sets all 32

  SwfBuffer movie;
  levels[3] = 7.2f;  // integer part unchanged: nothing for band 3
  SwfWriteSpectrum(movie, levels);
  EXPECT_EQ(Written(movie), (Bytes{
                                0x01, 0x03,  // DoAction, short form, length 1
                                0x00,        // end of actions
                            }));

  movie.Clear();
  levels[3] = 6.99f;  // compared against the stored 7.9: 6 differs from 7
  SwfWriteSpectrum(movie, levels);
  EXPECT_EQ(Written(movie), (Bytes{
                                0x0F, 0x03,                              // DoAction, short form, length 15
                                0x96, 0x04, 0x00, 0x00, 's', '3', 0x00,  // push "s3"
                                0x96, 0x03, 0x00, 0x00, '6', 0x00,       // push "6"
                                0x1D,                                      // ActionSetVariable
                                0x00,                                      // end of actions
                            }));
}

TEST(SwfWriteSpectrum, ResetMakesTheNextTagSetEverythingAgain) {
  float levels[32] = {};
  SwfBuffer movie;
  SwfWriteSpectrum(movie, nullptr);
  SwfWriteSpectrum(movie, levels);
  movie.Clear();
  SwfWriteSpectrum(movie, levels);
  EXPECT_EQ(movie.GetPosition(), 3u);  // nothing changed: the empty tag 01 03 00
  SwfWriteSpectrum(movie, nullptr);
  movie.Clear();
  SwfWriteSpectrum(movie, levels);
  EXPECT_GT(movie.GetPosition(), 63u);
}

}  // namespace
}  // namespace brelvano
