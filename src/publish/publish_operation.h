// The publish command without a user interface: convert the project's
// tracks, then (unless cancelled) publish the folder and sum up what was made.
#pragma once

#include <cstdint>
#include <string>

#include "base/alerts.h"
#include "convert/batch.h"
#include "convert/project_record.h"
#include "publish/players.h"

namespace brelvano {

class Mp3List;

struct PublishOutcome {
  int32_t converted = 0;   // tracks the batch converted (the aborted one included)
  bool cancelled = false;  // conversionAbort() was raised: nothing was published
  int32_t published = 0;   // PublishFiles result bits; 0 when cancelled
  std::string summary;     // the "Completed" text; empty when cancelled or failed
  // Why nothing was done at all (no track converted, nothing written);
  // empty otherwise.
  std::string failure;
};

inline constexpr const char* kNoDestinationReason =
    "The project has no destination folder; nothing was converted or published.";

// The summary of a PublishFiles result, each line saying what happened:
// "Number of audio files: N\n[No ]Playlist generated\n[No ]HTML file generated\n"
// "P player copied." or "P player not copied.".
std::string PublishSummary(int32_t published, const std::string& playerName);

// A project without a destination folder (destDir empty) is refused before
// anything is converted or written: outcome.failure says so.
// Runs the batch over the list with the project's settings (force converts
// tracks whose output exists), then PublishFiles on the whole list. The
// observer sees the conversion, alerts the publishing problems.
PublishOutcome PublishProject(Mp3List& tracks, ProjectRecord& project, const PlayersList& players,
                              bool force, ConversionObserver* observer, AlertSink* alerts);

}  // namespace brelvano
