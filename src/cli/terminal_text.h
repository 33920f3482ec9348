// Text bound for a terminal: control characters made visible, widths in
// terminal columns, long names shortened to fit.
#pragma once

#include <string>
#include <string_view>

namespace brelvano::cli {

// The text with every control character (C0, DEL, C1) and every byte that is
// not part of well-formed UTF-8 written as "\xHH", so that a tag or a file
// name can neither move the cursor nor retitle or clear the terminal.
std::string TerminalSafe(std::string_view text);

// Terminal columns the UTF-8 text takes (invalid bytes count one each).
size_t DisplayWidth(std::string_view text);

// The text cut to at most `columns` terminal columns by dropping its middle
// ("Very long na…e.mp3"); unchanged when it fits. Never splits a character.
std::string ShortenMiddle(std::string_view text, size_t columns);

// The text cut at its end to at most `columns` terminal columns.
std::string CutToWidth(std::string_view text, size_t columns);

// The width of the terminal on fd: the window size, else $COLUMNS, else 80.
int TerminalColumns(int fd);

}  // namespace brelvano::cli
