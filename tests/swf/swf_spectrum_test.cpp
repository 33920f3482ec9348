// The spectrum levels as DoAction tags setting s0..s31.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/swf_reader.h"
#include "swf/swf_buffer.h"
#include "swf/swf_spectrum.h"

namespace brelvano::test {
namespace {

Bytes Take(SwfBuffer& movie) {
  Bytes written(movie.data(), movie.data() + movie.GetPosition());
  movie.Clear();
  return written;
}

TEST(SwfWriteSpectrum, SetsAllBandsAfterAResetThenOnlyChangedIntegerParts) {
  SwfBuffer movie;
  SwfWriteSpectrum(movie, nullptr);
  EXPECT_EQ(movie.GetPosition(), 0u);  // a reset writes nothing
  float levels[32] = {};
  levels[0] = 22.18f;
  levels[3] = 7.9f;
  SwfWriteSpectrum(movie, levels);
  const Bytes all = Take(movie);
  // DoAction (12) in the long form, its length, 32 push/push/setvariable groups and the end.
  ASSERT_GT(all.size(), 6u);
  EXPECT_EQ(Bytes(all.begin(), all.begin() + 2), (Bytes{0x3F, 0x03}));
  EXPECT_EQ(all[2] | all[3] << 8 | all[4] << 16 | all[5] << 24, static_cast<int>(all.size() - 6));
  const auto variables = DoActionVariables(Bytes(all.begin() + 6, all.end()));
  ASSERT_EQ(variables.size(), 32u);
  for (int b = 0; b < 32; ++b) {
    EXPECT_EQ(variables[b], std::make_pair("s" + std::to_string(b), std::string(b == 0   ? "22"
                                                                                : b == 3 ? "7"
                                                                                         : "0")));
  }
  EXPECT_EQ(all.back(), 0x00);

  levels[3] = 7.2f;  // integer part unchanged: the empty tag
  SwfWriteSpectrum(movie, levels);
  EXPECT_EQ(Take(movie), (Bytes{
                             0x01, 0x03,  // DoAction, short form, length 1
                             0x00,        // end of actions
                         }));
  levels[3] = 6.99f;  // compared against the stored 7.9: 6 differs from 7
  SwfWriteSpectrum(movie, levels);
  EXPECT_EQ(Take(movie),
            (Bytes{
                0x0F, 0x03,                              // DoAction, short form, length 15
                0x96, 0x04, 0x00, 0x00, 's', '3', 0x00,  // ActionPush, length 4, string "s3"
                0x96, 0x03, 0x00, 0x00, '6', 0x00,       // ActionPush, length 3, string "6"
                0x1D,                                    // ActionSetVariable
                0x00,                                    // end of actions
            }));
  SwfWriteSpectrum(movie, nullptr);  // a reset: the next tag sets everything again
  SwfWriteSpectrum(movie, levels);
  EXPECT_EQ(DoActionVariables(Bytes(movie.data() + 6, movie.data() + movie.GetPosition())).size(),
            32u);
}

}  // namespace
}  // namespace brelvano::test
