// The decoder on real streams: its subband samples, run through the standard's
// synthesis, against real decodings mixed to mono (the conformance references,
// libmpg123 for the lame fixtures); and its levels after every frame against the
// recordings in tests/data/spectrum/levels/, which no fast path may move.
//
// To record the levels again (only after a deliberate change of them), run the
// LevelsRegression tests with BRELVANO_RECORD_LEVELS set to a folder.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <set>

#include "spectrum/spectrum_decoder.h"
#include "spectrum_test_support.h"

#ifdef BRELVANO_HAVE_MPG123
#include <mpg123.h>
#endif

namespace brelvano::test {
namespace {

struct Stream {
  const char* name;                 // a fixture (".mp3") or a stream of the shared conformance data
  size_t firstReferenceFrame = 0;   // the conformance PCM starts with this frame
  size_t compareFrom = 0;           // first frame whose samples are compared
  std::set<size_t> uncertain = {};  // frames where the reference itself is in doubt
  int expectedNullFrames = 0;       // frames whose main data is not in the stream
};

std::string ParamName(const ::testing::TestParamInfo<Stream>& info) {
  std::string name = info.param.name;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

// A file of the shared conformance data, also looked for under $BRELVANO_SHARED_TESTDATA.
std::string ConformanceFile(const std::string& name) {
  const std::string path = SharedTestData("mp3-conformance/" + name);
  const char* root = std::getenv("BRELVANO_SHARED_TESTDATA");
  if (!path.empty() || root == nullptr) return path;
  const std::string other = std::string(root) + "/mp3-conformance/" + name;
  return FileExists(other) ? other : std::string();
}

class StreamTest : public ::testing::TestWithParam<Stream> {
 protected:
  void SetUp() override {
    name_ = GetParam().name;
    fixture_ = name_.ends_with(".mp3");
    path_ = fixture_ ? DataFile("spectrum/" + name_) : ConformanceFile(name_ + ".bit");
    if (path_.empty()) GTEST_SKIP() << "conformance data not found";
    SpectrumDecoderInit(32);
    bytes_ = ReadFileBytes(path_);
    frames_ = SplitFrames(bytes_);
    ASSERT_GT(frames_.size(), 10u);
  }
  std::string name_, path_;
  bool fixture_ = false;
  Bytes bytes_;
  std::vector<Mp3Frame> frames_;
};

#ifdef BRELVANO_HAVE_MPG123
// libmpg123's float decoding mixed to mono ((L + R) / 2), without gapless trimming.
bool DecodeWithMpg123(const std::string& path, std::vector<double>& mono) {
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  if (handle == nullptr) return false;
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_format_none(handle);
  for (long rate : {44100L, 22050L, 11025L}) mpg123_format(handle, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
  const bool opened = mpg123_open(handle, path.c_str()) == MPG123_OK;
  long rate = 0;
  int channels = 1, encoding = 0, rc = MPG123_OK;
  std::vector<float> buffer(8192);
  while (opened && (rc == MPG123_OK || rc == MPG123_NEW_FORMAT)) {
    size_t done = 0;
    rc = mpg123_read(handle, reinterpret_cast<unsigned char*>(buffer.data()), buffer.size() * sizeof(float), &done);
    if (rc == MPG123_NEW_FORMAT) mpg123_getformat(handle, &rate, &channels, &encoding);
    for (size_t i = 0; i + static_cast<size_t>(channels) <= done / sizeof(float); i += static_cast<size_t>(channels)) {
      mono.push_back(channels == 2 ? (static_cast<double>(buffer[i]) + buffer[i + 1]) / 2.0 : buffer[i]);
    }
  }
  mpg123_delete(handle);
  return opened;
}
#endif

// The reference from frame `first` on: mono, full scale 1.0, NaN where a
// channel saturates (the references clip symmetrically) and so says nothing
// of the true value. mpg123 leaves out lame's information frame.
std::vector<double> Reference(const std::string& pcmPath, const std::vector<Mp3Frame>& frames, size_t first) {
  std::vector<double> reference;
  if (pcmPath.ends_with(".mp3")) {
#ifdef BRELVANO_HAVE_MPG123
    DecodeWithMpg123(pcmPath, reference);
#endif
    return reference;
  }
  const Bytes pcm = ReadFileBytes(pcmPath);  // 16-bit little-endian, interleaved
  for (size_t f = first, at = 0; f < frames.size(); ++f) {
    const size_t channels = static_cast<size_t>(frames[f].channels);
    for (int i = 0; i < frames[f].samples && at + 2 * channels <= pcm.size(); ++i) {
      double mix = 0;
      for (size_t c = 0; c < channels; ++c, at += 2) {
        const int16_t value = static_cast<int16_t>(pcm[at] | (pcm[at + 1] << 8));
        mix += std::abs(value) >= 32767 ? std::numeric_limits<double>::quiet_NaN() : value / 32768.0;
      }
      reference.push_back(mix / static_cast<double>(channels));
    }
  }
  return reference;
}

using Accuracy = StreamTest;

TEST_P(Accuracy, MonoMixWithinOneLsbRms) {
#ifndef BRELVANO_HAVE_MPG123
  if (fixture_) GTEST_SKIP() << "libmpg123 not available";
#endif
  const Stream& s = GetParam();
  const std::string info(reinterpret_cast<const char*>(frames_[0].payload), static_cast<size_t>(frames_[0].length));
  const bool lameInfo = info.find("Info") != std::string::npos || info.find("Xing") != std::string::npos;
  const size_t first = fixture_ ? (lameInfo ? 1 : 0) : s.firstReferenceFrame;
  const std::vector<double> reference = Reference(fixture_ ? path_ : ConformanceFile(name_ + ".pcm"), frames_, first);
  ASSERT_FALSE(reference.empty());
  const MonoDecoding ours = DecodeToMono(frames_);
  double errorEnergy = 0, signalEnergy = 0, peak = 0;
  size_t samples = 0, compared = 0;
  for (size_t f = first, at = 0; f < frames_.size() && at + frames_[f].samples <= reference.size(); ++f) {
    const bool use = f >= s.compareFrom && s.uncertain.count(f) == 0;
    for (int i = 0; i < frames_[f].samples && use; ++i) {
      const double want = reference[at + static_cast<size_t>(i)];
      const double error = ours.pcm[ours.frameStart[f] + static_cast<size_t>(i)] - want;
      if (std::isnan(want)) continue;
      errorEnergy += error * error;
      signalEnergy += want * want;
      peak = std::max(peak, std::fabs(error));
      ++samples;
    }
    compared += use;
    at += static_cast<size_t>(frames_[f].samples);
  }
  const double rmsLsb = std::sqrt(errorEnergy / static_cast<double>(std::max<size_t>(samples, 1))) * 32768.0;
  const double snrDb = errorEnergy > 0 ? 10.0 * std::log10(signalEnergy / errorEnergy) : 999.0;
  std::printf("[accuracy] %-26s frames %4zu  rms %8.4f LSB  peak %8.3f LSB  snr %6.1f dB  null frames %d\n",
              s.name, compared, rmsLsb, peak * 32768.0, snrDb, ours.failed);
  EXPECT_GE(compared + s.compareFrom + s.uncertain.size() + 2, frames_.size()) << "reference too short";
  EXPECT_EQ(ours.failed, s.expectedNullFrames);
  EXPECT_LE(rmsLsb, 1.0);
  EXPECT_LE(peak * 32768.0, 4.0);
  EXPECT_GE(snrDb, fixture_ ? 90.0 : 0.0);
}

// Which frames each reference covers and which are in doubt: see the README of
// the conformance data (the ISO MPEG-1 references leave out the last frame;
// l3-sin1k0db starts at frame 2 after two frames without their reservoir; the
// l3-he_mode reference departs at the channel-count switches, frames 10 and 110).
INSTANTIATE_TEST_SUITE_P(
    Streams, Accuracy,
    ::testing::Values(Stream{"l3-he_44khz"}, Stream{"l3-he_mode", 0, 0, {10, 110}}, Stream{"l3-hecommon"},
                      Stream{"l3-si"}, Stream{"l3-si_block"}, Stream{"l3-si_huff"}, Stream{"l3-sin1k0db", 2, 3, {}, 2},
                      Stream{"M2L3_bitrate_22_all"}, Stream{"M2L3_noise"}, Stream{"l3-test45"}, Stream{"l3-test46"},
                      Stream{"stereo44_transients.mp3"}, Stream{"joint44_transients.mp3"}, Stream{"mono44_transients.mp3"},
                      Stream{"mono22_transients.mp3"}, Stream{"joint22_transients.mp3"}, Stream{"joint11_transients.mp3"},
                      Stream{"stereo11_transients.mp3"}, Stream{"mono11_transients.mp3"}),
    ParamName);

// One line per frame: "null", or the levels of bands 0..17 printed so that
// they read back as the same floats (bands 18..31 carry no weight and must stay 0.0).
std::vector<std::string> LevelLines(const std::vector<Mp3Frame>& frames, bool observe) {
  SpectrumDecoder decoder;  // fresh state: the sequence does not depend on test order
  if (observe) decoder.SetGranuleObserver([](void*, const SubbandSamples&) {}, nullptr);
  std::vector<std::string> lines;
  for (const Mp3Frame& frame : frames) {
    const float* levels = decoder.DecodeFrame(frame.header, frame.payload, frame.length);
    std::string line = levels ? "" : "null";
    char number[32];
    for (int band = 0; levels && band < kSpectrumBands; ++band) {
      if (band >= 18 && levels[band] != 0.0f) line += " (upper band not 0.0)";
      std::snprintf(number, sizeof number, band ? " %.9g" : "%.9g", static_cast<double>(levels[band]));
      if (band < 18) line += number;
    }
    lines.push_back(line);
  }
  return lines;
}

using LevelsRegression = StreamTest;

TEST_P(LevelsRegression, LevelsOfEveryFrameAsRecorded) {
  const std::vector<std::string> ours = LevelLines(frames_, false);
  EXPECT_TRUE(LevelLines(frames_, true) == ours) << "a granule observer changes the levels";
  if (const char* folder = std::getenv("BRELVANO_RECORD_LEVELS")) {
    std::ofstream out(std::string(folder) + "/" + name_ + ".levels");
    for (const std::string& line : ours) out << line << '\n';
    GTEST_SKIP() << "recorded " << name_;
  }
  std::vector<std::string> expected;
  std::ifstream in(DataFile("spectrum/levels/" + name_ + ".levels"));
  for (std::string line; std::getline(in, line);) expected.push_back(line);
  ASSERT_EQ(ours.size(), expected.size()) << "frame count";
  int differing = 0;
  for (size_t f = 0; f < ours.size(); ++f) {
    if (ours[f] != expected[f] && ++differing <= 3) {
      ADD_FAILURE() << "frame " << f << "\n  ours:     " << ours[f] << "\n  recorded: " << expected[f];
    }
  }
  EXPECT_EQ(differing, 0) << "frames whose levels differ from the recording";
}

INSTANTIATE_TEST_SUITE_P(Streams, LevelsRegression,
                         ::testing::Values(Stream{"stereo44_transients.mp3"}, Stream{"joint44_transients.mp3"},
                                           Stream{"mono44_transients.mp3"}, Stream{"joint22_transients.mp3"},
                                           Stream{"joint11_transients.mp3"}, Stream{"l3-he_mode"}, Stream{"l3-si_block"},
                                           Stream{"l3-si_huff"}),
                         ParamName);

}  // namespace
}  // namespace brelvano::test
