#include "cli/progress_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/terminal_text.h"

namespace brelvano::cli {

namespace {
constexpr size_t kMaxBarWidth = 30;
constexpr size_t kMinBarWidth = 10;
constexpr size_t kMinNameWidth = 8;  // below this the speed and time left go first
}  // namespace

std::string FormatDuration(double seconds) {
  const long total = std::lround(std::max(0.0, seconds));
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

std::string FormatProgressLine(const ProgressFigures& f, int columns) {
  const size_t limit = columns > 1 ? static_cast<size_t>(columns - 1) : 1;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d/%d", f.track, f.trackCount);
  const std::string counter = buffer;
  std::snprintf(buffer, sizeof buffer, "%3d%%", std::clamp(f.percent, 0, 100));
  const std::string percent = buffer;
  std::string speed;
  if (f.speed >= 0) {
    std::snprintf(buffer, sizeof buffer, f.speed < 100 ? "%.1fx" : "%.0fx", f.speed);
    speed = buffer;
  }
  const std::string left = f.secondsLeft >= 0 ? FormatDuration(f.secondsLeft) + " left" : "";
  const std::string name = TerminalSafe(f.name);
  const size_t nameWidth = DisplayWidth(name);

  auto tailFor = [&](bool withSpeed, bool withLeft) {
    std::string tail = " " + percent;
    if (withSpeed && !speed.empty()) tail += "  " + speed;
    if (withLeft && !left.empty()) tail += "  " + left;
    return tail;
  };
  std::string tail = tailFor(true, true);
  auto room = [&] {
    const size_t fixed = counter.size() + 1 + DisplayWidth(tail);
    return limit > fixed ? limit - fixed : 0;
  };
  if (room() < kMinNameWidth) tail = tailFor(true, false);
  if (room() < kMinNameWidth) tail = tailFor(false, false);

  const size_t nameRoom = room();
  std::string line = counter + " ";
  if (nameRoom >= nameWidth + 3 + kMinBarWidth) {
    const size_t barWidth = std::min(kMaxBarWidth, nameRoom - nameWidth - 3);
    const size_t filled = barWidth * static_cast<size_t>(std::clamp(f.percent, 0, 100)) / 100;
    line += name + " [" + std::string(filled, '#') + std::string(barWidth - filled, ' ') + "]";
  } else {
    line += ShortenMiddle(name, nameRoom);
  }
  line += tail;
  return CutToWidth(line, limit);
}

}  // namespace brelvano::cli
