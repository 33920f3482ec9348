#include "swf/mp3_to_swf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/frame_header.h"
#include "convert/conversion_abort.h"
#include "support/swf_reader.h"
#include "support/test_files.h"
#include "swf/swf_tags.h"

namespace brelvano {
namespace {

using test::Bytes;

constexpr uint32_t kMpeg1_44k_128_Joint = 0xFFFB9044;  // 1152 samples, 413-byte body
constexpr uint32_t kMpeg2_22k_64_Stereo = 0xFFF38000;   // 576 samples, 204-byte body
constexpr uint32_t kMpeg25_11k_32_Mono = 0xFFE340C0;    // 576 samples, 204-byte body
constexpr uint32_t kMpeg1_48k_128 = 0xFFFB9444;         // valid, but not streamable

// Runs a conversion on bytes written to a scratch file.
struct Converted {
  int32_t status = -99;
  test::SwfFile swf;
  Bytes bytes;
};

class SwfConversionTest : public ::testing::Test {
 protected:
  void SetUp() override { conversionAbort().set(-1); }
  void TearDown() override { conversionAbort().set(-1); }

  std::string Write(const Bytes& mp3, const std::string& name = "in.mp3") {
    const std::string path = dir_.file(name);
    test::WriteFileBytes(path, mp3);
    return path;
  }

  Converted Convert(const std::string& path, int32_t R, int32_t maxSeconds = 0, uint32_t stopFlags = 0,
                    _MP3prop prop = {}) {
    SwfConversion conv;
    conv.mp3Path = path;
    conv.frameRate = R;
    conv.maxSeconds = maxSeconds;
    conv.stopFlags = stopFlags;
    Converted c;
    conversionAbort().set(0);  // as the driver does before each track
    auto movie = ConvertMp3ToSwf(conv, prop, c.status);
    if (movie) {
      c.bytes.assign(movie->data(), movie->data() + movie->GetPosition());
      c.swf = test::ParseSwf(c.bytes);
    }
    return c;
  }

  test::TempDir dir_;
};

// (sample count, seek samples) of every SoundStreamBlock.
std::vector<std::pair<uint32_t, uint32_t>> Blocks(const test::SwfFile& swf) {
  std::vector<std::pair<uint32_t, uint32_t>> blocks;
  for (const auto& t : swf.tags)
    if (t.code == kSwfTagSoundStreamBlock)
      blocks.emplace_back(t.body[0] | (t.body[1] << 8), t.body[2] | (t.body[3] << 8));
  return blocks;
}

struct DistributionCase {
  const char* name;
  uint32_t header;
  int32_t frameRate;
  std::vector<std::pair<uint32_t, uint32_t>> firstBlocks;
};

TEST_F(SwfConversionTest, DistributesFramesOverMovieFrames) {
  const std::vector<DistributionCase> cases = {
      {"44100 Hz at 10 fps", kMpeg1_44k_128_Joint, 10,
       {{4608, 0}, {4608, 198}, {4608, 396}, {4608, 594}, {4608, 792}, {3456, 990}, {4608, 36}, {4608, 234}}},
      {"22050 Hz at 10 fps", kMpeg2_22k_64_Stereo, 10,
       {{2304, 0}, {2304, 99}, {2304, 198}, {2304, 297}, {2304, 396}, {1728, 495}}},
      {"44100 Hz at 12 fps", kMpeg1_44k_128_Joint, 12,
       {{4608, 0}, {3456, 933}, {3456, 714}, {3456, 495}, {3456, 276}, {4608, 57}}},
      {"11025 Hz at 30 fps", kMpeg25_11k_32_Mono, 30,
       {{1152, 0}, {0, 0}, {0, 0}, {576, 48}, {576, 256}, {0, 0}, {576, 96}, {576, 304}}},
  };
  for (const auto& c : cases) {
    const Converted out = Convert(Write(test::SyntheticMp3(c.header, 200)), c.frameRate);
    ASSERT_EQ(out.status, kStatusOk) << c.name;
    ASSERT_TRUE(out.swf.ok) << c.name << ": " << out.swf.error;
    const auto blocks = Blocks(out.swf);
    ASSERT_GE(blocks.size(), c.firstBlocks.size()) << c.name;
    for (size_t i = 0; i < c.firstBlocks.size(); ++i)
      EXPECT_EQ(blocks[i], c.firstBlocks[i]) << c.name << ", block " << i;
  }
}

TEST_F(SwfConversionTest, MovieStructure) {
  _MP3prop prop;
  std::snprintf(prop.id3.song, sizeof prop.id3.song, "%s", "Caf\xC3\xA9");
  std::snprintf(prop.id3.artist, sizeof prop.id3.artist, "%s", "Art");
  prop.duration = 7;
  const int frames = 40;
  const Converted out = Convert(Write(test::SyntheticMp3(kMpeg1_44k_128_Joint, frames)), 10, 0, 0, prop);
  ASSERT_EQ(out.status, kStatusOk);
  ASSERT_TRUE(out.swf.ok) << out.swf.error;
  const Bytes header(out.bytes.begin(), out.bytes.begin() + 14);
  const uint32_t size = static_cast<uint32_t>(out.bytes.size());
  EXPECT_EQ(header, (Bytes{
                        'F', 'W', 'S',                        // uncompressed
                        6,                                    // version
                        static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                        static_cast<uint8_t>(size >> 16), 0,  // file length
                        0x10, 0x28,                           // empty frame RECT
                        0x00, 10,                             // 10.0 frames per second
                        static_cast<uint8_t>(out.swf.frameCount), 0,
                    }));
  EXPECT_EQ(out.swf.frameCount, out.swf.count(kSwfTagShowFrame));
  ASSERT_GE(out.swf.tags.size(), 3u);
  EXPECT_EQ(out.swf.tags[0].code, kSwfTagDoAction);
  const auto vars = test::DoActionVariables(out.swf.tags[0].body);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"title", "Caf\xC3\xA9"}, {"artist", "Art"}, {"album", ""}, {"duration", "7"}, {"id3", "1"}};
  EXPECT_EQ(vars, expected);
  EXPECT_EQ(out.swf.tags[1].code, kSwfTagSoundStreamHead2);
  // Every MP3 frame is in the blocks, in order and unchanged.
  Bytes audio;
  for (const auto& t : out.swf.tags) {
    if (t.code != kSwfTagSoundStreamBlock) continue;
    EXPECT_TRUE(t.longForm);
    audio.insert(audio.end(), t.body.begin() + 4, t.body.end());
  }
  EXPECT_EQ(audio, test::SyntheticMp3(kMpeg1_44k_128_Joint, frames));
  // Trailing frames let the timeline catch up with the streamed audio: 40
  // frames of 1152 samples at 4410 samples per movie frame need 11 frames;
  // the last block announces the frames it was planned for (4), though the
  // file ended after 3, so the carry asks for one frame more.
  EXPECT_EQ(out.swf.frameCount, 12);
}

struct HeadCase {
  uint32_t header;
  int32_t frameRate;
  Bytes tag;
};

TEST_F(SwfConversionTest, SoundStreamHeadByRateAndMode) {
  const std::vector<HeadCase> cases = {
      {kMpeg1_44k_128_Joint, 10, {0x48, 0x0B,  // tag 45, 8 bytes
                                  0x0B,        // playback 22 kHz, 16 bit, stereo
                                  0x2F,        // MP3, 44 kHz, 16 bit, stereo
                                  0x3A, 0x11,  // 4410 samples per movie frame
                                  0x61, 0x06, 0x00, 0x00}},  // LatencySeek 1633
      {kMpeg2_22k_64_Stereo, 30, {0x48, 0x0B, 0x0B, 0x2B, 0xDF, 0x02, 0x61, 0x06, 0x00, 0x00}},
      {kMpeg25_11k_32_Mono, 7, {0x48, 0x0B, 0x0B, 0x26, 0x27, 0x06, 0x61, 0x06, 0x00, 0x00}},
  };
  for (const auto& c : cases) {
    const Converted out = Convert(Write(test::SyntheticMp3(c.header, 10)), c.frameRate);
    ASSERT_TRUE(out.swf.ok);
    // The tag right after the track info.
    const size_t at = 14 + 2 + out.swf.tags[0].body.size() + (out.swf.tags[0].longForm ? 4 : 0);
    EXPECT_EQ(Bytes(out.bytes.begin() + static_cast<long>(at), out.bytes.begin() + static_cast<long>(at + 10)), c.tag)
        << std::hex << c.header;
  }
}

TEST_F(SwfConversionTest, TruncatesAtMaximumLength) {
  const std::string in = Write(test::SyntheticMp3(kMpeg1_44k_128_Joint, 400));  // about 10 s
  const Converted out = Convert(in, 10, 3);
  EXPECT_EQ(out.status, kStatusTruncated);
  ASSERT_TRUE(out.swf.ok);
  EXPECT_EQ(test::DoActionVariables(out.swf.tags[0].body)[3].second, "3");
  const auto blocks = Blocks(out.swf);
  EXPECT_EQ(blocks.size(), 29u);  // movie frames 0..28 carry audio
  EXPECT_EQ(out.swf.frameCount, out.swf.count(kSwfTagShowFrame));
  EXPECT_GE(out.swf.frameCount, 29);

  // A limit past 16,000 movie frames is held there.
  const Converted longer = Convert(in, 10, 2000);
  EXPECT_EQ(test::DoActionVariables(longer.swf.tags[0].body)[3].second, "1600");
  EXPECT_EQ(longer.status, kStatusOk);  // the file ended first
}

TEST_F(SwfConversionTest, StopActionsAtStartAndOnLastFrame) {
  const Converted out = Convert(Write(test::SyntheticMp3(kMpeg1_44k_128_Joint, 30)), 10, 0, 3);
  ASSERT_TRUE(out.swf.ok);
  const Bytes stop = {0x07, 0x00};
  std::vector<size_t> stops;
  size_t lastBlock = 0;
  for (size_t i = 0; i < out.swf.tags.size(); ++i) {
    if (out.swf.tags[i].code == kSwfTagDoAction && out.swf.tags[i].body == stop) stops.push_back(i);
    if (out.swf.tags[i].code == kSwfTagSoundStreamBlock) lastBlock = i;
  }
  ASSERT_EQ(stops.size(), 2u);
  EXPECT_EQ(out.swf.tags[stops[0] + 1].code, kSwfTagSoundStreamHead2);
  EXPECT_EQ(stops[1], lastBlock + 1);
  EXPECT_EQ(out.swf.tags[stops[1] + 1].code, kSwfTagShowFrame);
}

TEST_F(SwfConversionTest, RejectsWhatCannotBeStreamed) {
  // Every frame at 48 kHz.
  EXPECT_EQ(Convert(Write(test::SyntheticMp3(kMpeg1_48k_128, 20)), 10).status, kStatusUnsupported);
  // The first header found decides, even when streamable frames follow.
  Bytes mixed = test::SyntheticMp3(kMpeg1_48k_128, 1);
  const Bytes good = test::SyntheticMp3(kMpeg1_44k_128_Joint, 20);
  mixed.insert(mixed.end(), good.begin(), good.end());
  EXPECT_EQ(Convert(Write(mixed), 10).status, kStatusUnsupported);
  // No frame at all.
  EXPECT_EQ(Convert(Write(Bytes(1000, 0x41)), 10).status, kStatusUnsupported);
  EXPECT_EQ(Convert(Write(Bytes{}), 10).status, kStatusUnsupported);
  // Missing file: nothing else is tried.
  EXPECT_EQ(Convert(dir_.file("missing.mp3"), 10).status, kStatusCannotOpen);
}

TEST_F(SwfConversionTest, SkipsUnsupportedFramesLaterInTheStream) {
  Bytes mp3 = test::SyntheticMp3(kMpeg1_44k_128_Joint, 10);
  const Bytes foreign = test::SyntheticMp3(kMpeg1_48k_128, 3);
  const Bytes tail = test::SyntheticMp3(kMpeg1_44k_128_Joint, 10);
  mp3.insert(mp3.end(), foreign.begin(), foreign.end());
  mp3.insert(mp3.end(), tail.begin(), tail.end());
  const Converted out = Convert(Write(mp3), 10);
  ASSERT_EQ(out.status, kStatusOk);
  size_t audioBytes = 0;
  for (const auto& t : out.swf.tags)
    if (t.code == kSwfTagSoundStreamBlock) audioBytes += t.body.size() - 4;
  EXPECT_EQ(audioBytes, 20u * 417);
}

TEST_F(SwfConversionTest, PathExtensionRule) {
  const Bytes mp3 = test::SyntheticMp3(kMpeg1_44k_128_Joint, 5);
  // ".MP3" opens as it is.
  EXPECT_EQ(Convert(Write(mp3, "x.MP3"), 10).status, kStatusOk);
  // A path that does not exist as given gets ".mp3" appended.
  Write(mp3, "y.mp2.mp3");
  EXPECT_EQ(Convert(dir_.file("y.mp2"), 10).status, kStatusOk);
  // An existing file is opened as it is, whatever its extension.
  EXPECT_EQ(Convert(Write(mp3, "z.mpeg"), 10).status, kStatusOk);
}

TEST_F(SwfConversionTest, CancelBeforeFirstFrameGivesHeaderTagsOnly) {
  SwfConversion conv;
  conv.mp3Path = Write(test::SyntheticMp3(kMpeg1_44k_128_Joint, 50));
  conv.frameRate = 10;
  conv.progress = [](int64_t position, int64_t, ProgressContext) {
    if (position == 0) conversionAbort().set(1);
  };
  conversionAbort().set(0);
  int32_t status = -99;
  auto movie = ConvertMp3ToSwf(conv, {}, status);
  ASSERT_TRUE(movie);
  EXPECT_EQ(status, kStatusAborted);
  const test::SwfFile swf = test::ParseSwf(Bytes(movie->data(), movie->data() + movie->GetPosition()));
  ASSERT_TRUE(swf.ok);
  EXPECT_EQ(swf.frameCount, 0);
  ASSERT_EQ(swf.tags.size(), 3u);  // track info, sound stream head, End
  EXPECT_EQ(swf.tags[2].code, kSwfTagEnd);
}

TEST_F(SwfConversionTest, CancelMidwayEndsWellFormed) {
  SwfConversion conv;
  conv.mp3Path = Write(test::SyntheticMp3(kMpeg1_44k_128_Joint, 200));
  conv.frameRate = 10;
  conv.progress = [](int64_t position, int64_t, ProgressContext) {
    if (position > 20000) conversionAbort().set(1);
  };
  conversionAbort().set(0);
  int32_t status = -99;
  auto movie = ConvertMp3ToSwf(conv, {}, status);
  ASSERT_TRUE(movie);
  EXPECT_EQ(status, kStatusAborted);
  const test::SwfFile swf = test::ParseSwf(Bytes(movie->data(), movie->data() + movie->GetPosition()));
  ASSERT_TRUE(swf.ok) << swf.error;
  EXPECT_EQ(swf.frameCount, swf.count(kSwfTagShowFrame));
  EXPECT_GT(swf.count(kSwfTagSoundStreamBlock), 0u);
  EXPECT_LT(swf.count(kSwfTagSoundStreamBlock), 40u);
}

TEST_F(SwfConversionTest, StreamingToFileGivesTheSameBytes) {
  const std::string in = Write(test::SyntheticMp3(kMpeg1_44k_128_Joint, 300));
  const Converted inMemory = Convert(in, 10);
  SwfConversion conv;
  conv.mp3Path = in;
  conv.frameRate = 10;
  FILE* file = std::fopen(dir_.file("out.swf").c_str(), "wb");
  SwfMovie movie(file, 1000);  // drain often
  conversionAbort().set(0);
  EXPECT_EQ(ConvertMp3ToSwf(conv, {}, movie), kStatusOk);
  EXPECT_FALSE(movie.failed());
  std::fclose(file);
  EXPECT_EQ(test::ReadFileBytes(dir_.file("out.swf")), inMemory.bytes);
}

TEST_F(SwfConversionTest, FrameCountHeldAtSixteenBitMaximum) {
  // 11025 Hz at 200 fps: about ten movie frames per MP3 frame.
  const Converted out = Convert(Write(test::SyntheticMp3(0xFFE310C0, 7000)), 200);  // 8 kbit/s mono
  ASSERT_TRUE(out.swf.ok) << out.swf.error;
  EXPECT_GT(out.swf.count(kSwfTagShowFrame), 65535u);
  EXPECT_EQ(out.swf.frameCount, 65535);
  EXPECT_EQ(out.swf.fileLength, out.bytes.size());
}

}  // namespace
}  // namespace brelvano

namespace brelvano {
namespace {

TEST(SwfConversionLog, ReportsBitRateChangesAndTheMovie) {
  test::TempDir home;
  const std::string input = home.file("in.mp3");
  test::Bytes mp3 = test::SyntheticMp3(0xFFFB9044, 12);       // 128 kbit/s
  const test::Bytes faster = test::SyntheticMp3(0xFFFBA044, 12);  // 160 kbit/s
  mp3.insert(mp3.end(), faster.begin(), faster.end());
  test::WriteFileBytes(input, mp3);
  // The process log opens on the first message while these are set.
  setenv("HOME", home.path().c_str(), 1);
  setenv("BRELVANOLOG", "1", 1);
  SwfConversion conv;
  conv.mp3Path = input;
  conv.frameRate = 10;
  conversionAbort().set(0);
  int32_t status = -99;
  ConvertMp3ToSwf(conv, {}, status);
  conv.mp3Path = home.file("missing.mp3");
  ConvertMp3ToSwf(conv, {}, status);
  unsetenv("BRELVANOLOG");
  conversionAbort().set(-1);
  const test::Bytes log = test::ReadFileBytes(home.file("dravik.log"));
  const std::string text(log.begin(), log.end());
  // At 10 fps each movie frame carries 4 MP3 frames: the first 160 kbit/s
  // header is found while movie frame 2 (the third) is being filled.
  EXPECT_NE(text.find("Bitrate change 128 -> 160 at Frame 2\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Bitrate change", text.find("Bitrate change") + 1), std::string::npos);
  EXPECT_NE(text.find("\tFrame rate = 10,  Number of frames = "), std::string::npos) << text;
  EXPECT_NE(text.find("Can't open file " + home.file("missing.mp3")), std::string::npos) << text;
}

}  // namespace
}  // namespace brelvano
