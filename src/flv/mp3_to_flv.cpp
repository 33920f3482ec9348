#include "flv/mp3_to_flv.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "analysis/mp3_frame_reader.h"
#include "base/atomic_output.h"
#include "base/conversion_abort.h"
#include "base/input_file.h"
#include "base/log.h"
#include "flv/amf_writer.h"
#include "flv/flv_metadata.h"
#include "flv/flv_tags.h"

namespace brelvano {

namespace {

// The output cannot be made: the system's reason goes to the caller, prefixed
// with the path as perror does; whatever was there before stays.
int32_t CannotCreate(const char* path, int error, std::string* failure) {
  if (failure) *failure = std::string(path) + ": " + std::strerror(error);
  return kStatusCannotCreate;
}

// The largest body of a streamable frame is 1041 bytes (320 kbit/s at
// 44100 Hz, 160 kbit/s at 11025 Hz, padded); room to spare.
constexpr int32_t kMaxFrameBody = 2048;
// Spectrum tags are written at most this often (milliseconds of audio).
constexpr double kSpectrumIntervalMs = 100.0;
// Progress goes out while the MP3 position lies in the first KiB of every 10 KiB.
constexpr int64_t kProgressStepKiB = 10;

double FrameMilliseconds(const Mp3Frame& frame) { return frame.samples * 1000.0 / frame.freq; }

}  // namespace

int32_t ConvertMp3ToFlv(const char* mp3Path, const char* flvPath, int32_t spectrumOn,
                        uint8_t stopFlags, int32_t maxSeconds, const _MP3prop& prop,
                        ProgressCallback progress, ProgressContext context) {
  return ConvertMp3ToFlv(mp3Path, flvPath, spectrumOn, stopFlags, maxSeconds, prop, progress,
                         context, FlvConversionHooks{});
}

int32_t ConvertMp3ToFlv(const char* mp3Path, const char* flvPath, int32_t spectrumOn,
                        uint8_t stopFlags, int32_t maxSeconds, const _MP3prop& prop,
                        ProgressCallback progress, ProgressContext context,
                        const FlvConversionHooks& hooks) {
  FlvSpectrumSource& spectrum = hooks.spectrum ? *hooks.spectrum : processSpectrumSource();
  FlvSpectrumMemory& memory = hooks.spectrumMemory ? *hooks.spectrumMemory : flvSpectrumMemory();

  InputOpenError openError;
  InputFile input = OpenRegularFileForReading(mp3Path, &openError);
  if (!input) {
    if (hooks.failure) *hooks.failure = std::string(mp3Path) + ": " + openError.text();
    return kStatusCannotOpen;
  }
  Mp3FrameReaderOptions readerOptions;
  readerOptions.firstFrameMustBeSupported = true;  // the first frame decides the stream's format
  Mp3FrameReader in(input.get(), readerOptions);
  const int64_t size = in.size();
  in.SeekTo(prop.skip);
  if (progress) progress(0, size, context);

  Mp3Frame frame;
  if (in.FindFrame(frame) != Mp3Search::kFound) return kStatusUnsupported;
  int32_t previousBitrate = frame.bitrate;
  const double firstFrameMs = FrameMilliseconds(frame);

  // Written under a temporary name and renamed into place when complete.
  AtomicOutput file(flvPath);
  if (!file.Open()) {
    if (hooks.failure) *hooks.failure = std::string(flvPath) + ": " + file.failureReason();
    return kStatusCannotCreate;
  }
  const int fd = fileno(file.file());  // written through the sink only
  std::unique_ptr<FlvSink> sink =
      hooks.makeSink ? hooks.makeSink(fd) : std::make_unique<FlvFdSink>(fd);
  FlvStream out(*sink);

  FlvWriteFileHeader(out);
  FlvMetadata metadata;
  metadata.created = hooks.now ? hooks.now() : std::time(nullptr);
  // The real length is patched in at the end; until then the limit or the
  // scanned length stands in.
  metadata.duration = maxSeconds > 0 ? maxSeconds : prop.duration;
  metadata.id3 = &prop.id3;
  metadata.stopFlags = stopFlags;
  FlvMetadataPatches patches;
  uint32_t metadataBytes = FlvWriteMetadataTag(out, metadata, patches);

  spectrum.Init(kSpectrumBands);
  FlvWriteSpectrumTag(out, memory, nullptr, 0);
  double runningMs = 0;
  double nextSpectrumMs = 0;
  uint64_t audioBytes = 0;
  int32_t status = kStatusOk;
  uint8_t body[kMaxFrameBody];

  for (;;) {
    if (conversionAbort().requested() || out.failed()) break;
    const int32_t bodyLength = frame.bodyLength < kMaxFrameBody ? frame.bodyLength : kMaxFrameBody;
    const int32_t got = in.ReadBody(body, bodyLength);
    // A body cut short by the end of the file is written at its declared length.
    if (got < bodyLength) std::memset(body + got, 0, static_cast<size_t>(bodyLength - got));
    FlvWriteAudioTag(out, runningMs, FlvAudioFlags(frame.freq, frame.stereo), frame.header, body,
                     bodyLength);
    runningMs += FrameMilliseconds(frame);
    audioBytes += static_cast<uint64_t>(bodyLength) + 4;
    const float* levels =
        spectrumOn ? spectrum.DecodeFrame(frame.header, body, bodyLength) : nullptr;

    Mp3Frame next;
    const Mp3Search found = in.FindFrame(next);
    if (found != Mp3Search::kFound) break;
    if (next.bitrate != previousBitrate) {
      LogPrintf("FLV: Bitrate change %d -> %d at Pos %f (ms)\n", previousBitrate, next.bitrate,
                runningMs);
    }
    previousBitrate = next.bitrate;

    if (levels && runningMs > nextSpectrumMs) {
      metadataBytes += static_cast<uint32_t>(FlvWriteSpectrumTag(out, memory, levels, runningMs));
      nextSpectrumMs += kSpectrumIntervalMs;
    }
    const bool limitReached = maxSeconds > 0 && runningMs / 1000.0 >= maxSeconds;
    if (limitReached) status = kStatusTruncated;
    if (progress && (in.position() / 1024) % kProgressStepKiB == 0)
      progress(in.position(), size, context);
    if (limitReached) break;
    frame = next;
  }

  // "duration" is the maximum length when one is given; without one, the
  // length of the frames written, which unlike the scanned whole seconds is
  // never 0 for a file under a second (one frame's length when cancelled
  // before the first), so the rate below never divides by zero.
  double durationSeconds = maxSeconds > 0 ? maxSeconds : runningMs / 1000.0;
  if (!(durationSeconds > 0)) durationSeconds = firstFrameMs / 1000.0;
  const uint64_t fileSize = out.Tell();
  FlvPatchNumber(out, patches.duration, durationSeconds);
  FlvPatchNumber(out, patches.lastTimestamp, runningMs / 1000.0);
  FlvPatchNumber(out, patches.audioDataRate,
                 static_cast<double>(audioBytes) * 8.0 / durationSeconds);
  FlvPatchNumber(out, patches.fileSize, static_cast<double>(fileSize));
  FlvPatchNumber(out, patches.audioSize, static_cast<double>(audioBytes));
  FlvPatchNumber(out, patches.dataSize, metadataBytes);
  out.Flush();
  // A cancelled file is cut short: it never replaces an earlier output and
  // never stays where a later run would take it for a finished one.
  if (conversionAbort().requested()) return kStatusAborted;  // the temporary file goes with file
  if (out.failed()) return CannotCreate(flvPath, out.error() ? out.error() : EIO, hooks.failure);
  if (!file.Commit()) return CannotCreate(flvPath, errno, hooks.failure);
  return status;
}

}  // namespace brelvano
