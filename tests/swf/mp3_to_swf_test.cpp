#include "swf/mp3_to_swf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "base/conversion_abort.h"
#include "support/swf_reader.h"
#include "support/test_files.h"
#include "swf/swf_tags.h"

namespace brelvano {
namespace {

using test::Bytes;
using test::SyntheticMp3;

constexpr uint32_t k44k = 0xFFFB9044;  // MPEG-1, 128 kbit/s, joint stereo: 1152 samples, 417 bytes
constexpr uint32_t k22k = 0xFFF38000;  // MPEG-2, 64 kbit/s, stereo: 576 samples
constexpr uint32_t k11k = 0xFFE340C0;  // MPEG-2.5, 32 kbit/s, mono: 576 samples
constexpr uint32_t k48k = 0xFFFB9444;  // valid, but not streamable

struct Converted {
  int32_t status = -99;
  Bytes bytes;
  test::SwfFile swf;
};

SwfConversion Conv(const std::string& path, int32_t R) {
  SwfConversion conv;
  conv.mp3Path = path;
  conv.frameRate = R;
  return conv;
}

class SwfConversionTest : public ::testing::Test {
 protected:
  void TearDown() override { conversionAbort().set(-1); }
  std::string Write(const Bytes& mp3, std::string name = "") {
    if (name.empty()) name = "in" + std::to_string(files_++) + ".mp3";
    test::WriteFileBytes(dir_.file(name), mp3);
    return dir_.file(name);
  }
  Converted Convert(SwfConversion conv, const _MP3prop& prop = {}) {
    Converted c;
    conversionAbort().set(0);  // as the driver does before each track
    if (auto movie = ConvertMp3ToSwf(conv, prop, c.status)) {
      c.bytes.assign(movie->data(), movie->data() + movie->GetPosition());
      c.swf = test::ParseSwf(c.bytes);
    }
    return c;
  }
  Converted Convert(const Bytes& mp3, int32_t R, int32_t maxSeconds = 0) {
    SwfConversion conv = Conv(Write(mp3), R);
    conv.maxSeconds = maxSeconds;
    return Convert(conv);
  }
  test::TempDir dir_;
  int files_ = 0;
};

// (sample count, seek samples) of every SoundStreamBlock.
std::vector<std::pair<uint32_t, uint32_t>> Blocks(const test::SwfFile& swf) {
  std::vector<std::pair<uint32_t, uint32_t>> blocks;
  for (const auto& t : swf.tags)
    if (t.code == kSwfTagSoundStreamBlock)
      blocks.emplace_back(t.body[0] | t.body[1] << 8, t.body[2] | t.body[3] << 8);
  return blocks;
}

TEST_F(SwfConversionTest, DistributesFramesOverMovieFrames) {
  const struct {
    uint32_t header;
    int32_t frameRate;
    std::vector<std::pair<uint32_t, uint32_t>> firstBlocks;
  } cases[] = {
      {k44k,
       10,
       {{4608, 0}, {4608, 198}, {4608, 396}, {4608, 594}, {4608, 792}, {3456, 990}, {4608, 36}}},
      {k22k, 10, {{2304, 0}, {2304, 99}, {2304, 198}, {2304, 297}, {2304, 396}, {1728, 495}}},
      {k44k, 12, {{4608, 0}, {3456, 933}, {3456, 714}, {3456, 495}, {3456, 276}, {4608, 57}}},
      {k11k, 30, {{1152, 0}, {0, 0}, {0, 0}, {576, 48}, {576, 256}, {0, 0}, {576, 96}, {576, 304}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << std::hex << c.header << std::dec << " at " << c.frameRate << " fps");
    const Converted out = Convert(SyntheticMp3(c.header, 200), c.frameRate);
    ASSERT_EQ(out.status, kStatusOk);
    ASSERT_TRUE(out.swf.ok) << out.swf.error;
    const auto blocks = Blocks(out.swf);
    ASSERT_GE(blocks.size(), c.firstBlocks.size());
    EXPECT_EQ(decltype(blocks)(blocks.begin(), blocks.begin() + long(c.firstBlocks.size())),
              c.firstBlocks);
  }
}

TEST_F(SwfConversionTest, MovieStructure) {
  _MP3prop prop;
  std::snprintf(prop.id3.song, sizeof prop.id3.song, "%s", "Caf\xC3\xA9");
  std::snprintf(prop.id3.artist, sizeof prop.id3.artist, "%s", "Art");
  prop.duration = 7;
  SwfConversion conv = Conv(Write(SyntheticMp3(k44k, 40)), 10);
  conv.stopFlags = kStopAtStart | kStopAtEnd;
  const Converted out = Convert(conv, prop);
  ASSERT_EQ(out.status, kStatusOk);
  ASSERT_TRUE(out.swf.ok) << out.swf.error;
  const size_t n = out.bytes.size();
  EXPECT_EQ(Bytes(out.bytes.begin(), out.bytes.begin() + 14),
            (Bytes{
                'F', 'W', 'S',                                     // uncompressed
                6,                                                 // version
                uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), 0,  // file length
                0x10, 0x28,                                        // empty frame RECT
                0x00, 10,                                          // 10.0 frames per second
                12, 0,                                             // frame count
            }));
  // 40 frames of 1152 samples at 4410 samples per movie frame need 11 frames;
  // the last block announces the 4 MP3 frames it was planned for, though the
  // file ended after 3, so the carry asks for one frame more.
  EXPECT_EQ(out.swf.count(kSwfTagShowFrame), 12u);
  EXPECT_EQ(out.swf.tags[0].code, kSwfTagDoAction);
  EXPECT_EQ(test::DoActionVariables(out.swf.tags[0].body),
            (std::vector<std::pair<std::string, std::string>>{{"title", "Caf\xC3\xA9"},
                                                              {"artist", "Art"},
                                                              {"album", ""},
                                                              {"duration", "7"},
                                                              {"id3", "1"}}));
  const Bytes stop = {0x07, 0x00};  // DoAction: Stop
  EXPECT_EQ(out.swf.tags[1].body, stop);
  EXPECT_EQ(out.swf.tags[2].code, kSwfTagSoundStreamHead2);
  Bytes audio;  // every MP3 frame, in order and unchanged, in long-form blocks
  size_t last = 0;
  for (size_t i = 0; i < out.swf.tags.size(); ++i) {
    const test::SwfTag& t = out.swf.tags[i];
    if (t.code != kSwfTagSoundStreamBlock) continue;
    EXPECT_TRUE(t.longForm);
    audio.insert(audio.end(), t.body.begin() + 4, t.body.end());
    last = i;
  }
  EXPECT_EQ(audio, SyntheticMp3(k44k, 40));
  // The other stop action comes right behind the last block, in its frame.
  EXPECT_EQ(out.swf.tags[last + 1].body, stop);
  EXPECT_EQ(out.swf.tags[last + 2].code, kSwfTagShowFrame);
  EXPECT_EQ(out.swf.count(kSwfTagDoAction), 3u);
}

TEST_F(SwfConversionTest, SoundStreamHeadByRateAndMode) {
  const struct {
    uint32_t header;
    int32_t frameRate;
    Bytes tag;
  } cases[] = {
      {k44k,
       10,
       {0x48, 0x0B,                // tag 45, 8 bytes
        0x0B,                      // playback 22 kHz, 16 bit, stereo
        0x2F,                      // MP3, 44 kHz, 16 bit, stereo
        0x3A, 0x11,                // 4410 samples per movie frame
        0x61, 0x06, 0x00, 0x00}},  // LatencySeek 1633
      {k22k, 30, {0x48, 0x0B, 0x0B, 0x2B, 0xDF, 0x02, 0x61, 0x06, 0x00, 0x00}},
      {k11k, 7, {0x48, 0x0B, 0x0B, 0x26, 0x27, 0x06, 0x61, 0x06, 0x00, 0x00}},
  };
  for (const auto& c : cases) {
    const Converted out = Convert(SyntheticMp3(c.header, 10), c.frameRate);
    ASSERT_TRUE(out.swf.ok);
    const auto at = long(14 + 2 + out.swf.tags[0].body.size() + (out.swf.tags[0].longForm ? 4 : 0));
    EXPECT_EQ(Bytes(out.bytes.begin() + at, out.bytes.begin() + at + 10), c.tag)
        << std::hex << c.header;
  }
}

TEST_F(SwfConversionTest, TruncatesAtMaximumLength) {
  const Bytes mp3 = SyntheticMp3(k44k, 400);  // about 10 s
  const Converted out = Convert(mp3, 10, 3);
  EXPECT_EQ(out.status, kStatusTruncated);
  ASSERT_TRUE(out.swf.ok);
  EXPECT_EQ(test::DoActionVariables(out.swf.tags[0].body)[3].second, "3");
  EXPECT_EQ(Blocks(out.swf).size(), 29u);  // movie frames 0..28 carry audio
  EXPECT_EQ(out.swf.frameCount, out.swf.count(kSwfTagShowFrame));
  // A limit past 16,000 movie frames is held there; the file ends first.
  const Converted longer = Convert(mp3, 10, 2000);
  EXPECT_EQ(test::DoActionVariables(longer.swf.tags[0].body)[3].second, "1600");
  EXPECT_EQ(longer.status, kStatusOk);
  // Regression: 143165577 s × 30 fps wrapped to 14 movie frames in 32 bits,
  // cutting a 4 s track short as "Truncated". Held at 16,000 frames instead.
  const Bytes fourSeconds = SyntheticMp3(k44k, 154);
  for (const auto& [seconds, frameRate, duration] :
       {std::tuple{143165577, 30, "533"}, {2147483647, 200, "80"}, {2147483647, 1, "16000"}}) {
    SCOPED_TRACE(seconds);
    const Converted huge = Convert(fourSeconds, frameRate, seconds);
    EXPECT_EQ(huge.status, kStatusOk);
    EXPECT_EQ(test::DoActionVariables(huge.swf.tags[0].body)[3].second, duration);
    size_t audioBytes = 0;
    for (const auto& t : huge.swf.tags)
      audioBytes += t.code == kSwfTagSoundStreamBlock ? t.body.size() - 4 : 0;
    EXPECT_EQ(audioBytes, fourSeconds.size());
  }
}

TEST_F(SwfConversionTest, StatusByInput) {
  const Bytes good = SyntheticMp3(k44k, 10);
  auto cat = [](Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  Write(good, "y.mp2.mp3");
  const struct {
    const char* name;
    std::string path;
    int32_t status;
    size_t audioBytes;
  } cases[] = {
      {"every frame at 48 kHz", Write(SyntheticMp3(k48k, 20)), kStatusUnsupported, 0},
      // The first header found decides, even when streamable frames follow.
      {"48 kHz first", Write(cat(SyntheticMp3(k48k, 1), good)), kStatusUnsupported, 0},
      {"48 kHz later: skipped", Write(cat(cat(good, SyntheticMp3(k48k, 3)), good)), kStatusOk,
       20 * 417},
      {"no frame at all", Write(Bytes(1000, 0x41)), kStatusUnsupported, 0},
      {"empty", Write({}), kStatusUnsupported, 0},
      {"missing", dir_.file("missing.mp3"), kStatusCannotOpen, 0},
      {".MP3 opens as it is", Write(good, "x.MP3"), kStatusOk, 10 * 417},
      {"any existing file opens as it is", Write(good, "z.mpeg"), kStatusOk, 10 * 417},
      {"a missing path gets \".mp3\"", dir_.file("y.mp2"), kStatusOk, 10 * 417},
  };
  for (const auto& c : cases) {
    const Converted out = Convert(Conv(c.path, 10));
    EXPECT_EQ(out.status, c.status) << c.name;
    size_t audioBytes = 0;
    for (const auto& t : out.swf.tags)
      audioBytes += t.code == kSwfTagSoundStreamBlock ? t.body.size() - 4 : 0;
    EXPECT_EQ(audioBytes, c.audioBytes) << c.name;
  }
}

TEST_F(SwfConversionTest, CancelEndsWellFormed) {
  for (int64_t cancelAt : {0, 20000}) {
    SwfConversion conv{Write(SyntheticMp3(k44k, 200)), 10};
    conv.progress = [](int64_t position, int64_t, ProgressContext at) {
      if (position >= *static_cast<int64_t*>(at)) conversionAbort().set(1);
    };
    conv.context = &cancelAt;
    const Converted out = Convert(conv);
    EXPECT_EQ(out.status, kStatusAborted);
    ASSERT_TRUE(out.swf.ok) << out.swf.error;
    EXPECT_EQ(out.swf.frameCount, out.swf.count(kSwfTagShowFrame));
    // At once: the header tags only (track info, sound stream head, End).
    const size_t blocks = out.swf.count(kSwfTagSoundStreamBlock);
    EXPECT_TRUE(cancelAt == 0 ? out.swf.tags.size() == 3 : blocks > 0 && blocks < 40) << blocks;
  }
}

TEST_F(SwfConversionTest, StreamingToFileGivesTheSameBytes) {
  const SwfConversion conv{Write(SyntheticMp3(k44k, 300)), 10};
  const Converted inMemory = Convert(conv);
  FILE* file = std::fopen(dir_.file("out.swf").c_str(), "wb");
  SwfMovie movie(file, 1000);  // drain often
  EXPECT_EQ(ConvertMp3ToSwf(conv, {}, movie), kStatusOk);
  EXPECT_FALSE(movie.failed());
  std::fclose(file);
  EXPECT_EQ(test::ReadFileBytes(dir_.file("out.swf")), inMemory.bytes);
}

// 11025 Hz at 200 fps, 8 kbit/s mono: about ten movie frames per MP3 frame;
// 7000 frames of 576 samples last 365.7 s, 73,000 movie frames at 200 fps.
TEST_F(SwfConversionTest, LongTrackGetsTheHighestFrameRateAtWhichItsFramesFit) {
  _MP3prop prop;
  prop.duration = 365;  // what the scan finds
  const Converted out = Convert(Conv(Write(SyntheticMp3(0xFFE310C0, 7000)), 200), prop);
  ASSERT_TRUE(out.swf.ok) << out.swf.error;
  EXPECT_EQ(out.swf.frameRate, (65535 / 367) << 8);  // 178 fps
  EXPECT_LE(out.swf.count(kSwfTagShowFrame), 65535u);
  EXPECT_EQ(out.swf.frameCount, out.swf.count(kSwfTagShowFrame));
  // A track that fits keeps the project's rate.
  prop.duration = 300;
  EXPECT_EQ(Convert(Conv(Write(SyntheticMp3(0xFFE310C0, 100)), 200), prop).swf.frameRate,
            200 << 8);
}

TEST_F(SwfConversionTest, WithoutADurationTheFrameCountIsHeldAtSixteenBitMaximum) {
  const Converted out = Convert(SyntheticMp3(0xFFE310C0, 7000), 200);
  ASSERT_TRUE(out.swf.ok) << out.swf.error;
  EXPECT_GT(out.swf.count(kSwfTagShowFrame), 65535u);
  EXPECT_EQ(out.swf.frameCount, 65535);
  EXPECT_EQ(out.swf.fileLength, out.bytes.size());
}

// Levels that name the frame they came from: every band holds the frame's
// index; every fifth frame cannot be analysed.
class CountingSpectrum final : public SpectrumSource {
 public:
  void Init(int subbandLimit) override { inits_ += subbandLimit == 32 ? 1 : 100; }
  const float* DecodeFrame(uint32_t, const uint8_t*, int32_t) override {
    const int index = calls_++;
    if (index % 5 == 4) return nullptr;
    for (float& level : levels_) level = static_cast<float>(index) + 0.5f;
    return levels_;
  }
  int inits_ = 0, calls_ = 0;

 private:
  float levels_[32] = {};
};

// Each block is followed by the levels of its last MP3 frame, when it has
// any; the first such tag sets all 32 bands. The decoder and the memory of
// what was sent come through the hooks.
TEST_F(SwfConversionTest, SpectrumOfEachBlocksLastFrame) {
  SwfConversion conv = Conv(Write(SyntheticMp3(k44k, 40)), 10);
  conv.spectrumOn = true;
  CountingSpectrum spectrum;
  SwfSpectrumMemory memory;
  memory[0] = 12.0f;  // reset by the conversion before its first frame
  SwfMovie movie;
  conversionAbort().set(0);
  ASSERT_EQ(ConvertMp3ToSwf(conv, {}, movie, SwfConversionHooks{&spectrum, &memory}), kStatusOk);
  EXPECT_EQ(spectrum.inits_, 1);
  EXPECT_EQ(spectrum.calls_, 40);
  const Bytes bytes(movie.buffer().data(), movie.buffer().data() + movie.buffer().GetPosition());
  const test::SwfFile swf = test::ParseSwf(bytes);
  ASSERT_TRUE(swf.ok) << swf.error;
  int frames = 0;
  size_t checkedTags = 0;
  for (size_t i = 0; i < swf.tags.size(); ++i) {
    if (swf.tags[i].code != kSwfTagSoundStreamBlock) continue;
    frames += int(swf.tags[i].body.size() - 4) / 417;
    const int last = frames - 1;
    const test::SwfTag& next = swf.tags[i + 1];
    if (last % 5 == 4) {
      EXPECT_EQ(next.code, kSwfTagShowFrame) << "block " << i;
      continue;
    }
    ASSERT_EQ(next.code, kSwfTagDoAction) << "block " << i;
    const auto variables = test::DoActionVariables(next.body);
    ASSERT_EQ(variables.size(), 32u);  // every band changes its integer part
    EXPECT_EQ(variables[0], std::make_pair(std::string("s0"), std::to_string(last)));
    ++checkedTags;
  }
  EXPECT_GT(checkedTags, 5u);
  EXPECT_EQ(memory[31], 38.5f);  // frame 39 gave none: what was sent last stays
}

TEST_F(SwfConversionTest, LogsBitRateChangesAndTheMovie) {
  // The process log opens on the first message while these are set.
  setenv("HOME", dir_.path().c_str(), 1);
  setenv("BRELVANOLOG", "1", 1);
  Bytes mp3 = SyntheticMp3(k44k, 12);
  const Bytes faster = SyntheticMp3(0xFFFBA044, 12);  // 160 kbit/s
  mp3.insert(mp3.end(), faster.begin(), faster.end());
  Convert(mp3, 10);
  Convert(Conv(dir_.file("missing.mp3"), 10));
  unsetenv("BRELVANOLOG");
  const Bytes bytes = test::ReadFileBytes(dir_.file("dravik.log"));
  const std::string text(bytes.begin(), bytes.end());
  // At 10 fps each movie frame carries 4 MP3 frames: the first 160 kbit/s
  // header is found while movie frame 2 (the third) is being filled.
  EXPECT_NE(text.find("Bitrate change 128 -> 160 at Frame 2\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Bitrate change", text.find("Bitrate change") + 1), std::string::npos);
  EXPECT_NE(text.find("\tFrame rate = 10,  Number of frames = "), std::string::npos) << text;
  EXPECT_NE(text.find("Can't open file " + dir_.file("missing.mp3")), std::string::npos) << text;
}

}  // namespace
}  // namespace brelvano
