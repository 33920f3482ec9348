// Conversions of whole files: layout of the output, metadata numbers,
// truncation, spectrum cadence, cancel and the failures.
#include "flv/mp3_to_flv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include <sys/stat.h>

#include "analysis/frame_header.h"
#include "convert/conversion_abort.h"
#include "flv/flv_metadata.h"
#include "flv_test_util.h"

namespace brelvano {
namespace {

using flvtest::Bytes;
using flvtest::Fixture;
using flvtest::NumberProperty;
using flvtest::StringProperty;
using flvtest::Tag;

// A frame of the input as an independent walk sees it.
struct InputFrame {
  Bytes bytes;  // header and body
  double ms;    // duration
  uint8_t flags;
};

std::vector<InputFrame> InputFrames(const Bytes& mp3, size_t skip) {
  std::vector<InputFrame> frames;
  size_t at = skip;
  while (at + 4 <= mp3.size()) {
    const uint32_t h = flvtest::BigEndian(mp3, at, 4);
    int32_t stereo, freq, bitrate, body;
    const int32_t samples = DecodeFrameHeader(h, stereo, freq, bitrate, body);
    if (samples <= 0 || at + 4 + static_cast<size_t>(body) > mp3.size()) break;
    const uint8_t rate = freq == 44100 ? 3 : freq == 22050 ? 2 : 1;
    frames.push_back({Bytes(mp3.begin() + static_cast<long>(at), mp3.begin() + static_cast<long>(at + 4 + body)),
                      samples * 1000.0 / freq, static_cast<uint8_t>(0x22 | rate << 2 | stereo)});
    at += 4 + static_cast<size_t>(body);
  }
  return frames;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Levels that change with every frame, so that each spectrum tag is non-empty.
class CountingSpectrum final : public FlvSpectrumSource {
 public:
  void Init(int subbandLimit) override { inits.push_back(subbandLimit); }
  const float* DecodeFrame(uint32_t, const uint8_t*, int32_t) override {
    ++frames;
    if (silentFrames.count(frames)) return nullptr;
    for (int b = 0; b < kSpectrumBands; ++b)
      levels[static_cast<size_t>(b)] = b < 16 ? static_cast<float>(frames % 32) + 0.25f : 7.5f;
    return levels.data();
  }
  std::vector<int> inits;
  int frames = 0;
  std::set<int> silentFrames;  // 1-based frames without levels
  std::array<float, kSpectrumBands> levels{};
};

struct Result {
  int32_t status = -100;
  Bytes file;
  std::vector<Tag> tags;
  std::vector<Tag> audio;
  std::vector<Tag> scripts;
  const Bytes& meta() const { return scripts.at(0).data; }
};

class Mp3ToFlv : public testing::Test {
 protected:
  void SetUp() override { conversionAbort().set(0); }
  void TearDown() override { conversionAbort().set(-1); }

  Result Convert(const std::string& mp3, int32_t maxSeconds = 0, int32_t spectrumOn = 0, uint8_t stopFlags = 0,
                 const FlvConversionHooks& hooks = {}, const _MP3prop* propIn = nullptr) {
    const _MP3prop prop = propIn ? *propIn : flvtest::PropsFor(test::ReadFileBytes(mp3));
    Result r;
    r.status = ConvertMp3ToFlv(mp3.c_str(), out().c_str(), spectrumOn, stopFlags, maxSeconds, prop, nullptr,
                               nullptr, hooks);
    if (test::FileExists(out())) r.file = test::ReadFileBytes(out());
    r.tags = flvtest::ReadTags(r.file);
    r.audio = flvtest::TagsOfType(r.tags, 8);
    r.scripts = flvtest::TagsOfType(r.tags, 18);
    return r;
  }
  std::string mp3File(const Bytes& bytes) {
    const std::string path = dir.file("in.mp3");
    test::WriteFileBytes(path, bytes);
    return path;
  }
  std::string out() const { return dir.file("out.flv"); }
  // Files of the folder besides the input and the output (temporary leftovers).
  std::vector<std::string> Strays() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
      const std::string n = e.path().filename().string();
      if (n != "in.mp3" && n != "out.flv") names.push_back(n);
    }
    return names;
  }

  test::TempDir dir;
};

// Checks everything that follows from the input frames alone.
void ExpectFramesCopied(const Result& r, const std::vector<InputFrame>& frames, const std::string& what) {
  ASSERT_EQ(r.audio.size(), frames.size()) << what;
  double ms = 0;
  uint64_t audioBytes = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    const Tag& t = r.audio[i];
    EXPECT_EQ(t.timestamp, static_cast<uint32_t>(ms)) << what << " frame " << i;
    EXPECT_EQ(t.extension, 0) << what;
    EXPECT_EQ(t.streamId, 0u) << what;
    EXPECT_EQ(t.dataSize, frames[i].bytes.size() + 1) << what << " frame " << i;
    EXPECT_EQ(t.previousTagSize, t.dataSize + 11) << what;
    ASSERT_FALSE(t.data.empty());
    EXPECT_EQ(t.data[0], frames[i].flags) << what << " frame " << i;
    EXPECT_TRUE(std::equal(frames[i].bytes.begin(), frames[i].bytes.end(), t.data.begin() + 1))
        << what << " frame " << i;
    ms += frames[i].ms;
    audioBytes += frames[i].bytes.size();
  }
  EXPECT_DOUBLE_EQ(NumberProperty(r.meta(), "lasttimestamp"), ms / 1000) << what;
  EXPECT_EQ(NumberProperty(r.meta(), "audiosize"), static_cast<double>(audioBytes)) << what;
}

void ExpectConsistent(const Result& r, const std::string& what) {
  ASSERT_GE(r.file.size(), 13u) << what;
  // The tags fill the file exactly.
  size_t end = 13;
  for (const Tag& t : r.tags) end = t.dataOffset + t.dataSize + 4;
  EXPECT_EQ(end, r.file.size()) << what;
  ASSERT_FALSE(r.scripts.empty()) << what;
  EXPECT_EQ(r.tags.at(0).type, 18) << what;
  EXPECT_EQ(NumberProperty(r.meta(), "filesize"), static_cast<double>(r.file.size())) << what;
  uint32_t scriptBytes = 0;
  for (const Tag& t : r.scripts) scriptBytes += t.dataSize;
  EXPECT_EQ(NumberProperty(r.meta(), "datasize"), scriptBytes) << what;
  const double duration = NumberProperty(r.meta(), "duration");
  EXPECT_GT(duration, 0) << what;
  EXPECT_DOUBLE_EQ(NumberProperty(r.meta(), "audiodatarate"), NumberProperty(r.meta(), "audiosize") * 8 / duration)
      << what;
}

TEST_F(Mp3ToFlv, EveryFixtureIsCopiedFrameByFrame) {
  struct Case {
    const char* name;
    uint8_t flags;
  } cases[] = {
      {"s44_cbr128.mp3", 0x2F}, {"s44_cbr160.mp3", 0x2F}, {"m44_vbr.mp3", 0x2E}, {"s22_vbr.mp3", 0x2B},
      {"m22_cbr32.mp3", 0x2A},  {"s11_cbr32.mp3", 0x27},  {"m11_vbr.mp3", 0x26}, {"short.mp3", 0x2F},
      {"tagged.mp3", 0x2F},
  };
  for (const Case& c : cases) {
    const Bytes mp3 = test::ReadFileBytes(Fixture(c.name));
    const auto frames = InputFrames(mp3, static_cast<size_t>(flvtest::PropsFor(mp3).skip));
    ASSERT_GT(frames.size(), 10u) << c.name;
    const Result r = Convert(Fixture(c.name));
    EXPECT_EQ(r.status, kStatusOk) << c.name;
    EXPECT_EQ(frames[0].flags, c.flags) << c.name;
    ExpectFramesCopied(r, frames, c.name);
    ExpectConsistent(r, c.name);
    EXPECT_EQ(r.scripts.size(), 1u) << c.name;  // spectrum off
    // Without a limit the duration is the length of the frames written.
    EXPECT_DOUBLE_EQ(NumberProperty(r.meta(), "duration"), NumberProperty(r.meta(), "lasttimestamp")) << c.name;
    EXPECT_TRUE(Strays().empty()) << c.name;
  }
}

TEST_F(Mp3ToFlv, Cbr128StartAndTimestamps) {
  const Result r = Convert(Fixture("s44_cbr128.mp3"));
  ASSERT_EQ(r.status, kStatusOk);
  const Bytes start = {
      0x46, 0x4C, 0x56, 0x01, 0x05, 0x00, 0x00, 0x00, 0x09,  // header
      0x00, 0x00, 0x00, 0x00,                                // previous tag size 0
      0x12,                                                  // the metadata tag
  };
  EXPECT_TRUE(std::equal(start.begin(), start.end(), r.file.begin()));
  ASSERT_GE(r.audio.size(), 6u);
  const uint32_t stamps[] = {0, 26, 52, 78, 104, 130};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(r.audio[i].timestamp, stamps[i]);
  bool sawPadded = false, sawUnpadded = false;
  for (const Tag& t : r.audio) {
    EXPECT_EQ(t.data[0], 0x2F);
    const bool padded = (t.data[3] >> 1) & 1;
    EXPECT_EQ(t.dataSize, padded ? 419u : 418u);
    (padded ? sawPadded : sawUnpadded) = true;
  }
  EXPECT_TRUE(sawPadded && sawUnpadded);
}

TEST_F(Mp3ToFlv, Mono22050FlagsAndTimestamps) {
  const Result r = Convert(Fixture("m22_cbr32.mp3"));
  ASSERT_GE(r.audio.size(), 4u);
  const uint32_t stamps[] = {0, 26, 52, 78};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(r.audio[i].data[0], 0x2A);
    EXPECT_EQ(r.audio[i].timestamp, stamps[i]);
  }
}

TEST_F(Mp3ToFlv, MetadataEntries) {
  _MP3prop prop = flvtest::PropsFor(test::ReadFileBytes(Fixture("tagged.mp3")));
  std::snprintf(prop.id3.artist, sizeof prop.id3.artist, "The Artist");
  std::snprintf(prop.id3.song, sizeof prop.id3.song, "Caf\xC3\xA9 Song");
  std::snprintf(prop.id3.album, sizeof prop.id3.album, "An Album");
  std::snprintf(prop.id3.year, sizeof prop.id3.year, "2007");
  FlvConversionHooks hooks;
  hooks.now = [] { return static_cast<std::time_t>(1172221500); };
  struct Case {
    uint8_t stopFlags;
    const char *atBeginning, *atEnd;
  } cases[] = {{0, "false", "false"}, {1, "true", "false"}, {2, "false", "true"}, {3, "true", "true"}};
  for (const Case& c : cases) {
    const Result r = Convert(Fixture("tagged.mp3"), 0, 0, c.stopFlags, hooks, &prop);
    ASSERT_EQ(r.status, kStatusOk);
    const Bytes& m = r.meta();
    EXPECT_EQ(r.scripts[0].timestamp, 0u);
    // String "onMetaData", ECMA array of 15 entries.
    const Bytes head = {0x02, 0x00, 0x0A, 'o', 'n', 'M', 'e', 't', 'a', 'D', 'a', 't', 'a', 0x08, 0, 0, 0, 15};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), m.begin()));
    EXPECT_EQ(Bytes(m.end() - 3, m.end()), (Bytes{0, 0, 9}));
    EXPECT_EQ(StringProperty(m, "artist"), "The Artist");
    EXPECT_EQ(StringProperty(m, "title"), "Caf\xC3\xA9 Song");
    EXPECT_EQ(StringProperty(m, "album"), "An Album");
    EXPECT_EQ(StringProperty(m, "year"), "2007");
    EXPECT_EQ(StringProperty(m, "stopAtBeginning"), c.atBeginning);
    EXPECT_EQ(StringProperty(m, "stopAtEnd"), c.atEnd);
    EXPECT_EQ(StringProperty(m, "metadatacreator"), "Brelvano 1.6");
    // creationdate is what the C library's asctime gives for the local time.
    std::time_t t = 1172221500;
    std::tm local{};
    localtime_r(&t, &local);
    char expected[64];
    asctime_r(&local, expected);
    EXPECT_EQ(StringProperty(m, "creationdate"), expected);
    EXPECT_EQ(StringProperty(m, "creationdate").size(), 25u);
    const size_t date = flvtest::FindProperty(m, "metadatadate");
    ASSERT_NE(date, std::string::npos);
    EXPECT_EQ(m[date], 11);
    EXPECT_EQ(flvtest::NumberAt(m, date + 1), 1172221500000.0);
    EXPECT_EQ(flvtest::BigEndian(m, date + 9, 2), 0u);
  }
}

TEST_F(Mp3ToFlv, EntryOrder) {
  const Result r = Convert(Fixture("short.mp3"));
  const char* names[] = {"creationdate", "metadatacreator", "metadatadate", "duration", "lasttimestamp",
                         "audiodatarate", "filesize", "audiosize", "datasize", "artist", "title", "album",
                         "year", "stopAtBeginning", "stopAtEnd"};
  size_t last = 0;
  for (const char* name : names) {
    const size_t at = flvtest::FindProperty(r.meta(), name);
    ASSERT_NE(at, std::string::npos) << name;
    EXPECT_GT(at, last) << name;
    last = at;
  }
}

// A file under a second scans as 0 s: the duration still is its real length
// and the data rate a finite number.
TEST_F(Mp3ToFlv, ShortFileGetsPositiveDuration) {
  _MP3prop prop;
  prop.duration = 0;
  const Bytes mp3 = test::ReadFileBytes(Fixture("short.mp3"));
  const auto frames = InputFrames(mp3, 0);
  const Result r = Convert(Fixture("short.mp3"), 0, 0, 0, {}, &prop);
  const double expected = frames.size() * 1152 / 44100.0;
  EXPECT_NEAR(NumberProperty(r.meta(), "duration"), expected, 1e-9);
  EXPECT_LT(expected, 1.0);
  EXPECT_TRUE(std::isfinite(NumberProperty(r.meta(), "audiodatarate")));
  ExpectConsistent(r, "short");
}

// A limit longer than the file: the file ends first, "duration" is the limit.
TEST_F(Mp3ToFlv, LimitBeyondTheEndIsTheDuration) {
  const Result r = Convert(Fixture("s44_cbr128.mp3"), 600);
  EXPECT_EQ(r.status, kStatusOk);
  EXPECT_DOUBLE_EQ(NumberProperty(r.meta(), "duration"), 600.0);
  EXPECT_LT(NumberProperty(r.meta(), "lasttimestamp"), 3.0);
}

TEST_F(Mp3ToFlv, TruncationAtTenSeconds) {
  // A minute of 44100 Hz frames made by repeating the fixture's frames.
  const Bytes fixture = test::ReadFileBytes(Fixture("s44_cbr128.mp3"));
  const auto frames = InputFrames(fixture, 0);
  Bytes minute;
  for (size_t i = 0; i < 2297; ++i) {
    const Bytes& f = frames[i % frames.size()].bytes;
    minute.insert(minute.end(), f.begin(), f.end());
  }
  struct Case {
    std::string path;
    size_t tags;
    double lastTimestamp;
  } cases[] = {
      {mp3File(minute), 383, 383 * 1152 / 44100.0},
      {Fixture("long60.mp3"), 192, 192 * 576 / 11025.0},  // MPEG 2.5, 52.24 ms a frame
  };
  for (const Case& c : cases) {
    const Result r = Convert(c.path, 10);
    EXPECT_EQ(r.status, kStatusTruncated) << c.path;
    EXPECT_EQ(r.audio.size(), c.tags) << c.path;
    EXPECT_NEAR(NumberProperty(r.meta(), "lasttimestamp"), c.lastTimestamp, 1e-9) << c.path;
    EXPECT_EQ(NumberProperty(r.meta(), "duration"), 10.0) << c.path;
    ExpectConsistent(r, c.path);
  }
  EXPECT_NEAR(383 * 1152 / 44100.0, 10.0049, 1e-4);
}

std::string LogPath();

TEST_F(Mp3ToFlv, BitrateChangesAreLoggedRateChangesFollowed) {
  const Bytes s44 = test::ReadFileBytes(Fixture("s44_cbr128.mp3"));
  const Bytes s44b = test::ReadFileBytes(Fixture("s44_cbr160.mp3"));
  const Bytes m22 = test::ReadFileBytes(Fixture("m22_cbr32.mp3"));
  const Bytes s11 = test::ReadFileBytes(Fixture("s11_cbr32.mp3"));
  struct Case {
    const char* name;
    Bytes mp3;
    std::vector<std::string> lines;
  } cases[] = {
      {"128 to 160", Concat({s44, s44b}), {"FLV: Bitrate change 128 -> 160 at Pos 2037.551020 (ms)"}},
      {"44100 stereo to 22050 mono", Concat({s44, m22}), {"FLV: Bitrate change 128 -> 32 at Pos 2037.551020 (ms)"}},
      {"22050 mono to 11025 stereo, same rate", Concat({m22, s11}), {}},
  };
  for (const Case& c : cases) {
    std::ofstream(LogPath(), std::ios::trunc).close();
    const std::string path = mp3File(c.mp3);
    const auto frames = InputFrames(c.mp3, 0);
    const Result r = Convert(path);
    EXPECT_EQ(r.status, kStatusOk) << c.name;
    ExpectFramesCopied(r, frames, c.name);  // flags and durations frame by frame
    std::ifstream log(LogPath());
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
      if (line.rfind("FLV:", 0) == 0) lines.push_back(line);
    EXPECT_EQ(lines, c.lines) << c.name;
  }
}

TEST_F(Mp3ToFlv, GarbageAndUnsupportedFramesBetweenFramesAreSkipped) {
  const Bytes m22 = test::ReadFileBytes(Fixture("m22_cbr32.mp3"));
  // An MPEG-1 frame at 48000 Hz (128 kbit/s: 384 bytes) whose body holds a
  // fake sync that must not be taken for a header.
  Bytes unsupported = {0xFF, 0xFB, 0x94, 0x64};
  unsupported.resize(384, 0);
  unsupported[100] = 0xFF;
  unsupported[101] = 0xF3;
  unsupported[102] = 0x48;
  unsupported[103] = 0xC4;
  const Bytes garbage = {0x00, 0x12, 0xFF, 0x00, 0xFF};
  const Bytes mp3 = Concat({m22, garbage, unsupported, m22});
  const Result r = Convert(mp3File(mp3));
  EXPECT_EQ(r.status, kStatusOk);
  auto frames = InputFrames(m22, 0);
  const auto again = frames;
  frames.insert(frames.end(), again.begin(), again.end());
  ExpectFramesCopied(r, frames, "m22 twice");
}

TEST_F(Mp3ToFlv, LastBodyCutShortIsWrittenAtItsLength) {
  Bytes mp3 = test::ReadFileBytes(Fixture("s44_cbr128.mp3"));
  mp3.resize(mp3.size() - 100);
  const Result r = Convert(mp3File(mp3));
  EXPECT_EQ(r.status, kStatusOk);
  ASSERT_FALSE(r.audio.empty());
  const Tag& last = r.audio.back();
  EXPECT_TRUE(last.dataSize == 418 || last.dataSize == 419);
  EXPECT_EQ(Bytes(last.data.end() - 100, last.data.end()), Bytes(100, 0));
  ExpectConsistent(r, "cut");
}

TEST_F(Mp3ToFlv, NoFileForUnreadableOrUnsupportedInput) {
  Bytes only48k;
  for (int i = 0; i < 20; ++i) {
    Bytes f = {0xFF, 0xFB, 0x94, 0x64};
    f.resize(384, 0x55);
    only48k.insert(only48k.end(), f.begin(), f.end());
  }
  struct Case {
    const char* name;
    std::string path;
    int32_t status;
  } cases[] = {
      {"missing", dir.file("missing.mp3"), kStatusCannotOpen},
      {"48000 Hz", mp3File(only48k), kStatusUnsupported},
      {"empty", dir.file("empty.mp3"), kStatusUnsupported},
  };
  test::WriteFileBytes(dir.file("empty.mp3"), {});
  for (const Case& c : cases) {
    // An earlier output stays as it was.
    test::WriteFileBytes(out(), {'o', 'l', 'd'});
    _MP3prop prop;
    const Result r = Convert(c.path, 0, 0, 0, {}, &prop);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.file, (Bytes{'o', 'l', 'd'})) << c.name;
    std::filesystem::remove(out());
    Convert(c.path, 0, 0, 0, {}, &prop);
    EXPECT_FALSE(test::FileExists(out())) << c.name;
  }
}

TEST_F(Mp3ToFlv, SpectrumTagsEvery100ms) {
  CountingSpectrum spectrum;
  spectrum.silentFrames = {8};  // no levels after frame 8: the 200 ms tag waits a frame
  FlvSpectrumMemory memory;
  memory.set(0, 99.0f);  // the conversion resets it
  FlvConversionHooks hooks;
  hooks.spectrum = &spectrum;
  hooks.spectrumMemory = &memory;
  const Result r = Convert(Fixture("s44_cbr128.mp3"), 0, 1, 0, hooks);
  ASSERT_EQ(r.status, kStatusOk);
  EXPECT_EQ(spectrum.inits, std::vector<int>{32});
  EXPECT_EQ(spectrum.frames, static_cast<int>(r.audio.size()));
  ExpectConsistent(r, "spectrum");

  // Which audio tag each spectrum tag follows, and its time.
  struct Seen {
    size_t afterAudio;
    uint32_t timestamp;
    uint32_t bands;
  };
  std::vector<Seen> seen;
  size_t audioSoFar = 0;
  for (size_t i = 1; i < r.tags.size(); ++i) {
    if (r.tags[i].type == 8) {
      ++audioSoFar;
      continue;
    }
    seen.push_back({audioSoFar, r.tags[i].timestamp, flvtest::BigEndian(r.tags[i].data, 14, 4)});
  }
  ASSERT_GE(seen.size(), 5u);
  // Frames end at 26.1, 52.2, 78.4, 104.5 ... ms; a tag follows the first
  // frame past 0, 100, 200 (frame 8 has no levels: frame 9), 300, 400 ms.
  const Seen expected[] = {{1, 26, 32}, {4, 104, 16}, {9, 235, 16}, {12, 313, 16}, {16, 417, 16}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(seen[i].afterAudio, expected[i].afterAudio) << i;
    EXPECT_EQ(seen[i].timestamp, expected[i].timestamp) << i;
    EXPECT_EQ(seen[i].bands, expected[i].bands) << i;
  }
  // None after the last frame.
  EXPECT_EQ(r.tags.back().type, 8);
  // Each band of the first tag, and a changed one of the second.
  const Bytes& first = r.scripts[1].data;
  EXPECT_DOUBLE_EQ(NumberProperty(first, "s0"), 1.2);
  EXPECT_DOUBLE_EQ(NumberProperty(first, "s31"), 7.5);
  EXPECT_DOUBLE_EQ(NumberProperty(r.scripts[2].data, "s15"), 4.2);
  EXPECT_EQ(flvtest::FindProperty(r.scripts[2].data, "s16"), std::string::npos);
}

TEST_F(Mp3ToFlv, SpectrumOffDecodesNothingButInitialises) {
  CountingSpectrum spectrum;
  FlvConversionHooks hooks;
  hooks.spectrum = &spectrum;
  const Result r = Convert(Fixture("m22_cbr32.mp3"), 0, 0, 0, hooks);
  EXPECT_EQ(spectrum.inits, std::vector<int>{32});
  EXPECT_EQ(spectrum.frames, 0);
  EXPECT_EQ(r.scripts.size(), 1u);
}

struct CancelAt {
  int calls = 0;
  int cancelAt = 0;
  std::vector<std::pair<int64_t, int64_t>> reports;
};
void CancellingProgress(int64_t position, int64_t total, ProgressContext context) {
  auto* c = static_cast<CancelAt*>(context);
  c->reports.emplace_back(position, total);
  if (++c->calls == c->cancelAt) conversionAbort().set(1);
}

TEST_F(Mp3ToFlv, ProgressReports) {
  CancelAt progress;
  const std::string path = Fixture("s44_cbr128.mp3");
  const int64_t size = static_cast<int64_t>(std::filesystem::file_size(path));
  const _MP3prop prop;
  EXPECT_EQ(ConvertMp3ToFlv(path.c_str(), out().c_str(), 0, 0, 0, prop, CancellingProgress, &progress), kStatusOk);
  ASSERT_GE(progress.reports.size(), 3u);
  EXPECT_EQ(progress.reports[0], (std::pair<int64_t, int64_t>{0, size}));
  int64_t last = 0;
  for (const auto& [position, total] : progress.reports) {
    EXPECT_EQ(total, size);
    EXPECT_EQ(position / 1024 % 10, 0) << position;
    EXPECT_GE(position, last);
    last = position;
  }
}

TEST_F(Mp3ToFlv, CancelKeepsACompleteFileAndReplacesTheOldOne) {
  CancelAt progress;
  progress.cancelAt = 2;  // the first report from within the frames
  test::WriteFileBytes(out(), {'o', 'l', 'd'});
  const std::string path = Fixture("long60.mp3");
  const _MP3prop prop;
  const int32_t status = ConvertMp3ToFlv(path.c_str(), out().c_str(), 0, 0, 0, prop, CancellingProgress, &progress);
  EXPECT_EQ(status, kStatusAborted);
  Result r;
  r.file = test::ReadFileBytes(out());
  r.tags = flvtest::ReadTags(r.file);
  r.audio = flvtest::TagsOfType(r.tags, 8);
  r.scripts = flvtest::TagsOfType(r.tags, 18);
  ExpectConsistent(r, "cancelled");
  const auto frames = InputFrames(test::ReadFileBytes(path), 0);
  ASSERT_GT(r.audio.size(), 0u);
  EXPECT_LT(r.audio.size(), frames.size());
  ExpectFramesCopied(r, std::vector<InputFrame>(frames.begin(), frames.begin() + static_cast<long>(r.audio.size())),
                     "cancelled");
  EXPECT_TRUE(Strays().empty());
}

TEST_F(Mp3ToFlv, CancelBeforeTheFirstFrame) {
  conversionAbort().set(1);
  const Result r = Convert(Fixture("short.mp3"));
  EXPECT_EQ(r.status, kStatusAborted);
  EXPECT_TRUE(r.audio.empty());
  ExpectConsistent(r, "no frames");
  EXPECT_EQ(NumberProperty(r.meta(), "audiodatarate"), 0.0);
  EXPECT_EQ(NumberProperty(r.meta(), "lasttimestamp"), 0.0);
}

// A sink on the real file that fails from some offset on, as a full disk does.
class FullDiskSink final : public FlvSink {
 public:
  FullDiskSink(int fd, uint64_t limit) : real_(fd), limit_(limit) {}
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) override {
    if (offset + size > limit_) {
      errno = ENOSPC;
      return false;
    }
    return real_.WriteAt(offset, data, size);
  }

 private:
  FlvFdSink real_;
  uint64_t limit_;
};

TEST_F(Mp3ToFlv, WriteErrorKeepsTheEarlierFile) {
  for (uint64_t limit : {uint64_t{0}, uint64_t{200}, uint64_t{40000}, uint64_t{70000}}) {
    test::WriteFileBytes(out(), {'g', 'o', 'o', 'd'});
    FlvConversionHooks hooks;
    hooks.makeSink = [limit](int fd) { return std::make_unique<FullDiskSink>(fd, limit); };
    testing::internal::CaptureStderr();
    const Result r = Convert(Fixture("long60.mp3"), 0, 0, 0, hooks);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.status, kStatusCannotCreate) << limit;
    EXPECT_EQ(err, out() + ": No space left on device\n") << limit;
    EXPECT_EQ(r.file, (Bytes{'g', 'o', 'o', 'd'})) << limit;
    EXPECT_TRUE(Strays().empty()) << limit;
  }
}

TEST_F(Mp3ToFlv, OutputThatCannotBeCreated) {
  std::filesystem::create_directory(dir.file("taken.flv"));
  std::filesystem::create_directory(dir.file("taken.flv/inside"));
  struct Case {
    std::string path;
    std::string error;
  } cases[] = {
      {dir.file("no/such/folder/out.flv"), "No such file or directory"},
      {dir.file("taken.flv"), "Is a directory"},
  };
  const std::string mp3 = Fixture("short.mp3");
  const _MP3prop prop;
  for (const Case& c : cases) {
    testing::internal::CaptureStderr();
    const int32_t status = ConvertMp3ToFlv(mp3.c_str(), c.path.c_str(), 0, 0, 0, prop, nullptr, nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, kStatusCannotCreate) << c.path;
    EXPECT_EQ(err, c.path + ": " + c.error + "\n");
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.flv/inside")));
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"taken.flv"});
}

// The new file gets the mode a plain fopen would give it, and a name at the
// length limit of the file system still works.
TEST_F(Mp3ToFlv, OutputModeAndLongName) {
  const mode_t old = umask(022);
  const std::string mp3 = Fixture("short.mp3");
  const std::string longName = dir.file(std::string(251, 'n') + ".flv");
  const _MP3prop prop;
  EXPECT_EQ(ConvertMp3ToFlv(mp3.c_str(), longName.c_str(), 0, 0, 0, prop, nullptr, nullptr), kStatusOk);
  umask(old);
  ASSERT_TRUE(test::FileExists(longName));
  const auto perms = std::filesystem::status(longName).permissions();
  EXPECT_EQ(perms, std::filesystem::perms(0644));
}

// The log goes to a home folder of this test program for its whole run.
std::string LogPath() {
  static test::TempDir* home = [] {
    auto* d = new test::TempDir;
    setenv("HOME", d->path().c_str(), 1);
    setenv("BRELVANOLOG", "1", 1);
    return d;
  }();
  return home->file("dravik.log");
}

}  // namespace
}  // namespace brelvano
