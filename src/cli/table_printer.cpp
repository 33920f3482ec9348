#include "cli/table_printer.h"

#include <utf8proc.h>

#include "analysis/mp3list.h"
#include "application/brelvano_application.h"

namespace brelvano::cli {

const std::vector<std::string>& TrackColumns() {
  static const std::vector<std::string> columns = {"Filename", "Status", "Format", "Duration",
                                                   "Frequency", "Stereo", "bps", "Title",
                                                   "Artist", "Album"};
  return columns;
}

size_t DisplayWidth(const std::string& text) {
  size_t width = 0;
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
  while (left > 0) {
    utf8proc_int32_t cp;
    const utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {  // not UTF-8: one column per byte
      ++width;
      ++p;
      --left;
      continue;
    }
    const int w = utf8proc_charwidth(cp);
    width += w > 0 ? static_cast<size_t>(w) : 0;
    p += n;
    left -= n;
  }
  return width;
}

void TablePrinter::PrintAligned(FILE* out) const {
  std::vector<size_t> widths(header_.size(), 0);
  auto measure = [&](const std::vector<std::string>& row) {
    for (size_t i = 0; i < row.size() && i < widths.size(); ++i)
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
  };
  measure(header_);
  for (const auto& row : rows_) measure(row);
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
  for (const auto& row : rows_) print(row);
}

void TablePrinter::PrintTsv(FILE* out) const {
  auto print = [&](const std::vector<std::string>& row) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) line += '\t';
      for (char c : row[i]) line += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
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
