// The batch's progress on a terminal: one line per finished track on
// standard output, and a redrawn bar for the file in work on standard error
// when that is a terminal.
#pragma once

#include <cstdio>
#include <string>

#include "convert/batch.h"

namespace brelvano::cli {

class TerminalProgress : public ConversionObserver {
 public:
  explicit TerminalProgress(bool showBar) : showBar_(showBar) {}

  void batchStarted(int32_t trackCount) override { total_ = trackCount; }
  void trackStarted(int32_t index, const _mp3entry& entry, const std::string& outPath) override;
  void fileProgress(int64_t position, int64_t total) override;
  void trackFailed(int32_t index, const _mp3entry& entry, const std::string& reason) override;
  void trackFinished(int32_t index, const _mp3entry& entry, const std::string& outPath,
                     bool skipped) override;

  // Converted tracks that did not end Ok or Truncated; skipped ones never count.
  int failures() const { return failures_; }

 private:
  void ClearBar();

  bool showBar_;
  int32_t total_ = 0;
  int32_t index_ = 0;
  std::string name_;
  int lastPercent_ = -1;
  bool barShown_ = false;
  int failures_ = 0;
};

}  // namespace brelvano::cli
