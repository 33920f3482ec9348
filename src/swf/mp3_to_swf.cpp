#include "swf/mp3_to_swf.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "analysis/frame_header.h"
#include "base/conversion_abort.h"
#include "base/log.h"
#include "spectrum/spectrum_decoder.h"
#include "swf/swf_spectrum.h"
#include "swf/swf_tags.h"

namespace brelvano {

namespace {

constexpr size_t kReadBufferBytes = 1 << 16;
constexpr int32_t kPayloadBytes = 8192;  // larger than any supported frame body

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// The path to open: a path whose last "." does not begin ".mp3" gets ".mp3"
// appended, unless it names an existing file as it is.
std::string InputPath(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot != std::string::npos && strcasecmp(path.c_str() + dot, ".mp3") == 0) return path;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
    return path;
  }
  return path + ".mp3";
}

// The decoded header of the frame about to be copied.
struct Frame {
  uint32_t header = 0;
  int32_t samples = 0;  // per frame: 1152 or 576
  int32_t stereo = 0, freq = 0, bitrate = 0, bodyLength = 0;
};

// Reads the next byte into the header window; 0xFF once the file has ended.
inline uint32_t NextByte(FILE* in) {
  const int c = getc_unlocked(in);
  return c == EOF ? 0xFF : static_cast<uint32_t>(c);
}

}  // namespace

int32_t ConvertMp3ToSwf(const SwfConversion& conv, const _MP3prop& prop, SwfMovie& out) {
  const std::string path = InputPath(conv.mp3Path);
  File input(std::fopen(path.c_str(), "rb"));
  if (!input) {
    LogPrintf("Can't open file %s", path.c_str());
    return kStatusCannotOpen;
  }
  FILE* in = input.get();
  std::setvbuf(in, nullptr, _IOFBF, kReadBufferBytes);
  std::fseek(in, 0, SEEK_END);
  const int64_t inputSize = std::ftell(in);
  std::fseek(in, prop.skip, SEEK_SET);
  if (conv.progress) conv.progress(0, inputSize, conv.context);

  // The first frame decides the stream's format; a header of a kind we
  // cannot stream there rejects the whole file.
  Frame frame;
  for (;;) {
    const int c = getc_unlocked(in);
    if (c == EOF) {
      LogPrintf("Unsupported format\n");
      return kStatusUnsupported;
    }
    frame.header = (frame.header << 8) | static_cast<uint32_t>(c);
    const int32_t r = DecodeFrameHeader(frame.header, frame.stereo, frame.freq, frame.bitrate,
                                        frame.bodyLength);
    if (r > 0) {
      frame.samples = r;
      break;
    }
    if (r == kFrameUnsupported) {
      LogPrintf("Unsupported format\n");
      return kStatusUnsupported;
    }
  }
  int32_t lastBitrate = frame.bitrate;
  const int32_t R = conv.frameRate;

  int32_t maxFrames = 0;
  long durationSeconds = prop.duration;
  if (conv.maxSeconds > 0) {
    maxFrames = conv.maxSeconds * R;
    durationSeconds = conv.maxSeconds;
    if (maxFrames > kMaxTruncatedFrames) {
      maxFrames = kMaxTruncatedFrames;
      durationSeconds = kMaxTruncatedFrames / R;
    }
  }

  SwfBuffer& movie = out.buffer();
  SwfWriteHeader(movie, R);
  SwfWriteTrackInfo(movie, prop, durationSeconds);
  if (conv.stopFlags & kStopAtStart) SwfWriteStop(movie);
  SwfWriteSoundStreamHead2(movie, R, frame.stereo, frame.freq, conv.latencySeek);

  // T: audio samples per movie frame, rounded up. carry: samples already
  // streamed beyond the start of the current movie frame.
  const int32_t T = (frame.freq + R - 1) / R;
  SpectrumDecoderInit(32);
  SwfWriteSpectrum(movie, nullptr);
  int32_t carry = 0;
  uint32_t f = 0;
  int32_t status = kStatusOk;
  bool end = false;
  SwfBuffer block;
  uint8_t payload[kPayloadBytes];

  while (!end) {
    int32_t n = (T - carry + frame.samples) / frame.samples;
    if (f == 0 && n < 2) n = 2;  // the first movie frame carries at least two MP3 frames
    if (conversionAbort().requested()) break;
    block.Clear();
    const float* levels = nullptr;
    if (n < 1) {
      // Audio is far enough ahead: an empty block while the timeline catches up.
      carry -= T;
      SwfWriteSoundBlockHeader(block, 0, 0);
    } else {
      SwfWriteSoundBlockHeader(block, static_cast<uint32_t>(n * frame.samples),
                               static_cast<uint32_t>(carry));
      carry += n * frame.samples - T;
      for (int32_t i = 0; i < n; ++i) {
        // The header bytes, most significant first, then the body.
        block.PutByte(static_cast<uint8_t>(frame.header >> 24));
        block.PutByte(static_cast<uint8_t>(frame.header >> 16));
        block.PutByte(static_cast<uint8_t>(frame.header >> 8));
        block.PutByte(static_cast<uint8_t>(frame.header));
        const size_t got = std::fread(payload, 1, static_cast<size_t>(frame.bodyLength), in);
        // A frame cut short by the end of the file still goes in at full length.
        if (got < static_cast<size_t>(frame.bodyLength))
          std::memset(payload + got, 0, static_cast<size_t>(frame.bodyLength) - got);
        block.PutBytes(payload, frame.bodyLength);
        if (conv.spectrumOn) levels = SpectrumDecodeFrame(frame.header, payload, frame.bodyLength);

        // Find the next frame, skipping frames of kinds we cannot stream.
        uint32_t h = 0;
        for (;;) {
          h = (h << 8) | NextByte(in);
          int32_t stereo, freq, bitrate, bodyLength;
          const int32_t r = DecodeFrameHeader(h, stereo, freq, bitrate, bodyLength);
          if (r > 0) {
            if (bitrate != lastBitrate)
              LogPrintf("Bitrate change %d -> %d at Frame %d\n", lastBitrate, bitrate,
                        static_cast<int>(f));
            lastBitrate = bitrate;
            frame = Frame{h, r, stereo, freq, bitrate, bodyLength};
            break;
          }
          if (r == kFrameUnsupported) std::fseek(in, bodyLength, SEEK_CUR);
          if (std::feof(in)) break;
        }
        if (std::feof(in)) {
          end = true;
          break;
        }
      }
    }
    movie.PutTagHeader(kSwfTagSoundStreamBlock, static_cast<int32_t>(block.GetPosition()), true);
    movie.Append(block);
    if (conv.spectrumOn && levels) SwfWriteSpectrum(movie, levels);
    if (maxFrames != 0 && f + 2 >= static_cast<uint32_t>(maxFrames)) {
      status = kStatusTruncated;
      end = true;
      if (conv.stopFlags & kStopAtEnd) SwfWriteStop(movie);
    } else if (end && (conv.stopFlags & kStopAtEnd)) {
      SwfWriteStop(movie);
    }
    SwfWriteShowFrame(movie);
    ++f;
    out.Drain();
    if (conv.progress && f % 10 == 0) conv.progress(std::ftell(in), inputSize, conv.context);
  }

  // Let the timeline reach the end of the audio already streamed.
  while (carry > 0) {
    SwfWriteShowFrame(movie);
    ++f;
    carry -= T;
  }
  out.Finish(f);
  if (conversionAbort().requested()) status = kStatusAborted;
  LogPrintf("\tFrame rate = %ld,  Number of frames = %ld%s\n", static_cast<long>(R),
            static_cast<long>(f), conv.spectrumOn ? " (with frequency spectrum)" : "");
  return status;
}

std::unique_ptr<SwfBuffer> ConvertMp3ToSwf(const SwfConversion& conversion, const _MP3prop& prop,
                                           int32_t& status) {
  SwfMovie movie;
  status = ConvertMp3ToSwf(conversion, prop, movie);
  if (status == kStatusCannotOpen || status == kStatusUnsupported) return nullptr;
  return std::make_unique<SwfBuffer>(std::move(movie.buffer()));
}

}  // namespace brelvano
