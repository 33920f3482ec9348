#include "analysis/mp3_scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/byte_reader.h"
#include "analysis/mp3_bytes.h"

namespace brelvano {
namespace {

using test::Bytes;
using test::Concat;
using test::Frame23;
using test::Frames;
using test::Id3v1;
using test::Id3v2Header;
using test::Id3v2Tag;
using test::kMpeg1_128k_44100;
using test::kMpeg1_128k_48000;
using test::kMpeg1_160k_44100;
using test::kMpeg1_64k_44100_mono;
using test::Latin1;
using test::Text;

struct ScanCase {
  const char* name;
  Bytes file;
  int32_t result;
  int32_t bitrate, vbr, freq, stereo, duration, skip;
};

class ScanMp3FileTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanMp3FileTest, Measures) {
  const ScanCase& c = GetParam();
  test::TempDir dir;
  const std::string path = dir.file("track.mp3");
  test::WriteFileBytes(path, c.file);
  _MP3prop prop;
  prop.bitrate = prop.vbr = prop.freq = prop.stereo = prop.duration = prop.skip = 77;
  EXPECT_EQ(ScanMp3File(path.c_str(), prop), c.result);
  EXPECT_EQ(prop.bitrate, c.bitrate);
  EXPECT_EQ(prop.vbr, c.vbr);
  EXPECT_EQ(prop.freq, c.freq);
  EXPECT_EQ(prop.stereo, c.stereo);
  EXPECT_EQ(prop.duration, c.duration);
  EXPECT_EQ(prop.skip, c.skip);
}

int32_t Duration(const Bytes& file, int kbps) { return static_cast<int32_t>(file.size() / 125 / kbps); }

const Bytes kAlternating = test::Repeat(
    Concat({Frames(kMpeg1_128k_44100, 128, 44100, 1), Frames(kMpeg1_160k_44100, 160, 44100, 1)}), 10);
const Bytes kSmallTag = Id3v2Tag(3, 0, Frame23("TIT2", Latin1("Song")), 4);
const Bytes kTagJunkFrames = Concat({kSmallTag, Text(std::string("\0junk!!", 7)), Frames(kMpeg1_128k_44100, 128, 44100, 5)});
const Bytes kMostly48k = Concat({Frames(kMpeg1_128k_44100, 128, 44100, 2), Frames(kMpeg1_128k_48000, 128, 48000, 3)});
const Bytes k48kFirst = Concat({Frames(kMpeg1_128k_48000, 128, 48000, 3), Frames(kMpeg1_160k_44100, 160, 44100, 2)});
const Bytes kEven = Concat({Frames(kMpeg1_128k_48000, 128, 48000, 2), Frames(kMpeg1_160k_44100, 160, 44100, 2)});
const Bytes kMono = Frames(kMpeg1_64k_44100_mono, 64, 44100, 4);
const Bytes kThousand = Frames(kMpeg1_128k_44100, 128, 44100, 1000);  // 417,000 bytes
const Bytes kMpeg2 = Frames(0xFFF38044, 64, 22050, 6);
const Bytes kMpeg25 = Frames(0xFFE340C4, 32, 11025, 6);
const Bytes kLayer2 = Frames(0xFFFD9044, 128, 44100, 4);
// An ID3v2 tag whose size runs far beyond the file: the audio behind its
// frames is still found.
const Bytes kHugeTagFrame = Frame23("TIT2", Latin1("Huge"));
const Bytes kHugeTag = Concat({Id3v2Header(3, 0, 0x0FFFFFFF), kHugeTagFrame, Frames(kMpeg1_128k_44100, 128, 44100, 3)});
const Bytes kHugeV24 = Concat({Id3v2Header(4, 0, 0x0FFFFFFF), Frame23("TIT2", Latin1("Four")),
                               Frames(kMpeg1_128k_44100, 128, 44100, 3)});
const Bytes kCutInTag = Concat({Id3v2Header(3, 0, 5000), Frame23("TIT2", Latin1("Cut")), Bytes(40, 0)});
const Bytes kLastFrameCut(kThousand.begin(), kThousand.begin() + 417 * 3 + 100);
const Bytes kWithV1 = Concat({Frames(kMpeg1_128k_44100, 128, 44100, 3), Id3v1("T", "A", "B", "2000", "", 0)});

INSTANTIATE_TEST_SUITE_P(
    Streams, ScanMp3FileTest,
    ::testing::Values(
        ScanCase{"alternating_128_160_is_vbr_144", kAlternating, 0, 144, 1, 44100, 1, Duration(kAlternating, 144), 0},
        ScanCase{"skip_is_first_frame_behind_tag", kTagJunkFrames, 0, 128, 0, 44100, 1,
                 Duration(kTagJunkFrames, 128), static_cast<int32_t>(kSmallTag.size() + 7)},
        ScanCase{"empty_file", Bytes{}, 3, 0, 0, 0, 0, 0, 0},
        ScanCase{"text_file", Text("Just some words, no audio at all.\n"), 3, 0, 0, 0, 0, 0, 0},
        ScanCase{"mostly_48k_takes_last_header", kMostly48k, 2, 128, 0, 48000, 1, Duration(kMostly48k, 128), 0},
        ScanCase{"48k_first_skip_at_first_supported", k48kFirst, 2, 160, 0, 44100, 1, Duration(k48kFirst, 160),
                 3 * 380 + 3 * 4},
        ScanCase{"as_many_unsupported_as_supported", kEven, 0, 160, 0, 44100, 1, Duration(kEven, 160), 2 * 384},
        ScanCase{"mono", kMono, 0, 64, 0, 44100, 0, Duration(kMono, 64), 0},
        ScanCase{"duration_from_file_size", kThousand, 0, 128, 0, 44100, 1, 26, 0},
        ScanCase{"mpeg2_22050", kMpeg2, 0, 64, 0, 22050, 1, Duration(kMpeg2, 64), 0},
        ScanCase{"mpeg25_11025_mono", kMpeg25, 0, 32, 0, 11025, 0, Duration(kMpeg25, 32), 0},
        ScanCase{"layer2_unsupported", kLayer2, 2, 128, 0, 44100, 1, Duration(kLayer2, 128), 0},
        ScanCase{"tag_end_beyond_file", kHugeTag, 0, 128, 0, 44100, 1, Duration(kHugeTag, 128),
                 static_cast<int32_t>(10 + kHugeTagFrame.size())},
        ScanCase{"v24_tag_end_beyond_file", kHugeV24, 0, 128, 0, 44100, 1, Duration(kHugeV24, 128),
                 static_cast<int32_t>(10 + kHugeTagFrame.size())},
        ScanCase{"file_cut_inside_tag", kCutInTag, 3, 0, 0, 0, 0, 0, 10 + 14},
        ScanCase{"last_frame_cut", kLastFrameCut, 0, 128, 0, 44100, 1, Duration(kLastFrameCut, 128), 0},
        ScanCase{"v1_tag_counts_in_duration", kWithV1, 0, 128, 0, 44100, 1, Duration(kWithV1, 128), 0}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(ScanMp3File, TagFieldsFollowValid) {
  test::TempDir dir;
  const std::string path = dir.file("tagged.mp3");
  test::WriteFileBytes(path, kTagJunkFrames);
  for (char valid : {0, 1, 2}) {
    _MP3prop prop;
    prop.id3.valid = valid;
    std::strcpy(prop.id3.song, "Mine");
    std::strcpy(prop.id3.artist, "Me");
    EXPECT_EQ(ScanMp3File(path.c_str(), prop), kScanOk);
    EXPECT_EQ(prop.id3.valid, valid == 0 ? 1 : valid);
    EXPECT_STREQ(prop.id3.song, valid == 0 ? "Song" : "Mine");
    EXPECT_STREQ(prop.id3.artist, valid == 0 ? "" : "Me");
  }
}

TEST(ScanMp3File, CannotOpenKeepsTagAndSkip) {
  _MP3prop prop;
  prop.id3.valid = 1;
  std::strcpy(prop.id3.song, "Gone");
  prop.skip = 1234;
  prop.bitrate = prop.vbr = prop.freq = prop.stereo = prop.duration = 9;
  EXPECT_EQ(ScanMp3File("/nonexistent/folder/track.mp3", prop), kScanCannotOpen);
  EXPECT_STREQ(prop.id3.song, "Gone");
  EXPECT_EQ(prop.skip, 1234);
  EXPECT_EQ(prop.bitrate + prop.vbr + prop.freq + prop.stereo + prop.duration, 0);
}

TEST(ScanMp3File, DirectoryHoldsNoFrames) {
  test::TempDir dir;
  _MP3prop prop;
  const int32_t result = ScanMp3File(dir.path().c_str(), prop);
  EXPECT_TRUE(result == kScanNoFrames || result == kScanCannotOpen) << result;
}

// ---- Files made by lame and ffmpeg (tests/data/analysis/make.sh) ----

struct Probe {
  std::string file, codec;
  int rate = 0, channels = 0, packets = 0;
};

std::vector<Probe> ReadProbes() {
  std::vector<Probe> probes;
  std::ifstream in(test::DataFile("analysis/probe.tsv"));
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Probe p;
    if (fields >> p.file >> p.codec >> p.rate >> p.channels >> p.packets) probes.push_back(p);
  }
  return probes;
}

// A plain walk over Layer III frames from `start`, independent of the
// scanner: the bit rate of every frame until the first byte that is no frame.
std::vector<int> WalkLayer3(const Bytes& file, size_t start) {
  static const int kMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const int kLsf[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  static const int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
  std::vector<int> rates;
  for (size_t at = start; at + 4 <= file.size();) {
    const uint8_t* h = &file[at];
    const int version = (h[1] >> 3) & 3, layer = (h[1] >> 1) & 3, index = h[2] >> 4, rateIndex = (h[2] >> 2) & 3;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || version == 1 || layer != 1 || index == 0 || index == 15 ||
        rateIndex == 3)
      break;
    const int kbps = version == 3 ? kMpeg1[index] : kLsf[index];
    rates.push_back(kbps);
    at += size_t((version == 3 ? 144000 : 72000) * kbps / kRates[version][rateIndex] + ((h[2] >> 1) & 1));
  }
  return rates;
}

size_t Id3v2Length(const Bytes& file) {
  if (file.size() < 10 || std::memcmp(file.data(), "ID3", 3) != 0) return 0;
  return 10 + (size_t(file[6]) << 21 | size_t(file[7]) << 14 | size_t(file[8]) << 7 | file[9]);
}

// lame's first frame carries its "Xing" or "Info" header, which ffprobe does not count as audio.
bool HasInfoFrame(const Bytes& file, size_t start) {
  const std::string head(file.begin() + long(start), file.begin() + long(std::min(file.size(), start + 64)));
  return head.find("Xing") != std::string::npos || head.find("Info") != std::string::npos;
}

TEST(ScanMp3File, AgreesWithEncoderAndFfprobe) {
  const std::vector<Probe> probes = ReadProbes();
  ASSERT_GE(probes.size(), 20u);
  for (const Probe& p : probes) {
    SCOPED_TRACE(p.file);
    const std::string path = test::DataFile("analysis/" + p.file);
    const Bytes bytes = test::ReadFileBytes(path);
    _MP3prop prop;
    const int32_t result = ScanMp3File(path.c_str(), prop);
    const bool streamable = p.codec == "mp3" && (p.rate == 44100 || p.rate == 22050 || p.rate == 11025);
    ASSERT_EQ(result, streamable ? kScanOk : kScanUnsupported);
    EXPECT_EQ(prop.freq, p.rate);
    EXPECT_EQ(prop.stereo, p.channels == 2 ? 1 : 0);
    ASSERT_GT(prop.bitrate, 0);
    EXPECT_EQ(prop.duration, int32_t(bytes.size() / 125 / size_t(prop.bitrate)));
    const size_t tag = Id3v2Length(bytes);
    EXPECT_EQ(prop.skip, int32_t(tag));
    if (p.codec != "mp3") continue;  // Layer II frames are measured with the Layer III table, not walked here

    const std::vector<int> rates = WalkLayer3(bytes, tag);
    EXPECT_EQ(int(rates.size()), p.packets + (HasInfoFrame(bytes, tag) ? 1 : 0));
    if (!streamable) {
      EXPECT_EQ(prop.bitrate, rates.back());
      continue;
    }
    long sum = 0;
    for (int r : rates) sum += r;
    EXPECT_EQ(prop.bitrate, int32_t(sum / long(rates.size())));
    const bool variable = std::set<int>(rates.begin(), rates.end()).size() > 1;
    EXPECT_EQ(prop.vbr, variable ? 1 : 0);
    if (p.file.rfind("cbr", 0) == 0) {  // "cbr<kbit/s>_...": lame's constant bit rate
      EXPECT_EQ(prop.vbr, 0);
      EXPECT_EQ(prop.bitrate, std::stoi(p.file.substr(3)));
    }
    if (p.file.rfind("vbr", 0) == 0) {
      EXPECT_EQ(prop.vbr, 1);
    }
  }
}

// ---- ByteReader: skips inside and beyond its buffer read the same bytes ----

TEST(ByteReader, SmallBufferReadsLikeLargeOne) {
  test::TempDir dir;
  Bytes data(1000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7 + 3);
  test::WriteFileBytes(dir.file("d"), data);
  const int skips[] = {0, 1, 2, 5, 9, 17, 3, 64, 1, 100, 0, 250, 7};
  for (size_t bufferSize : {size_t{1}, size_t{3}, size_t{8}, size_t{64}, size_t{4096}}) {
    SCOPED_TRACE(bufferSize);
    FILE* file = std::fopen(dir.file("d").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fseek(file, 5, SEEK_SET);
    ByteReader in(file, bufferSize);
    size_t expected = 5;
    for (int round = 0; expected < data.size(); ++round) {
      ASSERT_EQ(in.position(), int64_t(expected));
      ASSERT_EQ(in.next(), data[expected]);
      in.skip(skips[round % 13]);
      expected += 1 + size_t(skips[round % 13]);
    }
    EXPECT_EQ(in.next(), -1);
    in.skip(10);
    EXPECT_EQ(in.next(), -1);
    std::fclose(file);
  }
}

}  // namespace
}  // namespace brelvano
