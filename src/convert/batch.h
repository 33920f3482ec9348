// The conversion batch over a track list, without any user interface: what
// the CLI and the desktop window's progress panel both drive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/mp3entry.h"
#include "base/conversion_abort.h"
#include "base/progress.h"
#include "convert/project_record.h"

namespace brelvano {

class Mp3List;

// Told what the batch is doing; every method has an empty default.
class ConversionObserver {
 public:
  virtual ~ConversionObserver() = default;
  virtual void batchStarted(int32_t /*trackCount*/) {}
  // A track is about to be converted (not called for skipped tracks).
  virtual void trackStarted(int32_t /*index*/, const _mp3entry& /*entry*/,
                            const std::string& /*outPath*/) {}
  // Byte offsets into the MP3 file of the track in work; position 0 starts it.
  virtual void fileProgress(int64_t /*position*/, int64_t /*total*/) {}
  // The track could not be written: reason is "<path>: <system error text>".
  // Called just before trackFinished.
  virtual void trackFailed(int32_t /*index*/, const _mp3entry& /*entry*/,
                           const std::string& /*reason*/) {}
  // The track's status is final; skipped when its output existed and
  // conversion was not forced.
  virtual void trackFinished(int32_t /*index*/, const _mp3entry& /*entry*/,
                             const std::string& /*outPath*/, bool /*skipped*/) {}
};

// Converts one track into outPath by the output's extension ("swf" or "flv",
// any case). fps outside 1..200 is taken as 10. Returns the new status; when
// the output cannot be created, *failure (if given) says why ("<outPath>:
// <reason>"); an outPath that is the MP3 file itself is never written
// ("Cannot create"). Stops early, "Aborted", when conversionAbort() is
// raised; never clears it. A cancelled output is thrown away: an earlier
// file at outPath stays as it was, and none is left when there was none.
int32_t ConvertTrack(const std::string& mp3Path, const std::string& outPath, int32_t fps,
                     bool spectrumOn, uint32_t stopFlags, int32_t maxSeconds, const _MP3prop& prop,
                     ProgressCallback progress, ProgressContext context,
                     std::string* failure = nullptr);

// The reason a track's output is refused when it is one of the inputs.
inline constexpr const char* kIsInputReason = "is an input file; it is not written over";

// The first of candidates that is the same file (device and inode, links
// followed) as path; empty when none is, or path does not exist.
std::string SameFileAs(const std::string& path, const std::vector<std::string>& candidates);

// Converts every track of the list in order with the project's settings,
// skipping tracks whose output exists unless force is set. A cancel
// (conversionAbort() raised) at any moment, also between two tracks, stops
// the batch after the track in work; the flag is cleared (set to 0) only
// here, when a batch starts. Returns the number of tracks converted (the
// aborted one included).
int32_t doConvert(Mp3List& list, const ProjectRecord& project, bool force,
                  ConversionObserver* observer);

// What a Cancel does: while a conversion runs it asks it to stop and returns
// false; while the progress display is up and idle it returns true (close it).
bool convertCancel();

}  // namespace brelvano
