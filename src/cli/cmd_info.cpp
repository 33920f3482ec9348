// brelvano-cli info: what the analysis finds in each file.
#include <memory>
#include <string>
#include <vector>

#include "analysis/mp3list.h"
#include "cli/commands.h"
#include "cli/table_printer.h"

namespace brelvano::cli {

namespace {

struct InfoOptions {
  bool tsv = false;
  std::vector<std::string> files;
};

int RunInfo(const InfoOptions& options) {
  Mp3List list;
  bool allUsable = true;
  for (const auto& file : options.files) {
    const _mp3entry* entry = list.addFile(file);
    if (entry->status != kStatusNotConverted) allUsable = false;
  }
  const TablePrinter table = TrackTable(list);
  if (options.tsv) table.PrintTsv(stdout);
  else table.PrintAligned(stdout);
  return allUsable ? kExitOk : kExitFailure;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int* exitStatus) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* cmd = app.add_subcommand("info", "List MP3 files with their analysed properties and tags");
  cmd->add_flag("--tsv", options->tsv, "Tab-separated output with a header line");
  cmd->add_option("FILE", options->files, "MP3 files")->required();
  cmd->callback([options, exitStatus] { *exitStatus = RunInfo(*options); });
}

}  // namespace brelvano::cli
