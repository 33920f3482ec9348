// ffmpeg must read every movie, and the audio it extracts must be the MP3
// frames of the input, frame by frame.
#include <gtest/gtest.h>

#include "analysis/mp3_scan.h"
#include "base/conversion_abort.h"
#include "support/ffmpeg_oracle.h"
#include "support/test_files.h"
#include "swf/mp3_to_swf.h"

namespace brelvano {
namespace {

TEST(SwfFfmpegOracle, AudioEqualsInputFrames) {
  if (!test::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
  const std::pair<const char*, int32_t> cases[] = {
      {"cbr44_joint.mp3", 30}, {"cbr44_joint.mp3", 7},  {"vbr22_mono.mp3", 12},
      {"cbr11_mono.mp3", 30},  {"cbr11_mono.mp3", 200}, {"change128to160.mp3", 10},
      {"tagged44.mp3", 30},  // ID3v2 in front, ID3v1 behind: the audio starts at skip
  };
  test::TempDir dir;
  for (const auto& [file, frameRate] : cases) {
    SCOPED_TRACE(std::string(file) + " at " + std::to_string(frameRate) + " fps");
    SwfConversion conv;
    conv.mp3Path = test::DataFile(std::string("swf/") + file);
    conv.frameRate = frameRate;
    _MP3prop prop;
    ASSERT_EQ(ScanMp3File(conv.mp3Path.c_str(), prop), 0);
    FILE* f = std::fopen(dir.file("out.swf").c_str(), "wb");
    SwfMovie movie(f);
    conversionAbort().set(0);
    EXPECT_EQ(ConvertMp3ToSwf(conv, prop, movie), kStatusOk);
    std::fclose(f);
    const auto expected = test::AudioPackets(conv.mp3Path);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(test::AudioPackets(dir.file("out.swf"), "swf"), expected);
  }
}

}  // namespace
}  // namespace brelvano
