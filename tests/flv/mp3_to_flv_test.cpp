// Conversions of whole files, read back by us and by real readers (flvmeta's
// checker, ffprobe's metadata, the MP3 packets ffmpeg copies out): layout,
// metadata, truncation, spectrum cadence, cancel and the failures.
#include "flv/mp3_to_flv.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include <sys/stat.h>

#include "analysis/frame_header.h"
#include "analysis/mp3_scan.h"
#include "base/conversion_abort.h"
#include "support/ffmpeg_oracle.h"
#include "support/swf_reader.h"

namespace brelvano {
namespace {

using test::Bytes;

std::string Fixture(const std::string& name) { return test::DataFile("flv/" + name); }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

uint64_t BigEndian(const Bytes& b, size_t at, int count) {
  uint64_t v = 0;
  for (int i = 0; i < count; ++i) v = v << 8 | b.at(at + static_cast<size_t>(i));
  return v;
}

// Offset of the value of the named property inside a script tag's data, or npos.
size_t FindProperty(const Bytes& data, const std::string& name) {
  Bytes key{0, static_cast<uint8_t>(name.size())};
  key.insert(key.end(), name.begin(), name.end());
  const auto it = std::search(data.begin(), data.end(), key.begin(), key.end());
  return it == data.end() ? std::string::npos : static_cast<size_t>(it - data.begin()) + key.size();
}
// A Number or Date property (both 8 bytes behind their marker).
double NumberProperty(const Bytes& data, const std::string& name) {
  const size_t at = FindProperty(data, name);
  return at == std::string::npos ? NAN : std::bit_cast<double>(BigEndian(data, at + 1, 8));
}
std::string StringProperty(const Bytes& data, const std::string& name) {
  const size_t at = FindProperty(data, name);
  if (at == std::string::npos || data.at(at) != 2) return "<missing>";
  return std::string(data.begin() + at + 3, data.begin() + at + 3 + BigEndian(data, at + 1, 2));
}

// Milliseconds per frame: 1152 samples at 44.1 kHz, 576 at 22.05 and 11.025 kHz.
constexpr double kMs44 = 1152 / 44.1, kMs22 = 576 / 22.05, kMs11 = 576 / 11.025;

// The number of audio frames ffprobe counts in an MP3 file; 0 without ffprobe.
size_t FramesOf(const std::string& mp3) {
  if (!test::HaveTool("ffprobe")) return 0;
  const auto r = test::RunCommand(
      "ffprobe -v error -count_packets -select_streams a:0 -show_entries "
      "stream=nb_read_packets -of csv=p=0 " +
      test::ShellQuote(mp3));
  return r.exitCode == 0 ? static_cast<size_t>(std::strtoull(r.output.c_str(), nullptr, 10)) : 0;
}

struct Tag {
  uint8_t type;
  uint32_t timestamp;  // the extension byte as its high 8 bits
  Bytes data;
};
// A conversion's status and its output read back.
struct Result {
  int32_t status = -100;
  Bytes file, meta,
      payload;  // meta: data of the first tag; payload: the audio tags' frames in a row
  std::vector<Tag> tags, audio;
};

Result Read(int32_t status, const std::string& flv) {
  Result r;
  r.status = status;
  if (test::FileExists(flv)) r.file = test::ReadFileBytes(flv);
  const Bytes& f = r.file;
  for (size_t at = 13, size; at + 15 <= f.size(); at += 15 + size) {
    size = BigEndian(f, at + 1, 3);
    if (at + 15 + size > f.size() || BigEndian(f, at + 11 + size, 4) != size + 11) break;
    Tag t{f[at], static_cast<uint32_t>(BigEndian(f, at + 4, 3) | BigEndian(f, at + 7, 1) << 24),
          Bytes(f.begin() + at + 11, f.begin() + at + 11 + size)};
    if (t.type == 8) r.payload.insert(r.payload.end(), t.data.begin() + 1, t.data.end());
    if (t.type == 8) r.audio.push_back(t);
    r.tags.push_back(std::move(t));
  }
  if (!r.tags.empty()) r.meta = r.tags[0].data;
  return r;
}

// Every tag whole and the numbers patched.
void ExpectComplete(const Result& r) {
  ASSERT_EQ(r.tags.empty() ? 0 : r.tags[0].type, 18);
  size_t end = 13, scriptBytes = 0;
  for (const Tag& t : r.tags)
    end += 15 + t.data.size(), scriptBytes += t.type == 18 ? t.data.size() : 0;
  EXPECT_EQ(end, r.file.size());  // the tags fill the file
  EXPECT_EQ(NumberProperty(r.meta, "filesize"), static_cast<double>(r.file.size()));
  EXPECT_EQ(NumberProperty(r.meta, "audiosize"), static_cast<double>(r.payload.size()));
  EXPECT_EQ(NumberProperty(r.meta, "datasize"), static_cast<double>(scriptBytes));
  EXPECT_GT(NumberProperty(r.meta, "duration"), 0);
  EXPECT_TRUE(std::isfinite(NumberProperty(r.meta, "audiodatarate")));
}

// Levels that change with every frame, so that each spectrum tag has bands.
struct ChangingSpectrum final : FlvSpectrumSource {
  void Init(int subbandLimit) override { inits.push_back(subbandLimit); }
  const float* DecodeFrame(uint32_t, const uint8_t*, int32_t) override {
    if (++frames == silentFrame) return nullptr;
    for (size_t b = 0; b < levels.size(); ++b)
      levels[b] = b < 16 ? static_cast<float>(frames % 32) + 0.25f : 7.5f;
    return levels.data();
  }
  std::vector<int> inits;
  int frames = 0, silentFrame = 0;  // silentFrame: 1-based frame without levels
  std::array<float, kSpectrumBands> levels{};
};

// The log goes to a home folder of this test program for its whole run.
std::string LogPath() {
  static const test::TempDir home;
  static const bool set =
      setenv("HOME", home.path().c_str(), 1) == 0 && setenv("BRELVANOLOG", "1", 1) == 0;
  return set ? home.file("dravik.log") : "";
}

class Mp3ToFlv : public testing::Test {
 protected:
  void SetUp() override { conversionAbort().set(0); }
  void TearDown() override { conversionAbort().set(-1); }

  // Without prop, the track properties are those of a scan.
  Result Convert(const std::string& mp3, int32_t maxSeconds = 0, int32_t spectrumOn = 0,
                 const FlvConversionHooks& hooks = {}, const _MP3prop* given = nullptr,
                 uint8_t stopFlags = 0) {
    _MP3prop prop = given ? *given : _MP3prop{};
    if (!given) ScanMp3File(mp3.c_str(), prop);
    return Read(ConvertMp3ToFlv(mp3.c_str(), out().c_str(), spectrumOn, stopFlags, maxSeconds, prop,
                                nullptr, nullptr, hooks),
                out());
  }
  std::string Input(const Bytes& bytes) {
    test::WriteFileBytes(dir.file("in.mp3"), bytes);
    return dir.file("in.mp3");
  }
  std::string out() const { return dir.file("out.flv"); }
  // Entries of the folder, to see that no temporary file stays behind.
  long Entries() const {
    return std::distance(std::filesystem::directory_iterator(dir.path()), {});
  }
  test::TempDir dir;
};

void ExpectFlvmetaAccepts(const std::string& flv) {
  // Warnings our files draw: W11052 and W60079, the header announces video
  // (flags 5) and none follows; W70049, the spectrum tags are further
  // "onMetaData" events; W80062 for audiodatarate (we write bit/s, flvmeta
  // wants kbit/s), audiosize and datasize (we count frame bytes and script
  // data, flvmeta whole tags). Any other line but the summary fails.
  const auto r = test::RunCommand("flvmeta --check " + test::ShellQuote(flv) + " 2>&1");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("0 error(s), "), std::string::npos) << r.output;
  const std::regex accepted(
      R"(0 error\(s\), \d+ warning\(s\)|0x[0-9a-f]+: warning (W11052|W60079|W70049|)"
      R"(W80062: (audiodatarate|audiosize|datasize) should be).*)");
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(std::regex_match(line, accepted)) << line;
}

std::map<std::string, std::string> ProbeTags(const std::string& flv) {
  const auto r = test::RunCommand(
      "ffprobe -v error -show_entries format=duration:format_tags -of default=nw=1 " +
      test::ShellQuote(flv));
  std::map<std::string, std::string> tags;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.find('=') != std::string::npos)
      tags[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  }
  return tags;
}

TEST_F(Mp3ToFlv, EveryFixtureAsRealReadersSeeIt) {
  bool readers = true;
  for (const char* tool : {"flvmeta", "ffmpeg", "ffprobe"})
    readers = readers && test::HaveTool(tool);
  const struct {
    const char* mp3;
    int32_t spectrumOn, maxSeconds;
    uint8_t flags;
    double frameMs;   // samples per frame / kHz
    size_t unpadded;  // data size of the tags of unpadded frames, 0 for several bit rates
  } cases[] = {
      {"s44_cbr128.mp3", 0, 0, 0x2F, kMs44, 418}, {"s44_cbr128.mp3", 1, 0, 0x2F, kMs44, 418},
      {"s44_cbr160.mp3", 0, 0, 0x2F, kMs44, 0},   {"m44_vbr.mp3", 1, 0, 0x2E, kMs44, 0},
      {"s22_vbr.mp3", 0, 0, 0x2B, kMs22, 0},      {"m22_cbr32.mp3", 1, 0, 0x2A, kMs22, 0},
      {"s11_cbr32.mp3", 0, 0, 0x27, kMs11, 0},    {"m11_vbr.mp3", 1, 0, 0x26, kMs11, 0},
      {"short.mp3", 0, 0, 0x2F, kMs44, 0},        {"tagged.mp3", 1, 0, 0x2F, kMs44, 0},
      {"long60.mp3", 0, 10, 0x26, kMs11, 0},      {"long60.mp3", 1, 0, 0x26, kMs11, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.mp3 << " spectrum " << c.spectrumOn << " limit " << c.maxSeconds);
    _MP3prop prop;
    ScanMp3File(Fixture(c.mp3).c_str(), prop);
    std::snprintf(prop.id3.artist, sizeof prop.id3.artist, "The Artist");
    std::snprintf(prop.id3.song, sizeof prop.id3.song, "Caf\xC3\xA9 Song");
    std::snprintf(prop.id3.album, sizeof prop.id3.album, "An Album");
    std::snprintf(prop.id3.year, sizeof prop.id3.year, "2007");
    ChangingSpectrum spectrum;
    FlvConversionHooks hooks;
    hooks.spectrum = &spectrum;
    const Result r = Convert(Fixture(c.mp3), c.maxSeconds, c.spectrumOn, hooks, &prop);
    ASSERT_EQ(r.status, c.maxSeconds ? kStatusTruncated : kStatusOk);
    ExpectComplete(r);
    EXPECT_EQ(spectrum.inits, std::vector<int>{32});
    EXPECT_EQ(spectrum.frames, c.spectrumOn ? static_cast<int>(r.audio.size()) : 0);
    EXPECT_EQ(r.tags.size() > r.audio.size() + 1, c.spectrumOn != 0);
    for (size_t i = 0; i < r.audio.size(); ++i) {
      const Bytes& data = r.audio[i].data;
      EXPECT_EQ(data[0], c.flags);
      // Whole milliseconds of the audio before the frame, for every frame (the
      // running sum in floating point may fall just short of a whole number).
      const double exactMs = static_cast<double>(i) * c.frameMs;
      EXPECT_NEAR(r.audio[i].timestamp, exactMs, 1.0) << i;
      EXPECT_LE(r.audio[i].timestamp, exactMs + 1e-6) << i;
      // The tag holds the flags byte and the whole frame its header declares.
      const uint32_t header = static_cast<uint32_t>(BigEndian(data, 1, 4));
      int32_t stereo, freq, bitrate, bodyLength = 0;
      ASSERT_GT(DecodeFrameHeader(header, stereo, freq, bitrate, bodyLength), 0) << i;
      EXPECT_EQ(data.size(), 1 + 4 + static_cast<size_t>(bodyLength)) << i;
      if (c.unpadded) {
        EXPECT_EQ(data.size(), c.unpadded + (data[3] >> 1 & 1));  // padding bit
      }
    }
    if (!readers) continue;

    ExpectFlvmetaAccepts(out());
    auto tags = ProbeTags(out());
    for (auto [name, value] : {std::pair{"metadatacreator", "Brelvano 1.6"},
                               {"artist", "The Artist"},
                               {"title", "Caf\xC3\xA9 Song"},
                               {"album", "An Album"},
                               {"year", "2007"},
                               {"stopAtBeginning", "false"},
                               {"stopAtEnd", "false"}})
      EXPECT_EQ(tags["TAG:" + std::string(name)], value);
    for (const char* name : {"audiosize", "datasize", "lasttimestamp"})  // shown as integers
      EXPECT_NEAR(std::stod("0" + tags["TAG:" + std::string(name)]), NumberProperty(r.meta, name),
                  0.5)
          << name;
    EXPECT_NEAR(std::stod("0" + tags["duration"]), NumberProperty(r.meta, "duration"), 0.06);
    // The packets are the input's frames from skip on; a cut file holds the first of them.
    auto expected = test::AudioPackets(Fixture(c.mp3));
    const auto got = test::AudioPackets(out());
    ASSERT_FALSE(got.empty());
    if (c.maxSeconds) expected.resize(std::min(got.size(), expected.size() - 1));
    EXPECT_EQ(got, expected);
  }
  if (!readers)
    GTEST_SKIP() << "flvmeta, ffmpeg or ffprobe is not installed: only our own reading was checked";
}

TEST_F(Mp3ToFlv, MetadataEntries) {
  FlvConversionHooks hooks;
  hooks.now = [] { return std::time_t{1172221500}; };
  // creationdate is what the C library's asctime gives for the local time.
  const std::time_t now = 1172221500;
  std::tm local{};
  char date[64];
  asctime_r(localtime_r(&now, &local), date);
  const Bytes head = {2,   0,   10,  'o', 'n', 'M', 'e',
                      't', 'a', 'D', 'a', 't', 'a',  // String "onMetaData"
                      8,   0,   0,   0,   15};       // ECMA array of 15
  const _MP3prop prop;
  for (uint8_t stop = 0; stop < 4; ++stop) {
    SCOPED_TRACE(stop);
    const Bytes m = Convert(Fixture("short.mp3"), 0, 0, hooks, &prop, stop).meta;
    ASSERT_GT(m.size(), head.size());
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 18), head);
    EXPECT_EQ(Bytes(m.end() - 3, m.end()), (Bytes{0, 0, 9}));
    std::vector<size_t> at;  // the entries in their order
    for (const char* name : {"creationdate", "metadatacreator", "metadatadate", "duration",
                             "lasttimestamp", "audiodatarate", "filesize", "audiosize", "datasize",
                             "artist", "title", "album", "year", "stopAtBeginning", "stopAtEnd"})
      at.push_back(FindProperty(m, name));
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()) && at.back() != std::string::npos);
    EXPECT_EQ(StringProperty(m, "creationdate"), date);
    EXPECT_EQ(m.at(FindProperty(m, "metadatadate")), 11);  // Date marker
    EXPECT_EQ(NumberProperty(m, "metadatadate"), 1172221500000.0);
    EXPECT_EQ(BigEndian(m, FindProperty(m, "metadatadate") + 9, 2), 0u);  // time zone
    EXPECT_EQ(StringProperty(m, "stopAtBeginning"), stop & 1 ? "true" : "false");
    EXPECT_EQ(StringProperty(m, "stopAtEnd"), stop & 2 ? "true" : "false");
  }
}

// "duration" is the limit when one is given, else the length of the frames,
// also for a file under a second that scans as 0 s.
TEST_F(Mp3ToFlv, DurationAndTruncation) {
  const struct {
    std::string mp3;
    int32_t limit, status;
    size_t tags;  // 0: all frames
    double frameMs;
  } cases[] = {
      {Input(test::SyntheticMp3(0xFFFB9064, 2297)), 10, kStatusTruncated, 383,
       1152 / 44.1},                                                     // a minute, MPEG-1
      {Fixture("long60.mp3"), 10, kStatusTruncated, 192, 576 / 11.025},  // MPEG 2.5
      {Fixture("s44_cbr128.mp3"), 600, kStatusOk, 0, 1152 / 44.1},       // the file ends first
      // Limits whose milliseconds or frame counts overflow 32 bits.
      {Fixture("s44_cbr128.mp3"), 143165577, kStatusOk, 0, 1152 / 44.1},
      {Fixture("s44_cbr128.mp3"), 2147483647, kStatusOk, 0, 1152 / 44.1},
      {Fixture("short.mp3"), 0, kStatusOk, 0, 1152 / 44.1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mp3);
    const _MP3prop prop;  // duration 0
    const Result r = Convert(c.mp3, c.limit, 0, {}, &prop);
    EXPECT_EQ(r.status, c.status);
    // Without a limit that stops it first: every frame of the file, by the
    // frame count of the independent reader (ffprobe).
    const size_t expectedTags = c.tags ? c.tags : FramesOf(c.mp3);
    if (expectedTags) {
      EXPECT_EQ(r.audio.size(), expectedTags);
    }
    const double last = NumberProperty(r.meta, "lasttimestamp");
    EXPECT_NEAR(last, static_cast<double>(r.audio.size()) * c.frameMs / 1000, 1e-9);
    EXPECT_EQ(NumberProperty(r.meta, "duration"), c.limit ? c.limit : last);
    EXPECT_LT(last, c.limit ? c.limit + 0.06 : 1.0);
    ExpectComplete(r);
  }
}

TEST_F(Mp3ToFlv, BitrateChangesAreLoggedRateChangesFollowed) {
  const struct {
    const char *first, *second, *line;
  } cases[] = {
      {"s44_cbr128.mp3", "s44_cbr160.mp3",
       "FLV: Bitrate change 128 -> 160 at Pos 2037.551020 (ms)"},
      {"s44_cbr128.mp3", "m22_cbr32.mp3", "FLV: Bitrate change 128 -> 32 at Pos 2037.551020 (ms)"},
      {"m22_cbr32.mp3", "s11_cbr32.mp3", nullptr},  // only the rate changes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second);
    const Result a = Convert(Fixture(c.first)), b = Convert(Fixture(c.second));
    std::ofstream(LogPath(), std::ios::trunc).close();
    const Result r = Convert(Input(Cat({a.payload, b.payload})));  // lame -t files hold frames only
    EXPECT_EQ(r.payload, Cat({a.payload, b.payload}));
    ASSERT_EQ(r.audio.size(), a.audio.size() + b.audio.size());
    EXPECT_EQ(r.audio[a.audio.size()].timestamp,
              static_cast<uint32_t>(NumberProperty(a.meta, "lasttimestamp") * 1000));
    EXPECT_EQ(r.audio[a.audio.size()].data[0], b.audio[0].data[0]);
    EXPECT_NEAR(NumberProperty(r.meta, "lasttimestamp"),
                NumberProperty(a.meta, "lasttimestamp") + NumberProperty(b.meta, "lasttimestamp"),
                1e-9);
    std::ifstream log(LogPath());
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
      if (line.rfind("FLV:", 0) == 0) lines.push_back(line);
    EXPECT_EQ(lines, c.line ? std::vector<std::string>{c.line} : std::vector<std::string>{});
  }
}

TEST_F(Mp3ToFlv, DamagedInput) {
  const Bytes m22 = test::ReadFileBytes(Fixture("m22_cbr32.mp3"));
  // Between frames: garbage, and an MPEG-1 frame at 48000 Hz whose body holds
  // a header that must not be taken for a frame.
  Bytes unsupported = test::SyntheticMp3(0xFFFB9464, 1);
  const Bytes fake = test::HeaderBytes(0xFFF340C4);
  std::copy(fake.begin(), fake.end(), unsupported.begin() + 100);
  Result r = Convert(Input(Cat({m22, {0x00, 0x12, 0xFF, 0x00, 0xFF}, unsupported, m22})));
  EXPECT_EQ(r.status, kStatusOk);
  EXPECT_EQ(r.payload, Cat({m22, m22}));
  // The last body cut short is written at its declared length.
  const Bytes cut(m22.begin(), m22.end() - 100);
  r = Convert(Input(cut));
  EXPECT_EQ(r.status, kStatusOk);
  EXPECT_EQ(r.payload, Cat({cut, Bytes(100, 0)}));
  ExpectComplete(r);

  test::WriteFileBytes(dir.file("empty.mp3"), {});
  const std::pair<std::string, int32_t> unusable[] = {
      {dir.file("missing.mp3"), kStatusCannotOpen},
      {Input(test::SyntheticMp3(0xFFFB9464, 20)), kStatusUnsupported},  // MPEG-1 at 48000 Hz only
      {dir.file("empty.mp3"), kStatusUnsupported},
  };
  for (const auto& [path, status] : unusable) {
    SCOPED_TRACE(path);
    const _MP3prop prop;
    test::WriteFileBytes(out(), {'o', 'l', 'd'});
    const Result r = Convert(path, 0, 0, {}, &prop);
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(r.file, (Bytes{'o', 'l', 'd'}));  // an earlier output stays
    EXPECT_EQ(Entries(), 3);                    // in.mp3, empty.mp3, out.flv: nothing new
  }
}

TEST_F(Mp3ToFlv, SpectrumTagsEvery100ms) {
  ChangingSpectrum spectrum;
  spectrum.silentFrame = 8;
  flvSpectrumMemory().set(0, 99.0f);  // the conversion resets it
  FlvConversionHooks hooks;
  hooks.spectrum = &spectrum;
  const Result r = Convert(Fixture("s44_cbr128.mp3"), 0, 1, hooks);
  ASSERT_EQ(r.status, kStatusOk);
  // Each spectrum tag: how many audio tags come before it, its time, its bands.
  std::vector<std::array<uint64_t, 3>> seen;
  for (size_t i = 1, audio = 0; i < r.tags.size(); ++i) {
    if (r.tags[i].type == 8 && ++audio) continue;
    seen.push_back({audio, r.tags[i].timestamp, BigEndian(r.tags[i].data, 14, 4)});
  }
  ASSERT_GE(seen.size(), 5u);
  seen.resize(5);
  // Frames end at 26.1, 52.2, 78.4, 104.5 ... ms; a tag follows the first
  // frame past 0, 100, 200 (frame 8 has no levels: frame 9), 300, 400 ms.
  EXPECT_EQ(seen, (decltype(seen){
                      {1, 26, 32}, {4, 104, 16}, {9, 235, 16}, {12, 313, 16}, {16, 417, 16}}));
  EXPECT_EQ(r.tags.back().type, 8);  // none after the last frame
}

struct Progress {
  int cancelAt = 0;  // the report that cancels, from 1
  std::vector<std::pair<int64_t, int64_t>> reports;
};
void OnProgress(int64_t position, int64_t total, ProgressContext context) {
  auto* p = static_cast<Progress*>(context);
  p->reports.emplace_back(position, total);
  if (static_cast<int>(p->reports.size()) == p->cancelAt) conversionAbort().set(1);
}

// Regression: a cancelled conversion replaced a good output with a cut file
// that a later run took as finished. Cancelled before the first frame or
// within the frames, the earlier file stays and nothing else is left.
TEST_F(Mp3ToFlv, CancelKeepsTheEarlierFileAndLeavesNothing) {
  const std::string path = Fixture("long60.mp3");
  const Bytes mp3 = test::ReadFileBytes(path);
  for (const bool earlier : {true, false}) {
    for (int cancelAt : {0, 2}) {  // 2: the first report from within the frames
      SCOPED_TRACE(testing::Message()
                   << "cancel at " << cancelAt << (earlier ? ", earlier file" : ""));
      Progress progress{cancelAt, {}};
      conversionAbort().set(cancelAt ? 0 : 1);
      std::filesystem::remove(out());
      if (earlier) test::WriteFileBytes(out(), {'o', 'l', 'd'});
      const int32_t status =
          ConvertMp3ToFlv(path.c_str(), out().c_str(), 0, 0, 0, _MP3prop{}, OnProgress, &progress);
      EXPECT_EQ(status, kStatusAborted);
      if (earlier) {
        EXPECT_EQ(test::ReadFileBytes(out()), (Bytes{'o', 'l', 'd'}));
      }
      EXPECT_EQ(test::FileExists(out()), earlier);
      EXPECT_EQ(progress.reports.at(0),
                (std::pair<int64_t, int64_t>{0, static_cast<int64_t>(mp3.size())}));
      for (const auto& report : progress.reports)
        EXPECT_EQ(report.first / 1024 % 10, 0) << report.first;
      EXPECT_EQ(progress.reports.size(), cancelAt == 0 ? 1u : 2u);  // stopped at once
      EXPECT_EQ(Entries(), earlier ? 1 : 0);
    }
  }
}

// A sink on the real file that fails from some offset on, as a full disk does.
struct FullDiskSink final : FlvSink {
  FullDiskSink(int fd, uint64_t limit) : real(fd), limit(limit) {}
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) override {
    if (offset + size <= limit) return real.WriteAt(offset, data, size);
    errno = ENOSPC;
    return false;
  }
  FlvFdSink real;
  uint64_t limit;
};

// A full disk at any point, a missing folder, a folder in the way: the
// system's message for the caller, and no file changed or left behind.
TEST_F(Mp3ToFlv, OutputThatCannotBeWritten) {
  test::WriteFileBytes(out(), {'g', 'o', 'o', 'd'});
  std::filesystem::create_directories(dir.file("taken.flv/inside"));
  const std::tuple<std::string, uint64_t, std::string> cases[] = {
      {out(), 0, "No space left on device"},
      {out(), 200, "No space left on device"},
      {out(), 40000, "No space left on device"},
      {out(), 70000, "No space left on device"},
      {dir.file("no/such/folder/out.flv"), UINT64_MAX, "No such file or directory"},
      {dir.file("taken.flv"), UINT64_MAX, "is a folder"},
  };
  for (const auto& [path, limit, error] : cases) {
    SCOPED_TRACE(limit);
    FlvConversionHooks hooks;
    hooks.makeSink = [limit = limit](int fd) { return std::make_unique<FullDiskSink>(fd, limit); };
    std::string failure;
    hooks.failure = &failure;
    EXPECT_EQ(ConvertMp3ToFlv(Fixture("long60.mp3").c_str(), path.c_str(), 0, 0, 0, {}, nullptr,
                              nullptr, hooks),
              kStatusCannotCreate);
    EXPECT_EQ(failure, path + ": " + error);
    EXPECT_EQ(Entries(), 2);
  }
  EXPECT_EQ(test::ReadFileBytes(out()), (Bytes{'g', 'o', 'o', 'd'}));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.flv/inside")));
}

// A new file gets the mode a plain fopen would give it, also with a name at
// the length limit of the file system.
TEST_F(Mp3ToFlv, OutputModeAndLongName) {
  const std::string longName = dir.file(std::string(251, 'n') + ".flv");
  const mode_t old = umask(022);
  EXPECT_EQ(ConvertMp3ToFlv(Fixture("short.mp3").c_str(), longName.c_str(), 0, 0, 0, {}, nullptr,
                            nullptr),
            kStatusOk);
  umask(old);
  EXPECT_EQ(std::filesystem::status(longName).permissions(), std::filesystem::perms(0644));
}

}  // namespace
}  // namespace brelvano
