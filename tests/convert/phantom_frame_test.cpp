// The scan, the SWF writer and the FLV writer walk an MP3 file with one
// frame reader; after a frame of a kind we cannot stream is skipped, none of
// them may build a frame out of bytes from before and after the skip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/mp3_scan.h"
#include "base/conversion_abort.h"
#include "convert/batch.h"
#include "support/ffmpeg_oracle.h"
#include "support/swf_reader.h"
#include "support/test_files.h"

namespace brelvano {
namespace {

using test::Bytes;

// Regression: 60 frames of 417 bytes with a Layer I frame (FF FF E2 40,
// 1045 bytes by the Layer III measure we skip it by) after the 30th. Its last
// three header bytes and the next frame's FF once read as a 208-byte
// MPEG 2.5 frame at 11025 Hz, which swallowed the real frame behind it.
TEST(PhantomFrame, SkippedLayerIFrameLeavesEveryRealFrame) {
  if (!test::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
  const Bytes frames = test::SyntheticMp3(0xFFFB9044, 60);
  Bytes stream;
  for (size_t i = 0; i < frames.size(); ++i) {
    if (i == 30 * 417) {
      for (uint8_t b : test::HeaderBytes(0xFFFFE240)) stream.push_back(b);
      for (int j = 0; j < 1041; ++j) stream.push_back(static_cast<uint8_t>(j % 200));
    }
    stream.push_back(frames[i]);
  }

  test::TempDir dir;
  test::WriteFileBytes(dir.file("clean.mp3"), frames);
  test::WriteFileBytes(dir.file("in.mp3"), stream);
  const std::vector<std::string> expected = test::AudioPackets(dir.file("clean.mp3"));
  ASSERT_EQ(expected.size(), 60u);

  _MP3prop prop;
  Mp3ScanDetails scan;
  ASSERT_EQ(ScanMp3File(dir.file("in.mp3").c_str(), prop, &scan), kScanOk);
  EXPECT_EQ(scan.supportedFrames, 60);
  EXPECT_EQ(scan.unsupportedFrames, 1);
  EXPECT_EQ(prop.vbr, 0);
  EXPECT_EQ(prop.bitrate, 128);
  EXPECT_EQ(prop.freq, 44100);

  conversionAbort().set(0);  // as a batch does when it starts
  for (const char* out : {"out.swf", "out.flv"}) {
    SCOPED_TRACE(out);
    ASSERT_EQ(
        ConvertTrack(dir.file("in.mp3"), dir.file(out), 30, false, 0, 0, prop, nullptr, nullptr),
        kStatusOk);
    EXPECT_EQ(test::AudioPackets(dir.file(out), std::string(out).ends_with("swf") ? "swf" : ""),
              expected);
  }
  conversionAbort().set(-1);
}

}  // namespace
}  // namespace brelvano
