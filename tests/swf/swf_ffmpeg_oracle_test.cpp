// ffmpeg must read every movie, and the audio it extracts must be the MP3
// frames of the input, frame by frame.
#include <gtest/gtest.h>

#include "analysis/mp3_scan.h"
#include "convert/conversion_abort.h"
#include "support/ffmpeg_oracle.h"
#include "support/test_files.h"
#include "swf/mp3_to_swf.h"

namespace brelvano {
namespace {

struct OracleCase {
  const char* file;
  int32_t frameRate;
};

TEST(SwfFfmpegOracle, AudioEqualsInputFrames) {
  if (!test::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
  const OracleCase cases[] = {
      {"swf/cbr44_joint.mp3", 30},  {"swf/cbr44_joint.mp3", 7},   {"swf/vbr22_mono.mp3", 12},
      {"swf/cbr11_mono.mp3", 30},   {"swf/cbr11_mono.mp3", 200},  {"swf/change128to160.mp3", 10},
      {"swf/tagged44.mp3", 30},  // ID3v2 in front, ID3v1 behind: the audio starts at skip
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.frameRate) + " fps");
    SwfConversion conv;
    conv.mp3Path = test::DataFile(c.file);
    conv.frameRate = c.frameRate;
    _MP3prop prop;
    ASSERT_EQ(ScanMp3File(conv.mp3Path.c_str(), prop), 0);
    const std::string out = dir.file("out.swf");
    FILE* f = std::fopen(out.c_str(), "wb");
    ASSERT_TRUE(f);
    SwfMovie movie(f);
    conversionAbort().set(0);
    EXPECT_EQ(ConvertMp3ToSwf(conv, prop, movie), kStatusOk);
    std::fclose(f);
    const auto expected = test::AudioPackets(conv.mp3Path);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(test::AudioPackets(out, "swf"), expected);
  }
}

}  // namespace
}  // namespace brelvano
