// The levels after every frame of real streams, against the sequences the
// decoder gave when they were recorded (tests/data/spectrum/levels/). Guards
// the fast paths of the decoder: they must not move the levels.
//
// To record the sequences again (only after a deliberate change of the
// levels), run the test with BRELVANO_RECORD_LEVELS set to a folder; it
// writes one file per stream there instead of comparing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "spectrum/layer3_spectrum_decoder.h"
#include "spectrum/spectrum_decoder.h"
#include "spectrum_test_support.h"

namespace brelvano::test {
namespace {

// Bands 18..31 carry no weight: their levels are 0.0 for ever and are not stored.
constexpr int kStoredBands = 18;

// One line per frame: "null", or the levels of bands 0..17 printed so that
// they read back as the same floats.
std::vector<std::string> LevelLines(const std::vector<Mp3Frame>& frames, int& badUpperBands) {
  SpectrumDecoder decoder;  // fresh state: the sequence does not depend on test order
  std::vector<std::string> lines;
  badUpperBands = 0;
  for (const Mp3Frame& frame : frames) {
    const float* levels = decoder.DecodeFrame(frame.header, frame.payload, frame.length);
    if (levels == nullptr) {
      lines.push_back("null");
      continue;
    }
    std::string line;
    char number[32];
    for (int band = 0; band < kStoredBands; ++band) {
      std::snprintf(number, sizeof number, band == 0 ? "%.9g" : " %.9g", static_cast<double>(levels[band]));
      line += number;
    }
    for (int band = kStoredBands; band < kSpectrumBands; ++band) {
      if (levels[band] != 0.0f) ++badUpperBands;
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<float> ParseLevels(const std::string& line) {
  std::vector<float> values;
  std::istringstream in(line);
  for (std::string word; in >> word;) values.push_back(std::strtof(word.c_str(), nullptr));
  return values;
}

struct LevelStream {
  const char* name;
  bool conformance;  // from the shared conformance data (skipped when absent), else a committed fixture
};

void PrintTo(const LevelStream& stream, std::ostream* os) { *os << stream.name; }

class LevelsRegression : public ::testing::TestWithParam<LevelStream> {};

TEST_P(LevelsRegression, LevelsOfEveryFrameAsRecorded) {
  const LevelStream& stream = GetParam();
  const std::string input = stream.conformance ? ConformanceFile(std::string(stream.name) + ".bit")
                                               : DataFile(std::string("spectrum/") + stream.name);
  if (input.empty() || !FileExists(input)) GTEST_SKIP() << "stream not found: " << stream.name;
  SpectrumDecoderInit(32);
  const Bytes bytes = ReadFileBytes(input);
  const std::vector<Mp3Frame> frames = SplitFrames(bytes);
  ASSERT_FALSE(frames.empty());
  int badUpperBands = 0;
  const std::vector<std::string> ours = LevelLines(frames, badUpperBands);
  EXPECT_EQ(badUpperBands, 0) << "levels of bands 18..31 must stay 0.0";

  const std::string golden = std::string(stream.name) + ".levels";
  if (const char* folder = std::getenv("BRELVANO_RECORD_LEVELS")) {
    std::ofstream out(std::string(folder) + "/" + golden);
    for (const std::string& line : ours) out << line << '\n';
    GTEST_SKIP() << "recorded " << golden;
  }
  const std::vector<std::string> expected = ReadLines(DataFile("spectrum/levels/" + golden));
  ASSERT_EQ(ours.size(), expected.size()) << "frame count";
  // The largest difference tells a reordered sum (last bits) from a real fault.
  int differing = 0;
  double largest = 0.0;
  for (size_t f = 0; f < ours.size(); ++f) {
    if (ours[f] == expected[f]) continue;
    ++differing;
    ASSERT_EQ(ours[f] == "null", expected[f] == "null") << "frame " << f << " decodes differently";
    const std::vector<float> a = ParseLevels(ours[f]);
    const std::vector<float> b = ParseLevels(expected[f]);
    ASSERT_EQ(a.size(), b.size()) << "frame " << f;
    for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::fabs(static_cast<double>(a[i]) - b[i]));
    if (differing <= 3) ADD_FAILURE() << "frame " << f << "\n  ours:     " << ours[f] << "\n  recorded: " << expected[f];
  }
  EXPECT_EQ(differing, 0) << "frames whose levels differ from the recording; largest difference " << largest;
}

// With an observer the decoder computes every subband; without one it skips
// the work that only the unweighted subbands need. The levels must not notice.
TEST_P(LevelsRegression, ObserverDoesNotChangeTheLevels) {
  const LevelStream& stream = GetParam();
  const std::string input = stream.conformance ? ConformanceFile(std::string(stream.name) + ".bit")
                                               : DataFile(std::string("spectrum/") + stream.name);
  if (input.empty() || !FileExists(input)) GTEST_SKIP() << "stream not found: " << stream.name;
  SpectrumDecoderInit(32);
  const Bytes bytes = ReadFileBytes(input);
  const std::vector<Mp3Frame> frames = SplitFrames(bytes);
  SpectrumDecoder fast;
  SpectrumDecoder full;
  int granules = 0;
  full.SetGranuleObserver([](void* context, const SubbandSamples&) { ++*static_cast<int*>(context); }, &granules);
  for (size_t f = 0; f < frames.size(); ++f) {
    const float* a = fast.DecodeFrame(frames[f].header, frames[f].payload, frames[f].length);
    const float* b = full.DecodeFrame(frames[f].header, frames[f].payload, frames[f].length);
    ASSERT_EQ(a == nullptr, b == nullptr) << "frame " << f;
    if (a == nullptr) continue;
    for (int band = 0; band < kSpectrumBands; ++band) ASSERT_EQ(a[band], b[band]) << "frame " << f << " band " << band;
  }
  EXPECT_GT(granules, 0);
}

INSTANTIATE_TEST_SUITE_P(Streams, LevelsRegression,
                         ::testing::Values(LevelStream{"stereo44_transients.mp3", false},
                                           LevelStream{"joint44_transients.mp3", false},
                                           LevelStream{"mono44_transients.mp3", false},
                                           LevelStream{"joint22_transients.mp3", false},
                                           LevelStream{"joint11_transients.mp3", false},
                                           LevelStream{"l3-he_mode", true}, LevelStream{"l3-si_block", true},
                                           LevelStream{"l3-si_huff", true}),
                         [](const ::testing::TestParamInfo<LevelStream>& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace brelvano::test
