// The decoder's subband samples, run through the standard's synthesis, against
// real decodings of the same streams mixed to mono.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <set>

#include "spectrum/spectrum_decoder.h"
#include "spectrum_test_support.h"

namespace brelvano::test {
namespace {

struct ErrorFigures {
  double rmsLsb = 0;
  double peakLsb = 0;
  double snrDb = 0;
  size_t samples = 0;
};

// Accumulates the error of `ours` (full scale 1.0) against `reference` (full scale 1.0).
class ErrorMeter {
 public:
  void Add(double ours, double reference) {
    const double e = ours - reference;
    errorEnergy_ += e * e;
    signalEnergy_ += reference * reference;
    peak_ = std::max(peak_, std::fabs(e));
    ++count_;
  }
  ErrorFigures Figures() const {
    ErrorFigures f;
    f.samples = count_;
    if (count_ == 0) return f;
    f.rmsLsb = std::sqrt(errorEnergy_ / static_cast<double>(count_)) * 32768.0;
    f.peakLsb = peak_ * 32768.0;
    f.snrDb = errorEnergy_ > 0 ? 10.0 * std::log10(signalEnergy_ / errorEnergy_) : 999.0;
    return f;
  }

 private:
  double errorEnergy_ = 0;
  double signalEnergy_ = 0;
  double peak_ = 0;
  size_t count_ = 0;
};

struct ConformanceStream {
  const char* name;
  size_t firstReferenceFrame;  // the reference PCM starts with this frame
  size_t compareFrom;          // first frame whose samples are compared
  std::set<size_t> uncertain;  // frames where the reference itself is in doubt
  int expectedNullFrames = 0;  // frames whose main data is not in the stream
};

void PrintTo(const ConformanceStream& stream, std::ostream* os) { *os << stream.name; }

class ConformanceAccuracy : public ::testing::TestWithParam<ConformanceStream> {};

TEST_P(ConformanceAccuracy, MonoMixWithinOneLsbRms) {
  const ConformanceStream& stream = GetParam();
  const std::string bit = ConformanceFile(std::string(stream.name) + ".bit");
  const std::string pcm = ConformanceFile(std::string(stream.name) + ".pcm");
  if (bit.empty() || pcm.empty()) GTEST_SKIP() << "conformance data not found";
  SpectrumDecoderInit(32);
  const Bytes bitstream = ReadFileBytes(bit);
  const Bytes reference = ReadFileBytes(pcm);
  const std::vector<Mp3Frame> frames = SplitFrames(bitstream);
  ASSERT_FALSE(frames.empty());
  const MonoDecoding ours = DecodeToMono(frames);

  ErrorMeter meter;
  size_t at = 0;  // byte offset into the reference
  size_t compared = 0;
  for (size_t f = stream.firstReferenceFrame; f < frames.size(); ++f) {
    const size_t count = static_cast<size_t>(frames[f].samples) * static_cast<size_t>(frames[f].channels);
    if (at + 2 * count > reference.size()) break;
    const bool use = f >= stream.compareFrom && stream.uncertain.count(f) == 0;
    for (int i = 0; i < frames[f].samples && use; ++i) {
      double mix = 0;
      bool clipped = false;
      for (int c = 0; c < frames[f].channels; ++c) {
        const size_t o = at + 2 * (static_cast<size_t>(i) * static_cast<size_t>(frames[f].channels) + c);
        const int16_t value = static_cast<int16_t>(reference[o] | (reference[o + 1] << 8));
        clipped = clipped || value >= 32767 || value <= -32767;  // the references clip symmetrically
        mix += value;
      }
      // A saturated reference channel says nothing of the true value.
      if (clipped) continue;
      mix /= frames[f].channels;
      const double mine = std::clamp(ours.pcm[ours.frameStart[f] + static_cast<size_t>(i)] * 32768.0, -32768.0, 32767.0);
      meter.Add(mine / 32768.0, mix / 32768.0);
      if (std::getenv("SPECTRUM_TRACE") && std::fabs(mine - mix) > 4.0)
        std::printf("frame %zu sample %d ours %.2f ref %.1f\n", f, i, mine, mix);
    }
    if (use) ++compared;
    at += 2 * count;
  }
  const ErrorFigures figures = meter.Figures();
  std::printf("[accuracy] %-22s frames %4zu  rms %8.3f LSB  peak %9.2f LSB  snr %6.1f dB  null frames %d\n",
              stream.name, compared, figures.rmsLsb, figures.peakLsb, figures.snrDb, ours.failed);
  EXPECT_GT(compared, 10u);
  EXPECT_EQ(ours.failed, stream.expectedNullFrames);
  EXPECT_LE(figures.rmsLsb, 1.0);
  EXPECT_LE(figures.peakLsb, 4.0);
}

// Which frames each reference covers and which are in doubt: see the README of
// the conformance data (the ISO MPEG-1 references leave out the last frame;
// l3-sin1k0db starts at frame 2 after two frames without their reservoir; the
// l3-he_mode reference departs at the channel-count switches, frames 10 and 110).
INSTANTIATE_TEST_SUITE_P(
    Streams, ConformanceAccuracy,
    ::testing::Values(ConformanceStream{"l3-he_44khz", 0, 0, {}}, ConformanceStream{"l3-he_mode", 0, 0, {10, 110}},
                      ConformanceStream{"l3-hecommon", 0, 0, {}}, ConformanceStream{"l3-si", 0, 0, {}},
                      ConformanceStream{"l3-si_block", 0, 0, {}}, ConformanceStream{"l3-si_huff", 0, 0, {}},
                      ConformanceStream{"l3-sin1k0db", 2, 3, {}, 2},
                      ConformanceStream{"M2L3_bitrate_22_all", 0, 0, {}},
                      ConformanceStream{"M2L3_noise", 0, 0, {}}, ConformanceStream{"l3-test45", 0, 0, {}},
                      ConformanceStream{"l3-test46", 0, 0, {}}),
    [](const ::testing::TestParamInfo<ConformanceStream>& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

class LameFixtureAccuracy : public ::testing::TestWithParam<const char*> {};

TEST_P(LameFixtureAccuracy, MonoMixAtLeast90DbBelowSignal) {
#ifndef BRELVANO_HAVE_MPG123
  GTEST_SKIP() << "libmpg123 not available";
#else
  const std::string path = DataFile(std::string("spectrum/") + GetParam());
  SpectrumDecoderInit(32);
  const Bytes bytes = ReadFileBytes(path);
  std::vector<Mp3Frame> frames = SplitFrames(bytes);
  ASSERT_GT(frames.size(), 10u);
  // mpg123 does not output the information frame; decode it anyway (its
  // silence goes through the filter bank) and compare from the next frame.
  const size_t first = IsInfoFrame(frames[0]) ? 1 : 0;
  const MonoDecoding ours = DecodeToMono(frames);
  std::vector<double> reference;
  ASSERT_TRUE(DecodeWithMpg123(path, reference));
  ErrorMeter meter;
  const size_t offset = ours.frameStart[first];
  const size_t count = std::min(reference.size(), ours.pcm.size() - offset);
  for (size_t i = 0; i < count; ++i) meter.Add(ours.pcm[offset + i], reference[i]);
  const ErrorFigures figures = meter.Figures();
  std::printf("[accuracy] %-26s samples %6zu  rms %8.4f LSB  peak %8.3f LSB  snr %6.1f dB  null frames %d\n",
              GetParam(), figures.samples, figures.rmsLsb, figures.peakLsb, figures.snrDb, ours.failed);
  EXPECT_GT(count, ours.pcm.size() - offset - 1152);
  EXPECT_EQ(ours.failed, 0);
  EXPECT_GE(figures.snrDb, 90.0);
#endif
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LameFixtureAccuracy,
                         ::testing::Values("stereo44_transients.mp3", "joint44_transients.mp3",
                                           "mono44_transients.mp3", "mono22_transients.mp3",
                                           "joint22_transients.mp3", "joint11_transients.mp3",
                                           "stereo11_transients.mp3", "mono11_transients.mp3"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace brelvano::test
