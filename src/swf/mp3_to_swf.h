// One MP3 file into a streaming SWF 6 movie: the MP3 frames copied unchanged
// into SoundStreamBlock tags, spread over movie frames at the frame rate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "analysis/mp3entry.h"
#include "base/progress.h"
#include "spectrum/spectrum_source.h"
#include "swf/swf_buffer.h"
#include "swf/swf_movie.h"
#include "swf/swf_spectrum.h"

namespace brelvano {

// stopFlags bits.
enum : uint32_t { kStopAtStart = 1, kStopAtEnd = 2 };

// LatencySeek value the driver always writes into SoundStreamHead2.
inline constexpr uint32_t kDefaultLatencySeek = 1633;

// Longest movie a maximum length may ask for, in movie frames.
inline constexpr int32_t kMaxTruncatedFrames = 16000;

struct SwfConversion {
  std::string mp3Path;
  int32_t frameRate = 10;   // movie frames per second, 1..200
  bool spectrumOn = false;  // add the spectrum variables to each frame
  uint32_t stopFlags = 0;
  int32_t maxSeconds = 0;  // 0 (or less): the whole file; any positive value is safe
  uint32_t latencySeek = kDefaultLatencySeek;
  ProgressCallback progress = nullptr;
  ProgressContext context = nullptr;
};

// What a conversion uses besides its arguments; every null member means the
// process-wide one.
struct SwfConversionHooks {
  SpectrumSource* spectrum = nullptr;
  SwfSpectrumMemory* spectrumMemory = nullptr;
  // Receives "<path>: <reason>" when the MP3 file cannot be opened.
  std::string* failure = nullptr;
};

// Writes the movie into `movie`. Returns the track status: Ok, Truncated,
// Aborted (conversionAbort() was raised), or Cannot open (also for anything
// but a regular file; the reason in hooks.failure) / Unsupported, in which
// case nothing was written.
// Reads prop.skip, prop.duration and the tag texts.
int32_t ConvertMp3ToSwf(const SwfConversion& conversion, const _MP3prop& prop, SwfMovie& movie);
int32_t ConvertMp3ToSwf(const SwfConversion& conversion, const _MP3prop& prop, SwfMovie& movie,
                        const SwfConversionHooks& hooks);

// The same, returning the whole movie in memory (null for Cannot open and
// Unsupported) with the status in `status`.
std::unique_ptr<SwfBuffer> ConvertMp3ToSwf(const SwfConversion& conversion, const _MP3prop& prop,
                                           int32_t& status);

}  // namespace brelvano
