// Our FLV files as real readers see them: flvmeta's checker, ffprobe's
// metadata and the MP3 packets ffmpeg extracts.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "convert/conversion_abort.h"
#include "flv/mp3_to_flv.h"
#include "flv_test_util.h"

namespace brelvano {
namespace {

using flvtest::Bytes;
using flvtest::Fixture;
using test::ShellQuote;

// flvmeta warnings our files are expected to draw:
// W11052 the header announces video (flags 5) and no video tag follows;
// W60079 no video resolution, for the same reason;
// W70049 the spectrum tags are further "onMetaData" events;
// W80062 for audiodatarate (we write bit/s, flvmeta wants kbit/s), audiosize
// and datasize (we count frame bytes and script data, flvmeta whole tags).
// Any other warning, or a W80062 for any other value, fails the test.
bool AcceptedWarning(const std::string& code, const std::string& text) {
  if (code == "W11052" || code == "W60079" || code == "W70049") return true;
  if (code == "W80062") {
    return text.rfind("audiodatarate should be", 0) == 0 || text.rfind("audiosize should be", 0) == 0 ||
           text.rfind("datasize should be", 0) == 0;
  }
  return false;
}

void ExpectFlvmetaAccepts(const std::string& flv, const std::string& what) {
  const auto r = test::RunCommand("flvmeta --check " + ShellQuote(flv) + " 2>&1");
  EXPECT_EQ(r.exitCode, 0) << what << "\n" << r.output;
  const std::regex warning(R"(^0x[0-9a-f]+: warning (W\d+): (.*)$)");
  std::istringstream lines(r.output);
  bool summary = false;
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_match(line, m, warning)) {
      EXPECT_TRUE(AcceptedWarning(m[1], m[2])) << what << ": " << line;
    } else if (std::regex_match(line, std::regex(R"(^0 error\(s\), \d+ warning\(s\)$)"))) {
      summary = true;
    } else {
      ADD_FAILURE() << what << ": unexpected flvmeta line: " << line;
    }
  }
  EXPECT_TRUE(summary) << what << "\n" << r.output;
}

// "size, hash" of each audio packet ffmpeg copies out of a file.
std::vector<std::string> PacketDigests(const std::string& path) {
  const auto r = test::RunCommand("ffmpeg -v error -i " + ShellQuote(path) + " -map 0:a -c copy -f framemd5 -");
  std::vector<std::string> digests;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream f(line);
    for (std::string field; std::getline(f, field, ',');) fields.push_back(field);
    if (fields.size() >= 6) digests.push_back(fields[4] + "," + fields[5]);
  }
  return digests;
}

std::map<std::string, std::string> ProbeTags(const std::string& flv) {
  const auto r = test::RunCommand("ffprobe -v error -show_entries format=duration:format_tags -of default=nw=1 " +
                                  ShellQuote(flv));
  std::map<std::string, std::string> tags;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    if (key.rfind("TAG:", 0) == 0) key = key.substr(4);
    tags[key] = line.substr(eq + 1);
  }
  return tags;
}

// ffmpeg shows numeric metadata rounded to an integer.
std::string AsFfmpegNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.f", value);
  return text;
}

class WavySpectrum final : public FlvSpectrumSource {
 public:
  void Init(int) override {}
  const float* DecodeFrame(uint32_t, const uint8_t*, int32_t) override {
    ++n_;
    for (int b = 0; b < kSpectrumBands; ++b) levels_[static_cast<size_t>(b)] = static_cast<float>((n_ + b) % 33);
    return levels_.data();
  }

 private:
  int n_ = 0;
  std::array<float, kSpectrumBands> levels_{};
};

TEST(FlvOracles, ReadersAcceptEveryConversion) {
  for (const char* tool : {"flvmeta", "ffmpeg", "ffprobe"})
    if (!test::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  struct Case {
    const char* mp3;
    int32_t spectrumOn;
    int32_t maxSeconds;
  } cases[] = {
      {"s44_cbr128.mp3", 0, 0}, {"s44_cbr128.mp3", 1, 0}, {"s44_cbr160.mp3", 0, 0}, {"m44_vbr.mp3", 1, 0},
      {"s22_vbr.mp3", 0, 0},    {"m22_cbr32.mp3", 1, 0},  {"s11_cbr32.mp3", 0, 0},  {"m11_vbr.mp3", 1, 0},
      {"short.mp3", 0, 0},      {"tagged.mp3", 1, 0},     {"long60.mp3", 0, 10},    {"long60.mp3", 1, 0},
  };
  conversionAbort().set(0);
  for (const Case& c : cases) {
    const std::string what = std::string(c.mp3) + (c.spectrumOn ? " with spectrum" : "") +
                             (c.maxSeconds ? " cut at " + std::to_string(c.maxSeconds) + " s" : "");
    test::TempDir dir;
    const std::string flv = dir.file("out.flv");
    const Bytes mp3 = test::ReadFileBytes(Fixture(c.mp3));
    _MP3prop prop = flvtest::PropsFor(mp3);
    std::snprintf(prop.id3.artist, sizeof prop.id3.artist, "The Artist");
    std::snprintf(prop.id3.song, sizeof prop.id3.song, "Caf\xC3\xA9 Song");
    WavySpectrum spectrum;
    FlvSpectrumMemory memory;
    FlvConversionHooks hooks;
    hooks.spectrum = &spectrum;
    hooks.spectrumMemory = &memory;
    const int32_t status = ConvertMp3ToFlv(Fixture(c.mp3).c_str(), flv.c_str(), c.spectrumOn, 0, c.maxSeconds,
                                           prop, nullptr, nullptr, hooks);
    ASSERT_EQ(status, c.maxSeconds ? kStatusTruncated : kStatusOk) << what;

    ExpectFlvmetaAccepts(flv, what);

    const Bytes file = test::ReadFileBytes(flv);
    const Bytes meta = flvtest::ReadTags(file).at(0).data;
    const auto tags = ProbeTags(flv);
    auto tag = [&](const char* key) { return tags.count(key) ? tags.at(key) : "<missing>"; };
    EXPECT_EQ(tag("metadatacreator"), "Brelvano 1.6") << what;
    EXPECT_EQ(tag("artist"), "The Artist") << what;
    EXPECT_EQ(tag("title"), "Caf\xC3\xA9 Song") << what;
    EXPECT_EQ(tag("stopAtBeginning"), "false") << what;
    EXPECT_EQ(tag("stopAtEnd"), "false") << what;
    EXPECT_EQ(tag("audiosize"), AsFfmpegNumber(flvtest::NumberProperty(meta, "audiosize"))) << what;
    EXPECT_EQ(tag("datasize"), AsFfmpegNumber(flvtest::NumberProperty(meta, "datasize"))) << what;
    EXPECT_EQ(tag("lasttimestamp"), AsFfmpegNumber(flvtest::NumberProperty(meta, "lasttimestamp"))) << what;
    EXPECT_NEAR(std::stod(tag("duration")), flvtest::NumberProperty(meta, "duration"), 0.06) << what;

    // The audio packets are the input's frames from skip on, frame by frame;
    // a cut file holds the first of them.
    const auto expected = PacketDigests(Fixture(c.mp3));
    const auto got = PacketDigests(flv);
    ASSERT_FALSE(got.empty()) << what;
    if (c.maxSeconds) {
      ASSERT_LT(got.size(), expected.size()) << what;
      EXPECT_EQ(got, std::vector<std::string>(expected.begin(), expected.begin() + static_cast<long>(got.size())))
          << what;
    } else {
      EXPECT_EQ(got, expected) << what;
    }
  }
  conversionAbort().set(-1);
}

}  // namespace
}  // namespace brelvano
