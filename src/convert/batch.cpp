#include "convert/batch.h"

#include <sys/stat.h>

#include "analysis/mp3list.h"
#include "convert/output_path.h"

namespace brelvano {

namespace {

void ForwardProgress(int64_t position, int64_t total, ProgressContext context) {
  static_cast<ConversionObserver*>(context)->fileProgress(position, total);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
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
  int32_t converted = 0;
  for (int32_t i = 0; i < count && !abort.requested(); ++i) {
    _mp3entry& entry = *list.getElement(i);
    const std::string outPath = MakeOutputPath(project, entry);
    if (!force && PathExists(outPath)) {
      if (observer) observer->trackFinished(i, entry, outPath, true);
      continue;
    }
    if (observer) observer->trackStarted(i, entry, outPath);
    std::string failure;
    entry.status = ConvertTrack(entry.filename, outPath, project.fps, spectrumOn, 0, maxSeconds,
                                entry.prop, observer ? ForwardProgress : nullptr, observer, &failure);
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
