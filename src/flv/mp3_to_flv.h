// One MP3 track turned into an FLV file: the frames unchanged as audio tags,
// an "onMetaData" tag first and, optionally, spectrum tags in between.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "analysis/mp3entry.h"
#include "base/progress.h"
#include "flv/flv_spectrum.h"
#include "flv/flv_stream.h"
#include "spectrum/spectrum_source.h"

namespace brelvano {

// The spectrum analysis a conversion feeds its frames to.
using FlvSpectrumSource = SpectrumSource;

// What a conversion uses besides its arguments; every null member means the
// process-wide or real one.
struct FlvConversionHooks {
  FlvSpectrumSource* spectrum = nullptr;
  FlvSpectrumMemory* spectrumMemory = nullptr;
  // The sink over the descriptor of the file being written (FlvFdSink).
  std::function<std::unique_ptr<FlvSink>(int fd)> makeSink;
  std::time_t (*now)() = nullptr;
  // Receives "<path>: <system error text>" when the file cannot be created.
  std::string* failure = nullptr;
};

// Converts mp3Path from prop.skip on into flvPath, created or replaced only
// when complete. spectrumOn non-zero adds spectrum tags; stopFlags bits
// kFlvStopAtBeginning and kFlvStopAtEnd; maxSeconds > 0 stops once the audio
// reaches that length. Returns the track status: kStatusOk, kStatusTruncated,
// kStatusAborted (conversionAbort set; nothing is kept, an earlier file stays),
// kStatusCannotCreate (the reason in hooks.failure, no file changed),
// kStatusCannotOpen (also for anything but a regular file; the reason in
// hooks.failure) or kStatusUnsupported (no file created).
int32_t ConvertMp3ToFlv(const char* mp3Path, const char* flvPath, int32_t spectrumOn,
                        uint8_t stopFlags, int32_t maxSeconds, const _MP3prop& prop,
                        ProgressCallback progress, ProgressContext context);
int32_t ConvertMp3ToFlv(const char* mp3Path, const char* flvPath, int32_t spectrumOn,
                        uint8_t stopFlags, int32_t maxSeconds, const _MP3prop& prop,
                        ProgressCallback progress, ProgressContext context,
                        const FlvConversionHooks& hooks);

}  // namespace brelvano
