#include "analysis/mp3_frame_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <tuple>
#include <vector>

#include "analysis/frame_header.h"
#include "analysis/mp3_bytes.h"
#include "base/input_file.h"

namespace brelvano {
namespace {

using namespace test;

// What a walk meets: every streamable frame as (offset, header), then the
// skipped-frame count and the end of the audio.
using Walk = std::tuple<std::vector<std::pair<int64_t, uint32_t>>, int64_t, int64_t>;

// The rule spelled out one byte at a time: a window of the bytes since the
// last frame (or skipped frame) ended, never older ones.
Walk ByteByByte(const Bytes& file) {
  std::vector<std::pair<int64_t, uint32_t>> found;
  int64_t unsupported = 0, end = 0;
  uint32_t window = 0;
  int fresh = 0;  // bytes in the window since the last skip
  for (size_t at = 0; at < file.size();) {
    window = window << 8 | file[at++];
    if (++fresh < 4) continue;
    int32_t stereo, freq, bitrate, body;
    const int32_t r = DecodeFrameHeader(window, stereo, freq, bitrate, body);
    if (r == -1) continue;
    if (r > 0)
      found.emplace_back(int64_t(at) - 4, window);
    else
      ++unsupported;
    at += size_t(body);
    end = std::min<int64_t>(int64_t(at), int64_t(file.size()));
    fresh = 0;
    window = 0;
  }
  return {found, unsupported, end};
}

Walk ByReader(const std::string& path, size_t bufferSize) {
  InputFile file = OpenRegularFileForReading(path.c_str());
  Mp3FrameReaderOptions options;
  options.bufferSize = bufferSize;
  Mp3FrameReader in(file.get(), options);
  std::vector<std::pair<int64_t, uint32_t>> found;
  Mp3Frame frame;
  while (in.FindFrame(frame) == Mp3Search::kFound) {
    EXPECT_EQ(in.position(), frame.offset + 4);
    found.emplace_back(frame.offset, frame.header);
    in.Skip(frame.bodyLength);
  }
  return {found, in.unsupportedFrames(), in.endOfAudio()};
}

// Random mixtures of streamable frames, frames we skip, lone 0xFF bytes and
// junk, read through buffers small enough that headers straddle their ends.
TEST(Mp3FrameReader, MeetsWhatAByteByByteWalkMeets) {
  const Bytes pieces[] = {
      SyntheticMp3(kMpeg1_128k_44100, 1),
      SyntheticMp3(kMpeg1_160k_44100, 1),
      SyntheticMp3(0xFFE340C0, 1),
      SyntheticMp3(kMpeg1_128k_48000, 1),
      HeaderBytes(0xFFFFE240),  // Layer I header: 1041 bytes skipped
      Bytes{0xFF},
      Bytes{0xFF, 0xFF, 0xFB},
      Bytes{0xFF, 0xFB, 0x9C, 0x44},  // not headers
      Text("junk"),
      Bytes(700, 0),
  };
  std::mt19937 random(7);
  TempDir dir;
  for (int round = 0; round < 40; ++round) {
    Bytes file;
    const int count = 1 + int(random() % 60);
    for (int i = 0; i < count; ++i) {
      const Bytes& piece = pieces[random() % std::size(pieces)];
      file.insert(file.end(), piece.begin(), piece.end());
    }
    WriteFileBytes(dir.file("mix.mp3"), file);
    const Walk expected = ByteByByte(file);
    for (int bufferSize : {64, 65, 417, 4096, 1 << 18}) {
      SCOPED_TRACE(testing::Message() << "round " << round << ", buffer " << bufferSize);
      EXPECT_EQ(ByReader(dir.file("mix.mp3"), size_t(bufferSize)), expected);
    }
  }
}

TEST(Mp3FrameReader, FirstFrameRuleAndBodies) {
  TempDir dir;
  Bytes file = SyntheticMp3(kMpeg1_128k_48000, 1);
  const Bytes frames = SyntheticMp3(kMpeg1_128k_44100, 2);
  file.insert(file.end(), frames.begin(), frames.end() - 100);  // the last body cut short
  WriteFileBytes(dir.file("t.mp3"), file);
  InputFile input = OpenRegularFileForReading(dir.file("t.mp3").c_str());
  Mp3FrameReaderOptions writer;
  writer.firstFrameMustBeSupported = true;
  Mp3Frame frame;
  EXPECT_EQ(Mp3FrameReader(input.get(), writer).FindFrame(frame), Mp3Search::kUnsupported);
  EXPECT_EQ(frame.freq, 48000);

  Mp3FrameReader in(input.get(), writer);
  in.SeekTo(384);
  uint8_t body[2048];
  for (int32_t expectedBody : {413, 313}) {
    ASSERT_EQ(in.FindFrame(frame), Mp3Search::kFound);
    EXPECT_EQ(in.ReadBody(body, frame.bodyLength), expectedBody);
    EXPECT_EQ(
        Bytes(body, body + expectedBody),
        Bytes(file.begin() + frame.offset + 4, file.begin() + frame.offset + 4 + expectedBody));
  }
  EXPECT_EQ(in.FindFrame(frame), Mp3Search::kEnd);
  EXPECT_EQ(in.position(), int64_t(file.size()));
}

// Frames on both sides of a hole of a sparse file, and a hole at the end.
TEST(Mp3FrameReader, JumpsHolesOfSparseFiles) {
  TempDir dir;
  const Bytes frames = SyntheticMp3(kMpeg1_128k_44100, 10);
  const std::string path = dir.file("sparse.mp3");
  WriteFileBytes(path, frames);
  const int64_t second = 64 << 20;
  const int fd = open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(pwrite(fd, frames.data(), frames.size(), second), ssize_t(frames.size()));
  ASSERT_EQ(ftruncate(fd, int64_t{3} << 30), 0);
  close(fd);
  const auto [found, unsupported, end] = ByReader(path, 1 << 18);
  ASSERT_EQ(found.size(), 20u);
  EXPECT_EQ(found[10].first, second);
  EXPECT_EQ(end, second + int64_t(frames.size()));
}

TEST(OpenRegularFileForReading, RefusesAnythingElseWithItsReason) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("fifo.mp3").c_str(), 0644), 0);
  WriteFileBytes(dir.file("file.mp3"), {1, 2, 3});
  const struct {
    std::string path;
    bool opens;
    std::string reason;
  } cases[] = {
      {dir.file("file.mp3"), true, ""},
      {dir.file("fifo.mp3"), false,
       "not a regular file (FIFO)"},  // opened for no writer: would wait forever
      {dir.path(), false, "Is a directory"},
      {"/dev/null", false, "not a regular file (device)"},
      {dir.file("missing.mp3"), false, "No such file or directory"},
  };
  for (const auto& c : cases) {
    InputOpenError error;
    error.systemError = 12345;
    const InputFile file = OpenRegularFileForReading(c.path.c_str(), &error);
    EXPECT_EQ(file != nullptr, c.opens) << c.path;
    EXPECT_EQ(c.opens ? "" : error.text(), c.reason) << c.path;
    if (c.opens) {
      EXPECT_EQ(error.systemError, 0);
    }
  }
}

}  // namespace
}  // namespace brelvano
