#include "cli/table_printer.h"

#include "analysis/mp3list.h"
#include "application/brelvano_application.h"
#include "cli/terminal_text.h"

namespace brelvano::cli {

const std::vector<std::string>& TrackColumns() {
  static const std::vector<std::string> columns = {"Filename",  "Status", "Format", "Duration",
                                                   "Frequency", "Stereo", "bps",    "Title",
                                                   "Artist",    "Album"};
  return columns;
}

void TablePrinter::PrintAligned(FILE* out) const {
  std::vector<size_t> widths(header_.size(), 0);
  auto measure = [&](const std::vector<std::string>& row) {
    for (size_t i = 0; i < row.size() && i < widths.size(); ++i)
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
  };
  std::vector<std::vector<std::string>> rows;
  rows.reserve(rows_.size());
  for (const auto& row : rows_) {
    std::vector<std::string> safe;
    safe.reserve(row.size());
    for (const auto& cell : row) safe.push_back(TerminalSafe(cell));
    rows.push_back(std::move(safe));
  }
  measure(header_);
  for (const auto& row : rows) measure(row);
  auto print = [&](const std::vector<std::string>& row) {
    std::string line;
    for (size_t i = 0; i < widths.size(); ++i) {
      const std::string cell = i < row.size() ? row[i] : std::string();
      line += cell;
      if (i + 1 < widths.size()) line.append(widths[i] - DisplayWidth(cell) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::fprintf(out, "%s\n", line.c_str());
  };
  print(header_);
  for (const auto& row : rows) print(row);
}

void TablePrinter::PrintTsv(FILE* out) const {
  auto print = [&](const std::vector<std::string>& row) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) line += '\t';
      std::string cell = row[i];
      for (char& c : cell)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
      line += TerminalSafe(cell);
    }
    std::fprintf(out, "%s\n", line.c_str());
  };
  print(header_);
  for (const auto& row : rows_) print(row);
}

TablePrinter TrackTable(const Mp3List& list) {
  TablePrinter table(TrackColumns());
  for (int32_t row = 0; row < list.numberOfRows(); ++row) {
    std::vector<std::string> cells;
    for (const auto& column : TrackColumns()) cells.push_back(list.cellText(column, row));
    table.AddRow(std::move(cells));
  }
  return table;
}

TablePrinter TrackTable(const BrelvanoApplication& application) {
  TablePrinter table(TrackColumns());
  for (int32_t row = 0; row < application.trackCount(); ++row) {
    std::vector<std::string> cells;
    for (const auto& column : TrackColumns()) cells.push_back(application.cellText(column, row));
    table.AddRow(std::move(cells));
  }
  return table;
}

}  // namespace brelvano::cli
