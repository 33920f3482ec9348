// The one-line progress display of a conversion: what it shows and how it
// is fitted into the terminal's width.
#pragma once

#include <cstdint>
#include <string>

namespace brelvano::cli {

struct ProgressFigures {
  int32_t track = 0;  // 1-based number of the track in work
  int32_t trackCount = 0;
  std::string name;         // the file's name, as stored (escaped when drawn)
  int percent = 0;          // of the file, 0..100
  double speed = -1;        // seconds of audio per second of work; < 0 unknown
  double secondsLeft = -1;  // for the rest of the batch; < 0 unknown
};

// "3/10 name [#####     ]  47%  12.3x  1:02 left", at most columns - 1
// terminal columns wide (the last column is never used, so the terminal
// never wraps): a bar only where there is room, the name shortened in its
// middle, the speed and time left dropped last of all.
std::string FormatProgressLine(const ProgressFigures& figures, int columns);

// "0:42", "12:05", "1:02:03".
std::string FormatDuration(double seconds);

}  // namespace brelvano::cli
