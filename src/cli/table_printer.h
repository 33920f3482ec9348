// Prints the track table: aligned columns for people, or tab-separated
// values with a header line for scripts.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace brelvano {
class Mp3List;
class BrelvanoApplication;
}  // namespace brelvano

namespace brelvano::cli {

// The track table's columns, in display order.
const std::vector<std::string>& TrackColumns();

class TablePrinter {
 public:
  explicit TablePrinter(std::vector<std::string> header) : header_(std::move(header)) {}
  void AddRow(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  // Columns padded to their widest cell (in terminal columns, not bytes).
  // Control characters in cells are shown escaped (see TerminalSafe).
  void PrintAligned(FILE* out) const;
  // Tabs and line breaks inside cells become spaces, so every row stays one
  // line; other control characters are shown escaped.
  void PrintTsv(FILE* out) const;

 private:
  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> rows_;
};

// A table of every track of the list with the track table's columns.
TablePrinter TrackTable(const Mp3List& list);
// The same for the project the application holds.
TablePrinter TrackTable(const BrelvanoApplication& application);

}  // namespace brelvano::cli
