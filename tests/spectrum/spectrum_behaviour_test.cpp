// The levels of real encoded signals: a sine shows in its own subband, and
// digital silence lets the levels fall towards 0; the reservoir spans files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "spectrum/spectrum_decoder.h"
#include "spectrum_test_support.h"

namespace brelvano::test {
namespace {

struct SineClip {
  const char* file;
  int rate;
  int frequency;
};

class SineLevels : public ::testing::TestWithParam<SineClip> {};

TEST_P(SineLevels, HighestLevelInTheSinesSubbandThenFallsInSilence) {
  const SineClip& clip = GetParam();
  SpectrumDecoderInit(32);
  const Bytes bytes = ReadFileBytes(DataFile(std::string("spectrum/") + clip.file));
  const std::vector<Mp3Frame> frames = SplitFrames(bytes);
  ASSERT_GT(frames.size(), 20u);
  const int samplesPerFrame = frames[0].samples;
  const size_t sineFrames = static_cast<size_t>(0.5 * clip.rate / samplesPerFrame);  // then 1 s of silence
  SpectrumDecoder decoder;
  std::vector<float> afterSine, previous, highest(32, 0.0f);
  for (size_t f = 0; f < frames.size(); ++f) {
    const float* levels = decoder.DecodeFrame(frames[f].header, frames[f].payload, frames[f].length);
    ASSERT_NE(levels, nullptr) << "frame " << f;
    if (f + 1 == sineFrames) afterSine.assign(levels, levels + 32);
    // Two frames after the sine ends the filter bank holds only silence.
    for (int b = 0; b < 32 && f > sineFrames + 2; ++b) {
      EXPECT_TRUE(levels[b] < previous[b] || levels[b] == 0.0f) << "frame " << f << " band " << b;
    }
    previous.assign(levels, levels + 32);
    for (int b = 0; b < 32; ++b) highest[b] = std::max(highest[b], levels[b]);
  }
  const int expectedBand = clip.frequency * 64 / clip.rate;  // 32 bands over rate / 2
  EXPECT_EQ(std::max_element(afterSine.begin(), afterSine.end()) - afterSine.begin(), expectedBand);
  EXPECT_GT(afterSine[expectedBand], 1.0f);
  // In silence every level falls by a thousandth per time slot (18 per
  // granule) from at most its highest value (the sine's end clicks in every band).
  const double slots = static_cast<double>(frames.size() - (sineFrames + 3)) * (samplesPerFrame / 576) * 18;
  const double fall = std::pow(0.999, slots);
  EXPECT_LT(fall, 0.75);
  for (int b = 0; b < 32; ++b) EXPECT_LE(previous[b], highest[b] * fall * 1.001) << "band " << b;
  for (int b = 18; b < 32; ++b) EXPECT_EQ(highest[b], 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Rates, SineLevels,
                         ::testing::Values(SineClip{"sine44_3000hz.mp3", 44100, 3000},
                                           SineClip{"sine22_1200hz.mp3", 22050, 1200},
                                           SineClip{"sine11_600hz.mp3", 11025, 600}),
                         [](const auto& info) { return std::to_string(info.param.rate); });

// The reservoir reaches back into whatever the decoder saw before, even the
// last frame of another file.
TEST(SpectrumReservoir, MainDataBeginReachesIntoThePreviousFile) {
  SpectrumDecoderInit(32);
  const Bytes a = ReadFileBytes(DataFile("spectrum/mono44_transients.mp3"));
  const Bytes b = ReadFileBytes(DataFile("spectrum/sine44_3000hz.mp3"));
  const std::vector<Mp3Frame> fa = SplitFrames(a), fb = SplitFrames(b);
  ASSERT_GT(fa.size(), 10u);
  // A frame of b with main_data_begin > 0, played after two different histories.
  size_t k = 1;
  while (k < fb.size() && ((fb[k].payload[0] << 1) | (fb[k].payload[1] >> 7)) == 0) ++k;
  ASSERT_LT(k, fb.size());
  auto run = [&](const Mp3Frame& before) {
    SpectrumDecoder decoder;
    std::vector<double> samples;
    decoder.DecodeFrame(before.header, before.payload, before.length);
    decoder.SetGranuleObserver(
        [](void* c, const SubbandSamples& s) {
          auto* out = static_cast<std::vector<double>*>(c);
          for (int t = 0; t < 18; ++t) out->insert(out->end(), s[t], s[t] + 32);
        },
        &samples);
    decoder.DecodeFrame(fb[k].header, fb[k].payload, fb[k].length);
    return samples;
  };
  EXPECT_EQ(run(fb[k - 1]), run(fb[k - 1]));
  EXPECT_NE(run(fb[k - 1]), run(fa[fa.size() / 2]));
}

}  // namespace
}  // namespace brelvano::test
