#include "convert/batch.h"

#include <sys/stat.h>

#include <set>
#include <utility>

#include "analysis/mp3list.h"
#include "base/atomic_output.h"
#include "convert/output_path.h"

namespace brelvano {

namespace {

void ForwardProgress(int64_t position, int64_t total, ProgressContext context) {
  static_cast<ConversionObserver*>(context)->fileProgress(position, total);
}

// Something is at the path that a run before made: a regular file (links
// followed). A folder or FIFO there is no output; converting reports why.
bool OutputExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

int32_t doConvert(Mp3List& list, const ProjectRecord& project, bool force,
                  ConversionObserver* observer) {
  ConversionAbort& abort = conversionAbort();
  abort.set(0);
  const int32_t count = list.count();
  if (observer) observer->batchStarted(count);
  const bool spectrumOn = (project.publishFlags & kPublishSpectrum) != 0;
  const int32_t maxSeconds = (project.publishFlags & kPublishTruncate) ? project.maxTime : 0;
  // Leftovers of runs that were killed part-way; never those of a live run.
  RemoveStaleTemporaryFiles(project.destDir);
  const std::vector<std::string> outPaths = MakeOutputPaths(project, list);
  std::set<std::pair<dev_t, ino_t>> inputs;  // every input file, found once
  for (int32_t i = 0; i < count; ++i) {
    struct stat st;
    if (stat(list.getElement(i)->filename.c_str(), &st) == 0) inputs.emplace(st.st_dev, st.st_ino);
  }
  int32_t converted = 0;
  for (int32_t i = 0; i < count && !abort.requested(); ++i) {
    _mp3entry& entry = *list.getElement(i);
    const std::string& outPath = outPaths[static_cast<size_t>(i)];
    // An output name that is one of the inputs (an MP3 file named like a
    // movie) is never written over, nor taken for a finished output.
    struct stat out;
    if (stat(outPath.c_str(), &out) == 0 && inputs.count({out.st_dev, out.st_ino}) != 0) {
      if (observer) observer->trackStarted(i, entry, outPath);
      entry.status = kStatusCannotCreate;
      ++converted;
      if (observer) observer->trackFailed(i, entry, outPath + ": " + kIsInputReason);
      if (observer) observer->trackFinished(i, entry, outPath, false);
      continue;
    }
    if (!force && OutputExists(outPath)) {
      if (observer) observer->trackFinished(i, entry, outPath, true);
      continue;
    }
    if (observer) observer->trackStarted(i, entry, outPath);
    std::string failure;
    entry.status =
        ConvertTrack(entry.filename, outPath, project.fps, spectrumOn, 0, maxSeconds, entry.prop,
                     observer ? ForwardProgress : nullptr, observer, &failure);
    ++converted;
    if (observer && !failure.empty()) observer->trackFailed(i, entry, failure);
    if (observer) observer->trackFinished(i, entry, outPath, false);
  }
  return converted;
}

bool convertCancel() {
  ConversionAbort& abort = conversionAbort();
  if (abort.get() == 0) {
    abort.set(1);
    return false;
  }
  return abort.get() == -1;
}

}  // namespace brelvano
