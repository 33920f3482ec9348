#include "cli/terminal_progress.h"

#include "analysis/mp3list.h"

namespace brelvano::cli {

namespace {
constexpr int kBarWidth = 30;

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

void TerminalProgress::trackStarted(int32_t index, const _mp3entry& entry, const std::string&) {
  index_ = index;
  name_ = BaseName(entry.filename);
  lastPercent_ = -1;
}

void TerminalProgress::fileProgress(int64_t position, int64_t total) {
  if (!showBar_ || total <= 0) return;
  const int percent = static_cast<int>(position * 100 / total);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  const int filled = percent * kBarWidth / 100;
  std::fprintf(stderr, "\r\033[K[%.*s%*s] %3d%%  %d/%d %s", filled, "##############################",
               kBarWidth - filled, "", percent, index_ + 1, total_, name_.c_str());
  std::fflush(stderr);
  barShown_ = true;
}

void TerminalProgress::ClearBar() {
  if (!barShown_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  barShown_ = false;
}

void TerminalProgress::trackFailed(int32_t, const _mp3entry&, const std::string& reason) {
  ClearBar();
  std::fprintf(stderr, "%s\n", reason.c_str());
}

void TerminalProgress::trackFinished(int32_t, const _mp3entry& entry, const std::string& outPath,
                                     bool skipped) {
  ClearBar();
  const bool good = entry.status == kStatusOk || entry.status == kStatusTruncated;
  if (!good && !skipped) ++failures_;
  const std::string status = skipped ? "Skipped (output exists)" : StatusText(entry.status);
  // The arrow points at a file only when there is one: written or kept.
  if (good || skipped)
    std::printf("%-13s %s -> %s\n", status.empty() ? "-" : status.c_str(), entry.filename.c_str(),
                outPath.c_str());
  else
    std::printf("%-13s %s\n", status.empty() ? "-" : status.c_str(), entry.filename.c_str());
  std::fflush(stdout);
}

}  // namespace brelvano::cli
