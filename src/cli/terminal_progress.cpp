#include "cli/terminal_progress.h"

#include <unistd.h>

#include "analysis/mp3list.h"
#include "cli/json_output.h"
#include "cli/output_style.h"
#include "cli/progress_line.h"
#include "cli/terminal_text.h"

namespace brelvano::cli {

namespace {
// At most ten redraws a second: enough to look alive, cheap over ssh.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// Before this much work the speed is mostly start-up cost.
constexpr double kMinSecondsForSpeed = 0.3;

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

void TerminalProgress::trackStarted(int32_t index, const _mp3entry& entry, const std::string&) {
  index_ = index;
  name_ = BaseName(entry.filename);
  duration_ = entry.prop.duration;
  failure_.clear();
  trackStart_ = Clock::now();
}

void TerminalProgress::fileProgress(int64_t position, int64_t total) {
  if (!drawLine_ || total <= 0) return;
  const Clock::time_point now = Clock::now();
  if (drawnOnce_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  drawnOnce_ = true;
  Draw(static_cast<double>(std::min(position, total)) / static_cast<double>(total));
}

void TerminalProgress::Draw(double fraction) {
  ProgressFigures figures;
  figures.track = index_ + 1;
  figures.trackCount = total_;
  figures.name = name_;
  figures.percent = static_cast<int>(fraction * 100);
  const double elapsed = std::chrono::duration<double>(Clock::now() - trackStart_).count();
  if (elapsed >= kMinSecondsForSpeed && fraction > 0) {
    if (duration_ > 0) {
      figures.speed = fraction * duration_ / elapsed;
      double audioLeft = (1 - fraction) * duration_;
      for (size_t i = static_cast<size_t>(index_) + 1; i < durations_.size(); ++i)
        audioLeft += durations_[i];
      figures.secondsLeft = audioLeft / figures.speed;
    } else {
      figures.secondsLeft = elapsed * (1 - fraction) / fraction;
    }
  }
  const std::string line = FormatProgressLine(figures, TerminalColumns(STDERR_FILENO));
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
  SetStatusLineShown(true);
}

void TerminalProgress::trackFailed(int32_t, const _mp3entry&, const std::string& reason) {
  failure_ = reason;
  if (report_ == Report::kText) PrintError(reason);
}

void TerminalProgress::trackFinished(int32_t index, const _mp3entry& entry,
                                     const std::string& outPath, bool skipped) {
  ClearStatusLine();
  const bool good = entry.status == kStatusOk || entry.status == kStatusTruncated;
  // A converted track whose output was not written shows no path for it.
  const bool written = skipped || good;
  if (skipped)
    ++skipped_;
  else
    ++converted_;
  if (!skipped && !good) ++failures_;

  if (report_ == Report::kJson) {
    nlohmann::json line = {{"type", "track"}, {"index", index + 1}, {"count", total_}};
    line.update(TrackJson(entry));
    line["skipped"] = skipped;
    line["output"] = written ? nlohmann::json(outPath) : nlohmann::json(nullptr);
    if (!failure_.empty()) line["error"] = failure_;
    PrintJsonLine(line);
    return;
  }
  const std::string status = skipped ? "Skipped (output exists)" : StatusText(entry.status);
  std::string text = status.empty() ? "-" : status;
  if (text.size() < 13) text.append(13 - text.size(), ' ');
  text += " " + entry.filename;
  if (written) text += " -> " + outPath;
  if (!skipped && !good && outputStyle().quiet) {
    PrintError(text);
    return;
  }
  PrintNote(text);
}

nlohmann::json TerminalProgress::countsJson() const {
  return {
      {"tracks", total_}, {"converted", converted_}, {"skipped", skipped_}, {"failed", failures_}};
}

}  // namespace brelvano::cli
