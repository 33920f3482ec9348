#include "analysis/mp3_scan.h"

#include <cstdio>

#include "analysis/frame_header.h"
#include "analysis/id3_tags.h"
#include "analysis/mp3_frame_reader.h"

namespace brelvano {
namespace {

// Duration in whole seconds of `bytes` at `bitrate` kbit/s (125 bytes per
// kbit); the bytes count from the start of the file, so a leading tag counts.
int32_t DurationSeconds(int64_t bytes, int32_t bitrate) {
  return static_cast<int32_t>(bytes / 125 / bitrate);
}

}  // namespace

int32_t ScanMp3File(const char* path, _MP3prop& prop, Mp3ScanDetails* details) {
  Mp3ScanDetails local;
  Mp3ScanDetails& seen = details ? *details : local;
  seen = Mp3ScanDetails{};
  prop.bitrate = prop.vbr = prop.freq = prop.stereo = prop.duration = 0;
  InputFile file = OpenRegularFileForReading(path, &seen.openError);
  if (!file) return kScanCannotOpen;

  _Id3 fileTag;
  ReadId3Tags(file.get(), fileTag);
  if (prop.id3.valid == 0) prop.id3 = fileTag;
  const int64_t audioStart = ftello(file.get());
  prop.skip = static_cast<int32_t>(audioStart < 0 ? 0 : audioStart);

  // Unsupported frames are skipped and counted by the reader.
  Mp3FrameReader in(file.get());
  in.SeekTo(prop.skip);
  int64_t bitrateSum = 0;
  Mp3Frame frame;
  while (in.FindFrame(frame) == Mp3Search::kFound) {
    if (prop.bitrate != 0 && prop.bitrate != frame.bitrate) prop.vbr = 1;
    prop.bitrate = frame.bitrate;
    prop.stereo = frame.stereo;
    if (prop.freq == 0) prop.skip = static_cast<int32_t>(frame.offset);
    prop.freq = frame.freq;
    in.Skip(frame.bodyLength);
    bitrateSum += frame.bitrate;
    ++seen.supportedFrames;
  }
  seen.unsupportedFrames = in.unsupportedFrames();
  seen.endOfAudio = in.endOfAudio();
  file.reset();

  if (seen.unsupportedFrames <= seen.supportedFrames) {
    if (prop.freq == 0) return kScanNoFrames;
    prop.bitrate = static_cast<int32_t>(bitrateSum / seen.supportedFrames);
    prop.duration = DurationSeconds(seen.endOfAudio, prop.bitrate);
    return kScanOk;
  }
  // Mostly frames we cannot stream: the numbers of the last header decoded.
  const Mp3Frame& last = in.lastDecoded();
  prop.bitrate = last.bitrate;
  prop.stereo = last.stereo;
  prop.freq = last.freq;
  prop.duration = DurationSeconds(seen.endOfAudio, prop.bitrate);
  return kScanUnsupported;
}

}  // namespace brelvano
