// The publish command without a user interface: convert the project's
// tracks, then (unless cancelled) publish the folder and sum up what was made.
#pragma once

#include <cstdint>
#include <string>

#include "convert/batch.h"
#include "base/alerts.h"
#include "publish/players.h"
#include "convert/project_record.h"

namespace brelvano {

class Mp3List;

struct PublishOutcome {
  int32_t converted = 0;      // tracks the batch converted (the aborted one included)
  bool cancelled = false;     // conversionAbort() was raised: nothing was published
  int32_t published = 0;      // PublishFiles result bits; 0 when cancelled
  std::string summary;        // the "Completed" text; empty when cancelled
};

// The summary of a PublishFiles result:
// "Number of audio files: N\nPlaylist generated\n[No ]HTML file generated\nP player copied."
std::string PublishSummary(int32_t published, const std::string& playerName);

// Runs the batch over the list with the project's settings (force converts
// tracks whose output exists), then PublishFiles on the whole list. The
// observer sees the conversion, alerts the publishing problems.
PublishOutcome PublishProject(Mp3List& tracks, ProjectRecord& project, const PlayersList& players,
                              bool force, ConversionObserver* observer, AlertSink* alerts);

}  // namespace brelvano
