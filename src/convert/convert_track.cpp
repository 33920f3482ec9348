#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/atomic_output.h"
#include "base/conversion_abort.h"
#include "base/log.h"
#include "convert/batch.h"
#include "flv/mp3_to_flv.h"
#include "swf/mp3_to_swf.h"

namespace brelvano {

std::string SameFileAs(const std::string& path, const std::vector<std::string>& candidates) {
  struct stat target;
  if (stat(path.c_str(), &target) != 0) return {};
  for (const std::string& candidate : candidates) {
    struct stat other;
    if (stat(candidate.c_str(), &other) == 0 && other.st_dev == target.st_dev &&
        other.st_ino == target.st_ino)
      return candidate;
  }
  return {};
}

namespace {

int32_t CannotCreate(const std::string& outPath, const std::string& reason, std::string* failure) {
  if (failure) *failure = outPath + ": " + reason;
  LogPrintf("\tCan't create file: %s\n", outPath.c_str());
  return kStatusCannotCreate;
}

int32_t ConvertToSwf(const SwfConversion& conv, const std::string& outPath, const _MP3prop& prop,
                     std::string* failure) {
  SwfConversionHooks hooks;
  hooks.failure = failure;  // why the MP3 file cannot be opened
  AtomicOutput output(outPath);
  FILE* file = output.Open();
  if (!file) {
    const std::string& reason = output.failureReason();
    // An input that cannot be read or streamed keeps that status: find out
    // by converting into a movie that is thrown away as it is written.
    FILE* sink = std::fopen("/dev/null", "wb");
    SwfMovie discarded(sink);
    const int32_t status =
        sink ? ConvertMp3ToSwf(conv, prop, discarded, hooks) : kStatusCannotCreate;
    if (sink) std::fclose(sink);
    if (status == kStatusCannotOpen || status == kStatusUnsupported) return status;
    return CannotCreate(outPath, reason, failure);
  }
  SwfMovie movie(file);
  const int32_t status = ConvertMp3ToSwf(conv, prop, movie, hooks);
  if (status == kStatusCannotOpen || status == kStatusUnsupported) return status;  // nothing kept
  // A cancelled movie is cut short: it never replaces an earlier output and
  // never stays where a later run would take it for a finished one.
  if (status == kStatusAborted) return status;  // the temporary file goes with output
  if (movie.failed()) return CannotCreate(outPath, std::strerror(errno ? errno : EIO), failure);
  if (!output.Commit()) return CannotCreate(outPath, output.failureReason(), failure);
  LogPrintf("\tWrote file: %s\n", outPath.c_str());
  return status;
}

}  // namespace

int32_t ConvertTrack(const std::string& mp3Path, const std::string& outPath, int32_t fps,
                     bool spectrumOn, uint32_t stopFlags, int32_t maxSeconds, const _MP3prop& prop,
                     ProgressCallback progress, ProgressContext context, std::string* failure) {
  if (const std::string input = SameFileAs(outPath, {mp3Path}); !input.empty())
    return CannotCreate(outPath, kIsInputReason, failure);
  const int32_t frameRate = (fps >= 1 && fps <= 200) ? fps : 10;
  const size_t dot = outPath.rfind('.');
  const char* extension = dot == std::string::npos ? "" : outPath.c_str() + dot + 1;
  if (strcasecmp(extension, "swf") == 0) {
    SwfConversion conv;
    conv.mp3Path = mp3Path;
    conv.frameRate = frameRate;
    conv.spectrumOn = spectrumOn;
    conv.stopFlags = stopFlags;
    conv.maxSeconds = maxSeconds;
    conv.latencySeek = kDefaultLatencySeek;
    conv.progress = progress;
    conv.context = context;
    return ConvertToSwf(conv, outPath, prop, failure);
  }
  if (strcasecmp(extension, "flv") == 0) {
    // FLV files have no frame rate; the FLV writer makes its file itself.
    FlvConversionHooks hooks;
    hooks.failure = failure;
    return ConvertMp3ToFlv(mp3Path.c_str(), outPath.c_str(), spectrumOn ? 1 : 0,
                           static_cast<uint8_t>(stopFlags), maxSeconds, prop, progress, context,
                           hooks);
  }
  // No writer for this extension: nothing was made, which is no success.
  if (failure) *failure = outPath + ": no writer for this file type";
  return kStatusCannotCreate;
}

}  // namespace brelvano
