// The batch's progress for the user: a report per finished track on
// standard output (a text line, or a JSON line with --json), and a redrawn
// progress line for the file in work on standard error.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "convert/batch.h"

namespace brelvano::cli {

class TerminalProgress : public ConversionObserver {
 public:
  enum class Report { kText, kJson };
  // drawLine: draw the progress line on standard error (see ProgressLineWanted).
  TerminalProgress(Report report, bool drawLine) : report_(report), drawLine_(drawLine) {}

  // Seconds of audio of every track of the batch, in order, so the time
  // left covers the tracks still to come; without it, only the file in work.
  void setTrackDurations(std::vector<int32_t> seconds) { durations_ = std::move(seconds); }

  void batchStarted(int32_t trackCount) override { total_ = trackCount; }
  void trackStarted(int32_t index, const _mp3entry& entry, const std::string& outPath) override;
  void fileProgress(int64_t position, int64_t total) override;
  void trackFailed(int32_t index, const _mp3entry& entry, const std::string& reason) override;
  void trackFinished(int32_t index, const _mp3entry& entry, const std::string& outPath,
                     bool skipped) override;

  // Tracks that were converted and did not end Ok or Truncated. A skipped
  // track (its output was already there) is never a failure.
  int failures() const { return failures_; }
  int converted() const { return converted_; }
  int skipped() const { return skipped_; }
  // The counts, for a summary object: tracks, converted, skipped, failed.
  nlohmann::json countsJson() const;

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(double fraction);

  Report report_;
  bool drawLine_;
  std::vector<int32_t> durations_;
  int32_t total_ = 0;
  int32_t index_ = 0;
  int32_t duration_ = 0;  // of the track in work, seconds
  std::string name_;
  std::string failure_;  // why the track in work could not be written
  Clock::time_point trackStart_{};
  Clock::time_point lastDraw_{};
  bool drawnOnce_ = false;
  int failures_ = 0;
  int converted_ = 0;
  int skipped_ = 0;
};

}  // namespace brelvano::cli
