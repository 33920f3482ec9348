#include "swf/mp3_to_swf.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>

#include "analysis/mp3_frame_reader.h"
#include "base/conversion_abort.h"
#include "base/input_file.h"
#include "base/log.h"
#include "swf/swf_tags.h"

namespace brelvano {

namespace {

constexpr int32_t kPayloadBytes = 8192;  // larger than any supported frame body

// The path to open: a path whose last "." does not begin ".mp3" gets ".mp3"
// appended, unless it names an existing file as it is. Only looked up, never
// opened, so that a FIFO there is not waited on.
std::string InputPath(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot != std::string::npos && strcasecmp(path.c_str() + dot, ".mp3") == 0) return path;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return path;
  return path + ".mp3";
}

// Movie frames for at most `maxSeconds` at `R` frames per second, held at
// kMaxTruncatedFrames; computed wide, since a project may ask for any length.
int32_t FrameLimit(int32_t maxSeconds, int32_t R) {
  const int64_t frames = int64_t{maxSeconds} * R;
  return frames > kMaxTruncatedFrames ? kMaxTruncatedFrames : static_cast<int32_t>(frames);
}

// The movie's frame rate: the project's, unless the track lasts too long for
// the 16-bit frame count at that rate (a runtime loops such a movie back to
// its start part-way through). Then the highest whole rate at which every
// frame fits, with two seconds to spare for the rounding of the duration and
// the frames that let the timeline catch up with the audio. durationSeconds
// 0 (not known) keeps the project's rate.
int32_t MovieFrameRate(int32_t requested, int64_t durationSeconds) {
  if (durationSeconds <= 0) return requested;
  const int64_t fitting = int64_t{kSwfMaxFrameCount} / (durationSeconds + 2);
  if (fitting >= requested) return requested;
  return static_cast<int32_t>(fitting > 1 ? fitting : 1);
}

}  // namespace

int32_t ConvertMp3ToSwf(const SwfConversion& conv, const _MP3prop& prop, SwfMovie& out) {
  return ConvertMp3ToSwf(conv, prop, out, SwfConversionHooks{});
}

int32_t ConvertMp3ToSwf(const SwfConversion& conv, const _MP3prop& prop, SwfMovie& out,
                        const SwfConversionHooks& hooks) {
  SpectrumSource& spectrum = hooks.spectrum ? *hooks.spectrum : processSpectrumSource();
  SwfSpectrumMemory& spectrumMemory =
      hooks.spectrumMemory ? *hooks.spectrumMemory : swfSpectrumMemory();
  const std::string path = InputPath(conv.mp3Path);
  InputOpenError openError;
  InputFile input = OpenRegularFileForReading(path.c_str(), &openError);
  if (!input) {
    if (hooks.failure) *hooks.failure = path + ": " + openError.text();
    LogPrintf("Can't open file %s", path.c_str());
    return kStatusCannotOpen;
  }
  // The first frame decides the stream's format; a header of a kind we
  // cannot stream there rejects the whole file. Later ones are skipped.
  Mp3FrameReaderOptions readerOptions;
  readerOptions.firstFrameMustBeSupported = true;
  Mp3FrameReader in(input.get(), readerOptions);
  const int64_t inputSize = in.size();
  in.SeekTo(prop.skip);
  if (conv.progress) conv.progress(0, inputSize, conv.context);

  Mp3Frame frame;
  if (in.FindFrame(frame) != Mp3Search::kFound) {
    LogPrintf("Unsupported format\n");
    return kStatusUnsupported;
  }
  int32_t lastBitrate = frame.bitrate;
  // Truncated movies stay far below the frame-count limit.
  const int32_t R = conv.maxSeconds > 0 ? conv.frameRate
                                        : MovieFrameRate(conv.frameRate, prop.duration);

  int32_t maxFrames = 0;
  long durationSeconds = prop.duration;
  if (conv.maxSeconds > 0) {
    maxFrames = FrameLimit(conv.maxSeconds, R);
    durationSeconds = maxFrames == kMaxTruncatedFrames ? kMaxTruncatedFrames / R : conv.maxSeconds;
  }

  SwfBuffer& movie = out.buffer();
  SwfWriteHeader(movie, R);
  SwfWriteTrackInfo(movie, prop, durationSeconds);
  if (conv.stopFlags & kStopAtStart) SwfWriteStop(movie);
  SwfWriteSoundStreamHead2(movie, R, frame.stereo, frame.freq, conv.latencySeek);

  // T: audio samples per movie frame, rounded up. carry: samples already
  // streamed beyond the start of the current movie frame.
  const int32_t T = (frame.freq + R - 1) / R;
  spectrum.Init(32);
  SwfWriteSpectrum(movie, spectrumMemory, nullptr);
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
        const int32_t got = in.ReadBody(payload, frame.bodyLength);
        // A frame cut short by the end of the file still goes in at full length.
        if (got < frame.bodyLength)
          std::memset(payload + got, 0, static_cast<size_t>(frame.bodyLength - got));
        block.PutBytes(payload, frame.bodyLength);
        if (conv.spectrumOn) levels = spectrum.DecodeFrame(frame.header, payload, frame.bodyLength);

        // The next frame; frames of kinds we cannot stream are skipped.
        Mp3Frame next;
        if (in.FindFrame(next) != Mp3Search::kFound) {
          end = true;
          break;
        }
        if (next.bitrate != lastBitrate)
          LogPrintf("Bitrate change %d -> %d at Frame %d\n", lastBitrate, next.bitrate,
                    static_cast<int>(f));
        lastBitrate = next.bitrate;
        frame = next;
      }
    }
    movie.PutTagHeader(kSwfTagSoundStreamBlock, static_cast<int32_t>(block.GetPosition()), true);
    movie.Append(block);
    if (conv.spectrumOn && levels) SwfWriteSpectrum(movie, spectrumMemory, levels);
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
    if (conv.progress && f % 10 == 0) conv.progress(in.position(), inputSize, conv.context);
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
