// The decoder on real streams. Its subband samples, run through the standard's
// synthesis, against real decodings mixed to mono (the conformance references,
// libmpg123 for the lame fixtures); its levels after every frame against the
// recordings in tests/data/spectrum/levels/, which no fast path may move; a
// sine in its subband at each rate, silence letting levels fall, and the
// reservoir reaching into the previous file.
//
// To record the levels again (only after a deliberate change of them), run the
// LevelsRegression tests with BRELVANO_RECORD_LEVELS set to a folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "analysis/frame_header.h"
#include "spectrum/layer3_spectrum_decoder.h"
#include "spectrum/spectrum_decoder.h"
#include "support/test_files.h"

#ifdef BRELVANO_HAVE_MPG123
#include <mpg123.h>
#endif

namespace brelvano::test {
namespace {

struct Mp3Frame {
  uint32_t header = 0;
  const uint8_t* payload = nullptr;
  int32_t length = 0;
  int samples = 0;  // per channel: 1152 or 576
  int channels = 0;
  int rate = 0;
};

// The complete frames of a file in order, found by stepping over bytes that
// start no frame; a cut last frame is left out.
std::vector<Mp3Frame> SplitFrames(const Bytes& bytes) {
  std::vector<Mp3Frame> frames;
  for (size_t at = 0; at + 4 <= bytes.size();) {
    const uint32_t word = (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
                          (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
    int32_t stereo = 0, rate = 0, bitrate = 0, body = 0;
    const int32_t samples = DecodeFrameHeader(word, stereo, rate, bitrate, body);
    const size_t end = at + 4 + static_cast<size_t>(body);
    if (samples <= 0 || end > bytes.size()) {
      ++at;
      continue;
    }
    frames.push_back({word, bytes.data() + at + 4, body, samples, stereo ? 2 : 1, rate});
    at = end;
  }
  return frames;
}

// The synthesis window D[i], i = 0..256, in units of 2^-16 (ISO/IEC 11172-3,
// Table B.3); D[512 - i] = -D[i] except at multiples of 64.
constexpr int32_t kSynthesisWindow[257] = {
    0,      -1,     -1,     -1,     -1,     -1,     -1,     -2,     -2,     -2,     -2,     -3,
    -3,     -4,     -4,     -5,     -5,     -6,     -7,     -7,     -8,     -9,     -10,    -11,
    -13,    -14,    -16,    -17,    -19,    -21,    -24,    -26,    -29,    -31,    -35,    -38,
    -41,    -45,    -49,    -53,    -58,    -63,    -68,    -73,    -79,    -85,    -91,    -97,
    -104,   -111,   -117,   -125,   -132,   -139,   -147,   -154,   -161,   -169,   -176,   -183,
    -190,   -196,   -202,   -208,   213,    218,    222,    225,    227,    228,    228,    227,
    224,    221,    215,    208,    200,    189,    177,    163,    146,    127,    106,    83,
    57,     29,     -2,     -36,    -72,    -111,   -153,   -197,   -244,   -294,   -347,   -401,
    -459,   -519,   -581,   -645,   -711,   -779,   -848,   -919,   -991,   -1064,  -1137,  -1210,
    -1283,  -1356,  -1428,  -1498,  -1567,  -1634,  -1698,  -1759,  -1817,  -1870,  -1919,  -1962,
    -2001,  -2032,  -2057,  -2075,  -2085,  -2087,  -2080,  -2063,  2037,   2000,   1952,   1893,
    1822,   1739,   1644,   1535,   1414,   1280,   1131,   970,    794,    605,    402,    185,
    -45,    -288,   -545,   -814,   -1095,  -1388,  -1692,  -2006,  -2330,  -2663,  -3004,  -3351,
    -3705,  -4063,  -4425,  -4788,  -5153,  -5517,  -5879,  -6237,  -6589,  -6935,  -7271,  -7597,
    -7910,  -8209,  -8491,  -8755,  -8998,  -9219,  -9416,  -9585,  -9727,  -9838,  -9916,  -9959,
    -9966,  -9935,  -9863,  -9750,  -9592,  -9389,  -9139,  -8840,  -8492,  -8092,  -7640,  -7134,
    6574,   5959,   5288,   4561,   3776,   2935,   2037,   1082,   70,     -998,   -2122,  -3300,
    -4533,  -5818,  -7154,  -8540,  -9975,  -11455, -12980, -14548, -16155, -17799, -19478, -21189,
    -22929, -24694, -26482, -28289, -30112, -31947, -33791, -35640, -37489, -39336, -41176, -43006,
    -44821, -46617, -48390, -50137, -51853, -53534, -55178, -56778, -58333, -59838, -61289, -62684,
    -64019, -65290, -66494, -67629, -68692, -69679, -70590, -71420, -72169, -72835, -73415, -73908,
    -74313, -74630, -74856, -74992, 75038,
};

// A fresh decoder's output run through the standard's polyphase synthesis
// (ISO/IEC 11172-3, Annex A, Figure A.2), with the frequency inversion the
// decoder leaves out: one channel at full scale 1.0. frameStart[f] is where
// frame f's samples begin; a frame that returns null gives zeros and counts in `failed`.
struct MonoDecoding {
  std::vector<double> pcm;
  std::vector<size_t> frameStart;
  int failed = 0;
  double window[512] = {}, matrix[64][32] = {}, v[1024] = {};

  explicit MonoDecoding(const std::vector<Mp3Frame>& frames) {
    for (int i = 0; i <= 256; ++i) {
      window[i] = kSynthesisWindow[i] / 65536.0;
      if (i != 0) window[512 - i] = i % 64 != 0 ? -window[i] : window[i];
    }
    for (int i = 0; i < 64; ++i) {
      for (int k = 0; k < 32; ++k)
        matrix[i][k] = std::cos((16 + i) * (2 * k + 1) * std::numbers::pi / 64);
    }
    SpectrumDecoder decoder;
    decoder.SetGranuleObserver(
        [](void* self, const SubbandSamples& s) { static_cast<MonoDecoding*>(self)->Add(s); },
        this);
    for (const Mp3Frame& frame : frames) {
      frameStart.push_back(pcm.size());
      if (decoder.DecodeFrame(frame.header, frame.payload, frame.length) == nullptr) ++failed;
      pcm.resize(frameStart.back() + static_cast<size_t>(frame.samples), 0.0);
    }
  }
  void Add(const SubbandSamples& samples) {
    for (int t = 0; t < 18; ++t) {
      std::copy_backward(v, v + 960, v + 1024);
      for (int i = 0; i < 64; ++i) {
        v[i] = 0;
        for (int k = 0; k < 32; ++k)
          v[i] += matrix[i][k] * (k & t & 1 ? -samples[t][k] : samples[t][k]);
      }
      for (int j = 0; j < 32; ++j) {
        double sum = 0;
        for (int i = 0; i < 8; ++i) {
          sum +=
              v[128 * i + j] * window[64 * i + j] + v[128 * i + 96 + j] * window[64 * i + 32 + j];
        }
        pcm.push_back(sum);
      }
    }
  }
};

struct Stream {
  const char* name;                 // a fixture (".mp3") or a conformance stream
  size_t firstReferenceFrame = 0;   // the conformance PCM starts with this frame
  size_t compareFrom = 0;           // first frame whose samples are compared
  std::set<size_t> uncertain = {};  // frames where the reference itself is in doubt
  int expectedNullFrames = 0;       // frames whose main data is not in the stream
};

void PrintTo(const Stream& stream, std::ostream* os) { *os << stream.name; }

std::string ParamName(const ::testing::TestParamInfo<Stream>& info) {
  std::string name = info.param.name;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

// A file of the conformance streams (tests/data/mp3-conformance, see its README).
std::string ConformanceFile(const std::string& name) { return DataFile("mp3-conformance/" + name); }

class StreamTest : public ::testing::TestWithParam<Stream> {
 protected:
  void SetUp() override {
    name_ = GetParam().name;
    fixture_ = name_.ends_with(".mp3");
    path_ = fixture_ ? DataFile("spectrum/" + name_) : ConformanceFile(name_ + ".bit");
    ASSERT_TRUE(FileExists(path_)) << path_;
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

// The reference from frame `first` on: mono, full scale 1.0, NaN where a
// channel saturates (the references clip symmetrically) and so says nothing
// of the true value. For a fixture, libmpg123's float decoding without gapless
// trimming (it leaves out lame's information frame).
std::vector<double> Reference(const std::string& pcmPath, const std::vector<Mp3Frame>& frames,
                              size_t first) {
  std::vector<double> reference;
#ifdef BRELVANO_HAVE_MPG123
  if (pcmPath.ends_with(".mp3")) {
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_FLOAT, 0);
    mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    long rate = 0;
    int channels = 1, encoding = 0, rc = mpg123_open(handle, pcmPath.c_str());
    std::vector<float> buffer(8192);
    for (size_t done = 0; rc == MPG123_OK || rc == MPG123_NEW_FORMAT;) {
      rc = mpg123_read(handle, reinterpret_cast<unsigned char*>(buffer.data()),
                       buffer.size() * sizeof(float), &done);
      if (rc == MPG123_NEW_FORMAT) mpg123_getformat(handle, &rate, &channels, &encoding);
      for (size_t i = 0; (i + channels) * sizeof(float) <= done; i += channels) {
        reference.push_back(channels == 2 ? (static_cast<double>(buffer[i]) + buffer[i + 1]) / 2.0
                                          : buffer[i]);
      }
    }
    mpg123_delete(handle);
    if (encoding != MPG123_ENC_FLOAT_32) reference.clear();
    return reference;
  }
#endif
  const Bytes pcm = ReadFileBytes(pcmPath);  // 16-bit little-endian, interleaved
  for (size_t f = first, at = 0; f < frames.size(); ++f) {
    const size_t channels = static_cast<size_t>(frames[f].channels);
    for (int i = 0; i < frames[f].samples && at + 2 * channels <= pcm.size(); ++i) {
      double mix = 0;
      for (size_t c = 0; c < channels; ++c, at += 2) {
        const int16_t value = static_cast<int16_t>(pcm[at] | (pcm[at + 1] << 8));
        mix +=
            std::abs(value) >= 32767 ? std::numeric_limits<double>::quiet_NaN() : value / 32768.0;
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
  const std::string info(reinterpret_cast<const char*>(frames_[0].payload),
                         static_cast<size_t>(frames_[0].length));
  const bool lameInfo =
      info.find("Info") != std::string::npos || info.find("Xing") != std::string::npos;
  const size_t first = fixture_ ? (lameInfo ? 1 : 0) : s.firstReferenceFrame;
  const std::vector<double> reference =
      Reference(fixture_ ? path_ : ConformanceFile(name_ + ".pcm"), frames_, first);
  ASSERT_FALSE(reference.empty());
  const MonoDecoding ours(frames_);
  double errorEnergy = 0, signalEnergy = 0, peak = 0;
  size_t samples = 0, compared = 0;
  for (size_t f = first, at = 0; f < frames_.size() && at + frames_[f].samples <= reference.size();
       ++f) {
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
  const double rmsLsb =
      std::sqrt(errorEnergy / static_cast<double>(std::max<size_t>(samples, 1))) * 32768.0;
  const double snrDb = errorEnergy > 0 ? 10.0 * std::log10(signalEnergy / errorEnergy) : 999.0;
  std::printf(
      "[accuracy] %-26s frames %4zu  rms %8.4f LSB  peak %8.3f LSB  snr %6.1f dB  null frames %d\n",
      s.name, compared, rmsLsb, peak * 32768.0, snrDb, ours.failed);
  EXPECT_GE(compared + s.compareFrom + s.uncertain.size() + 2, frames_.size())
      << "reference too short";
  EXPECT_EQ(ours.failed, s.expectedNullFrames);
  EXPECT_LE(rmsLsb, 1.0);
  EXPECT_LE(peak * 32768.0, 4.0);
  EXPECT_GE(snrDb, fixture_ ? 90.0 : 0.0);
}

// Which frames each reference covers and which are in doubt: see the README of
// the conformance data (the ISO MPEG-1 references leave out the last frame;
// l3-sin1k0db starts at frame 2 after two frames without their reservoir; the
// l3-he_mode reference departs at the channel-count switches, frames 10 and 110).
INSTANTIATE_TEST_SUITE_P(Streams, Accuracy,
                         ::testing::ValuesIn(std::vector<Stream>{{"l3-he_44khz"},
                                                                 {"l3-he_mode", 0, 0, {10, 110}},
                                                                 {"l3-hecommon"},
                                                                 {"l3-si"},
                                                                 {"l3-si_block"},
                                                                 {"l3-si_huff"},
                                                                 {"l3-sin1k0db", 2, 3, {}, 2},
                                                                 {"M2L3_bitrate_22_all"},
                                                                 {"M2L3_noise"},
                                                                 {"l3-test45"},
                                                                 {"l3-test46"},
                                                                 {"stereo44_transients.mp3"},
                                                                 {"joint44_transients.mp3"},
                                                                 {"mono44_transients.mp3"},
                                                                 {"mono22_transients.mp3"},
                                                                 {"joint22_transients.mp3"},
                                                                 {"joint11_transients.mp3"},
                                                                 {"stereo11_transients.mp3"},
                                                                 {"mono11_transients.mp3"}}),
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
      std::snprintf(number, sizeof number, " %.9g", static_cast<double>(levels[band]));
      line +=
          band >= 18 ? (levels[band] != 0.0f ? " (upper band not 0.0)" : "") : number + (band == 0);
    }
    lines.push_back(line);
  }
  return lines;
}

using LevelsRegression = StreamTest;

TEST_P(LevelsRegression, LevelsOfEveryFrameAsRecorded) {
  const std::vector<std::string> ours = LevelLines(frames_, false);
  EXPECT_TRUE(LevelLines(frames_, true) == ours) << "a granule observer changes the levels";
  if (WideKernelsInUse()) {
    SetWideKernelsAllowed(false);
    const bool same = LevelLines(frames_, false) == ours;
    SetWideKernelsAllowed(true);
    EXPECT_TRUE(same) << "the four-subband kernels and the others give different levels";
  }
  if (const char* folder = std::getenv("BRELVANO_RECORD_LEVELS")) {
    std::ofstream out(std::string(folder) + "/" + name_ + ".levels");
    for (const std::string& line : ours) out << line << '\n';
    GTEST_SKIP() << "recorded " << name_;
  }
  std::vector<std::string> expected;
  std::ifstream in(DataFile("spectrum/levels/" + name_ + ".levels"));
  for (std::string line; std::getline(in, line);) expected.push_back(line);
  const size_t f = static_cast<size_t>(
      std::mismatch(ours.begin(), ours.end(), expected.begin(), expected.end()).first -
      ours.begin());
  ASSERT_TRUE(f == ours.size() && f == expected.size())
      << "frame " << f
      << " differs from the recording\n  ours:     " << (f < ours.size() ? ours[f] : "(none)")
      << "\n  recorded: " << (f < expected.size() ? expected[f] : "(none)");
}

INSTANTIATE_TEST_SUITE_P(Streams, LevelsRegression,
                         ::testing::ValuesIn(std::vector<Stream>{{"stereo44_transients.mp3"},
                                                                 {"joint44_transients.mp3"},
                                                                 {"mono44_transients.mp3"},
                                                                 {"joint22_transients.mp3"},
                                                                 {"joint11_transients.mp3"},
                                                                 {"l3-he_mode"},
                                                                 {"l3-si_block"},
                                                                 {"l3-si_huff"}}),
                         ParamName);

using CorruptedLevels = StreamTest;

// Without an observer the decoder requantises only the lines the levels need,
// mixes the second channel in while decoding it and skips the rest of the
// spectrum by its code lengths; with one it decodes everything. Damaged
// streams (overruns, odd tables, count1 cut by the budget, block switches)
// must leave both with the same levels and the same null frames.
TEST_P(CorruptedLevels, SameLevelsWithAndWithoutObserver) {
  uint32_t seed = 0x2545F491u;
  for (int round = 0; round < 4; ++round) {
    Bytes damaged = bytes_;
    const size_t flips = damaged.size() / (100u << round) + 1;
    for (size_t i = 0; i < flips; ++i) {
      seed = seed * 1664525u + 1013904223u;
      damaged[(seed >> 4) % damaged.size()] ^= static_cast<uint8_t>(1u << (seed >> 29));
    }
    const std::vector<Mp3Frame> frames = SplitFrames(damaged);
    EXPECT_TRUE(LevelLines(frames, false) == LevelLines(frames, true)) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(Streams, CorruptedLevels,
                         ::testing::ValuesIn(std::vector<Stream>{{"joint44_transients.mp3"},
                                                                 {"stereo11_transients.mp3"},
                                                                 {"l3-he_mode"},
                                                                 {"l3-si_block"},
                                                                 {"l3-si_huff"},
                                                                 {"l3-test46"}}),
                         ParamName);

using SineLevels = StreamTest;

// "sineRR_FFFFhz.mp3": 0.5 s of a sine of FFFF Hz, then 1 s of digital silence.
TEST_P(SineLevels, HighestLevelInTheSinesSubbandThenFallsInSilence) {
  const int rate = frames_[0].rate, frequency = std::stoi(name_.substr(name_.find('_') + 1));
  const int samplesPerFrame = frames_[0].samples;
  const size_t sineFrames = static_cast<size_t>(0.5 * rate / samplesPerFrame);
  SpectrumDecoder decoder;
  std::vector<float> afterSine, previous, highest(32, 0.0f);
  for (size_t f = 0; f < frames_.size(); ++f) {
    const float* levels =
        decoder.DecodeFrame(frames_[f].header, frames_[f].payload, frames_[f].length);
    ASSERT_NE(levels, nullptr) << "frame " << f;
    if (f + 1 == sineFrames) afterSine.assign(levels, levels + 32);
    // Two frames after the sine ends the filter bank holds only silence.
    for (int b = 0; b < 32 && f > sineFrames + 2; ++b) {
      EXPECT_TRUE(levels[b] < previous[b] || levels[b] == 0.0f) << "frame " << f << " band " << b;
    }
    previous.assign(levels, levels + 32);
    for (int b = 0; b < 32; ++b) highest[b] = std::max(highest[b], levels[b]);
  }
  const int expectedBand = frequency * 64 / rate;  // 32 bands over rate / 2
  EXPECT_EQ(std::max_element(afterSine.begin(), afterSine.end()) - afterSine.begin(), expectedBand);
  EXPECT_GT(afterSine[expectedBand], 1.0f);
  // In silence every level falls by a thousandth per time slot (18 per
  // granule) from at most its highest value (the sine's end clicks in every band).
  const double slots =
      static_cast<double>(frames_.size() - (sineFrames + 3)) * (samplesPerFrame / 576) * 18;
  const double fall = std::pow(0.999, slots);
  EXPECT_LT(fall, 0.75);
  for (int b = 0; b < 32; ++b) EXPECT_LE(previous[b], highest[b] * fall * 1.001) << "band " << b;
  for (int b = 18; b < 32; ++b) EXPECT_EQ(highest[b], 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Rates, SineLevels,
                         ::testing::ValuesIn(std::vector<Stream>{
                             {"sine44_3000hz.mp3"}, {"sine22_1200hz.mp3"}, {"sine11_600hz.mp3"}}),
                         ParamName);

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
        [](void* out, const SubbandSamples& s) {
          for (const auto& slot : s)
            static_cast<std::vector<double>*>(out)->insert(
                static_cast<std::vector<double>*>(out)->end(), slot, slot + 32);
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
