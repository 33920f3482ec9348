#include "analysis/mp3_scan.h"

#include <cstdio>
#include <memory>

#include "analysis/byte_reader.h"
#include "analysis/frame_header.h"
#include "analysis/id3_tags.h"

namespace brelvano {
namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// Duration in whole seconds of `fileSize` bytes at `bitrate` kbit/s (125 bytes
// per kbit); the size includes the tags.
int32_t DurationSeconds(int64_t fileSize, int32_t bitrate) {
  return static_cast<int32_t>(fileSize / 125 / bitrate);
}

}  // namespace

int32_t ScanMp3File(const char* path, _MP3prop& prop) {
  prop.bitrate = prop.vbr = prop.freq = prop.stereo = prop.duration = 0;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return kScanCannotOpen;
  std::fseek(file.get(), 0, SEEK_END);
  int64_t fileSize = std::ftell(file.get());
  if (fileSize < 0) fileSize = 0;

  _Id3 fileTag;
  ReadId3Tags(file.get(), fileTag);
  if (prop.id3.valid == 0) prop.id3 = fileTag;
  prop.skip = static_cast<int32_t>(std::ftell(file.get()));

  // The decoder's outputs persist across calls: after the walk they hold
  // what the last header decoded left in them.
  int32_t stereo = 0, freq = 0, bitrate = 0, bodyLength = 0;
  int64_t bitrateSum = 0;
  int32_t supported = 0, unsupported = 0;
  uint32_t window = 0;
  ByteReader in(file.get());
  for (int byte = in.next(); byte >= 0; byte = in.next()) {
    window = window << 8 | static_cast<uint32_t>(byte);
    const int32_t samples = DecodeFrameHeader(window, stereo, freq, bitrate, bodyLength);
    if (samples == kFrameUnsupported) {
      in.skip(bodyLength);
      ++unsupported;
    } else if (samples > 0) {
      if (prop.bitrate != 0 && prop.bitrate != bitrate) prop.vbr = 1;
      prop.bitrate = bitrate;
      prop.stereo = stereo;
      if (prop.freq == 0) prop.skip = static_cast<int32_t>(in.position() - 4);
      prop.freq = freq;
      in.skip(bodyLength);
      bitrateSum += bitrate;
      ++supported;
    }
    // Not a header: the next byte slides the window on.
  }
  file.reset();

  if (unsupported <= supported) {
    if (prop.freq == 0) return kScanNoFrames;
    prop.bitrate = static_cast<int32_t>(bitrateSum / supported);
    prop.duration = DurationSeconds(fileSize, prop.bitrate);
    return kScanOk;
  }
  prop.bitrate = bitrate;
  prop.stereo = stereo;
  prop.freq = freq;
  prop.duration = DurationSeconds(fileSize, prop.bitrate);
  return kScanUnsupported;
}

}  // namespace brelvano
