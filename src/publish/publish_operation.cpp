#include "publish/publish_operation.h"

#include <cstdio>

#include "analysis/mp3list.h"
#include "base/conversion_abort.h"
#include "publish/publish_files.h"

namespace brelvano {

std::string PublishSummary(int32_t published, const std::string& playerName) {
  char counts[160];
  std::snprintf(counts, sizeof counts,
                "Number of audio files: %d\n%sPlaylist generated\n%sHTML file generated\n",
                published >> kPublishedCountShift,
                (published & kPublishedPlaylistFailed) ? "No " : "",
                (published & kPublishedPage) ? "" : "No ");
  return std::string(counts) + playerName +
         ((published & kPublishedPlayerFailed) ? " player not copied." : " player copied.");
}

PublishOutcome PublishProject(Mp3List& tracks, ProjectRecord& project, const PlayersList& players,
                              bool force, ConversionObserver* observer, AlertSink* alerts) {
  PublishOutcome outcome;
  // Without a destination every output would go to the file system's root.
  if (project.destDir.empty()) {
    outcome.failure = kNoDestinationReason;
    return outcome;
  }
  conversionAbort().set(-1);  // the batch sets 0 when it starts
  outcome.converted = doConvert(tracks, project, force, observer);
  if (conversionAbort().get() != 0) {
    outcome.cancelled = true;
    return outcome;
  }
  outcome.published = PublishFiles(project, players, tracks, nullptr, alerts);
  outcome.summary = PublishSummary(outcome.published, project.player);
  return outcome;
}

}  // namespace brelvano
