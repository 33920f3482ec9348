#include "analysis/mp3_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>

#include "analysis/frame_header.h"
#include "analysis/mp3_bytes.h"

namespace brelvano {
namespace {

using namespace test;

TEST(DecodeFrameHeader, FieldsAndResults) {
  struct Case {
    uint32_t header;
    int32_t result, stereo, freq, bitrate, bodyLength;  // -9: output not written
  };
  const Case cases[] = {
      {0xFFFB9044, 1152, 1, 44100, 128, 413},   // MPEG-1 Layer III, joint stereo
      {0xFFFB9244, 1152, 1, 44100, 128, 414},   // padded
      {0xFFFA9044, 1152, 1, 44100, 128, 413},   // the CRC word is part of the body
      {0xFFFBE0C0, 1152, 0, 44100, 320, 1040},  // single channel
      {0xFFF38000, 576, 1, 22050, 64, 204},     // MPEG-2
      {0xFFF3E200, 576, 1, 22050, 160, 519},    // MPEG-2, padded
      {0xFFE310C0, 576, 0, 11025, 8, 48},       // MPEG-2.5, mono
      // Valid but not streamable: every output is filled.
      {0xFFFB9444, -2, 1, 48000, 128, 380},
      {0xFFFB9844, -2, 1, 32000, 128, 572},
      {0xFFF38400, -2, 1, 24000, 64, 188},
      {0xFFFD9044, -2, 1, 44100, 128, 413},  // Layer II, measured with the Layer III table
      {0xFFFF9044, -2, 1, 44100, 128, 413},  // Layer I
      // Not headers: no sync, reserved version, reserved layer, free format, index 15.
      {0x7FFB9044, -1, -9, -9, -9, 0},
      {0xFFEB9044, -1, -9, -9, -9, 0},
      {0xFFF99044, -1, -9, -9, -9, 0},
      {0xFFFB0044, -1, -9, -9, -9, 0},
      {0xFFFBF044, -1, -9, -9, -9, 0},
      {0xFFFB9C44, -1, -9, -9, 128, 0},  // sample-rate index 3: the bit rate is known first
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.header);
    int32_t stereo = -9, freq = -9, bitrate = -9, bodyLength = -9;
    EXPECT_EQ(DecodeFrameHeader(c.header, stereo, freq, bitrate, bodyLength), c.result);
    EXPECT_EQ((std::array{stereo, freq, bitrate, bodyLength}),
              (std::array{c.stereo, c.freq, c.bitrate, c.bodyLength}));
  }
}

TEST(ScanMp3File, HandBuiltStreams) {
  const Bytes k128 = SyntheticMp3(kMpeg1_128k_44100, 1), k160 = SyntheticMp3(kMpeg1_160k_44100, 1);
  const Bytes k48 = SyntheticMp3(kMpeg1_128k_48000, 1);
  const Bytes tag = Id3v2Tag(3, 0, Frame23("TIT2", Latin1("Song")), 4);  // 29 bytes
  const Bytes thousand = SyntheticMp3(kMpeg1_128k_44100, 1000);          // 417,000 bytes
  struct Case {
    const char* name;
    Bytes file;
    int32_t result, bitrate, vbr, freq, stereo, duration, skip;
  };
  const Case cases[] = {
      {"alternating 128/160 kbit/s", Cat({k128, k160, k128, k160, k128, k160}), 0, 144, 1, 44100, 1,
       0, 0},
      // skip is the first frame behind the tag, not the tag end
      {"junk between tag and frames", Cat({tag, Text("junk!!!"), k128, k128}), 0, 128, 0, 44100, 1,
       0, 36},
      {"empty file", {}, 3, 0, 0, 0, 0, 0, 0},
      {"text file", Text("Just some words, no audio at all.\n"), 3, 0, 0, 0, 0, 0, 0},
      // More unsupported frames: the last header decoded gives the numbers.
      {"mostly 48 kHz", Cat({k128, k128, k48, k48, k48}), 2, 128, 0, 48000, 1, 0, 0},
      {"48 kHz first", Cat({k48, k48, k48, k160, k160}), 2, 160, 0, 44100, 1, 0, 3 * 384},
      {"as many unsupported as supported", Cat({k48, k48, k160, k160}), 0, 160, 0, 44100, 1, 0,
       2 * 384},
      {"duration from file size, past the read buffer", thousand, 0, 128, 0, 44100, 1, 26, 0},
      // 38 frames of 417 bytes are just under one second; the tag makes it one.
      {"tags count in duration",
       Cat({Id3v2Tag(3, 0, Frame23("TIT2", Latin1("Song")), 190),
            Bytes(thousand.begin(), thousand.begin() + 38 * 417)}),
       0, 128, 0, 44100, 1, 1, 215},
      {"last frame cut", Bytes(thousand.begin(), thousand.begin() + 3 * 417 + 100), 0, 128, 0,
       44100, 1, 0, 0},
      // Broken tags: the audio behind the tag's frames is still found.
      {"tag end beyond file",
       Cat({Id3v2Header(3, 0, 0x0FFFFFFF), Frame23("TIT2", Latin1("Huge")), k128, k128}), 0, 128, 0,
       44100, 1, 0, 25},
      {"file cut inside tag",
       Cat({Id3v2Header(3, 0, 5000), Frame23("TIT2", Latin1("Cut")), Bytes(40, 0)}), 3, 0, 0, 0, 0,
       0, 24},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(dir.file("t.mp3"), c.file);
    _MP3prop p;
    p.bitrate = p.vbr = p.freq = p.stereo = p.duration = p.skip = 77;
    EXPECT_EQ(ScanMp3File(dir.file("t.mp3").c_str(), p), c.result);
    EXPECT_EQ((std::array{p.bitrate, p.vbr, p.freq, p.stereo, p.duration, p.skip}),
              (std::array{c.bitrate, c.vbr, c.freq, c.stereo, c.duration, c.skip}));
  }
}

// The duration counts the bytes up to the end of the last frame, not the
// file's size. Regression: 4 s of audio followed by a 2 GiB hole (a sparse
// file, as `truncate -s` makes) was listed as 2982'36".
TEST(ScanMp3File, DurationEndsWithTheAudio) {
  const Bytes fourSeconds = SyntheticMp3(kMpeg1_128k_44100, 154);  // 154 × 1152 samples: 4.02 s
  Bytes v1Tag = Text("TAG");
  v1Tag.resize(128, 0);
  const struct {
    const char* name;
    Bytes file;
    int64_t extendTo;  // > 0: the file is then extended to this size by a hole
    int32_t result, duration;
    int64_t supported, endOfAudio;
  } cases[] = {
      {"4 s then a 2 GiB hole", fourSeconds, int64_t{2} << 30, kScanOk, 4, 154, 154 * 417},
      {"4 s then 1 MB of junk", Cat({fourSeconds, Bytes(1 << 20, 0x41)}), 0, kScanOk, 4, 154,
       154 * 417},
      {"ID3v1 tag behind", Cat({fourSeconds, v1Tag}), 0, kScanOk, 4, 154, 154 * 417},
      {"nothing but a 2 GiB hole", {}, int64_t{2} << 30, kScanNoFrames, 0, 0, 0},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("t.mp3");
    WriteFileBytes(path, c.file);
    if (c.extendTo > 0) {
      ASSERT_EQ(truncate(path.c_str(), c.extendTo), 0);
    }
    _MP3prop prop;
    Mp3ScanDetails details;
    EXPECT_EQ(ScanMp3File(path.c_str(), prop, &details), c.result);
    EXPECT_EQ(prop.duration, c.duration);
    EXPECT_EQ(details.supportedFrames, c.supported);
    EXPECT_EQ(details.endOfAudio, c.endOfAudio);
  }
}

// Anything but a regular file cannot be opened, and says why. Regression: a
// FIFO in place of an MP3 file hung the scan waiting for a writer.
TEST(ScanMp3File, OnlyRegularFilesAreRead) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("f.mp3").c_str(), 0644), 0);
  for (const std::string& path : {dir.file("f.mp3"), dir.path(), std::string("/dev/zero")}) {
    _MP3prop prop;
    Mp3ScanDetails details;
    EXPECT_EQ(ScanMp3File(path.c_str(), prop, &details), kScanCannotOpen) << path;
    EXPECT_FALSE(details.openError.text().empty());
  }
}

// A file that cannot be opened keeps the record's tag and skip; a tag is
// replaced only while it is not valid.
TEST(ScanMp3File, TagFieldsAndSkip) {
  TempDir dir;
  const Bytes tag = Id3v2Tag(3, 0, Frame23("TIT2", Latin1("Song")));
  WriteFileBytes(dir.file("t.mp3"), Cat({tag, SyntheticMp3(kMpeg1_128k_44100, 2)}));
  for (char valid : {0, 1, 2}) {
    _MP3prop prop;
    prop.id3.valid = valid;
    std::strcpy(prop.id3.song, "Mine");
    prop.skip = prop.bitrate = prop.vbr = prop.freq = prop.stereo = prop.duration = 9;
    EXPECT_EQ(ScanMp3File(dir.file("missing.mp3").c_str(), prop), kScanCannotOpen);
    EXPECT_EQ(
        (std::array{prop.skip, prop.bitrate, prop.vbr, prop.freq, prop.stereo, prop.duration}),
        (std::array{9, 0, 0, 0, 0, 0}));
    EXPECT_STREQ(prop.id3.song, "Mine");
    EXPECT_EQ(ScanMp3File(dir.file("t.mp3").c_str(), prop), kScanOk);
    EXPECT_STREQ(prop.id3.song, valid == 0 ? "Song" : "Mine");
  }
}

// Files made by lame and ffmpeg (tests/data/analysis/make.sh); probe.tsv holds
// what ffprobe sees in them.
TEST(ScanMp3File, AgreesWithEncoderAndFfprobe) {
  std::ifstream probes(DataFile("analysis/probe.tsv"));
  std::string file, codec, line;
  int rate, channels, packets, checked = 0;
  std::getline(probes, line);  // column names
  while (probes >> file >> codec >> rate >> channels >> packets) {
    SCOPED_TRACE(file);
    const std::string path = DataFile("analysis/" + file);
    const Bytes bytes = ReadFileBytes(path);
    _MP3prop prop;
    const bool streamable = codec == "mp3" && (rate == 44100 || rate == 22050 || rate == 11025);
    ASSERT_EQ(ScanMp3File(path.c_str(), prop), streamable ? kScanOk : kScanUnsupported);
    EXPECT_EQ(prop.freq, rate);
    EXPECT_EQ(prop.stereo, channels == 2 ? 1 : 0);
    ASSERT_GT(prop.bitrate, 0);
    const int32_t tag =
        bytes[0] == 'I' ? 10 + (bytes[6] << 21 | bytes[7] << 14 | bytes[8] << 7 | bytes[9]) : 0;
    EXPECT_EQ(prop.skip, tag);
    ++checked;
    if (codec != "mp3") continue;
    // Walking the frames from the tag end meets as many frames as ffprobe
    // counts packets, plus lame's "Xing"/"Info" frame, which ffprobe does not count.
    int frames = 0;
    for (size_t at = size_t(tag); at + 4 <= bytes.size(); ++frames) {
      int32_t s, f, kbps, body;
      const uint32_t header =
          uint32_t(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
      if (DecodeFrameHeader(header, s, f, kbps, body) == -1) break;
      at += size_t(4 + body);
    }
    const std::string head(bytes.begin() + tag, bytes.begin() + tag + 64);
    EXPECT_EQ(frames,
              packets + (head.find("Xing") != head.npos || head.find("Info") != head.npos ? 1 : 0));
    if (!streamable) continue;
    EXPECT_EQ(prop.vbr, file.rfind("vbr", 0) == 0 ? 1 : 0);
    if (file.rfind("cbr", 0) == 0) {
      EXPECT_EQ(prop.bitrate, std::stoi(file.substr(3)));  // "cbr<kbit/s>_..."
    }
  }
  EXPECT_GE(checked, 20);
}

}  // namespace
}  // namespace brelvano
