// brelvano-cli info: what the analysis finds in each file.
#include <memory>
#include <string>
#include <vector>

#include "analysis/mp3list.h"
#include "base/file_problem.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/json_output.h"
#include "cli/output_style.h"
#include "cli/table_printer.h"

namespace brelvano::cli {

namespace {

struct InfoOptions {
  bool tsv = false;
  bool json = false;
  FileArguments files;
};

int RunInfo(const InfoOptions& options) {
  Mp3List list;
  std::vector<std::string> problems;
  bool allUsable = true;
  for (const auto& file : ResolveFiles(options.files)) {
    const _mp3entry* entry = list.addFile(file);
    if (entry->status != kStatusNotConverted) allUsable = false;
    // The status says "Cannot open"; the user also learns why.
    std::string problem;
    if (entry->status != kStatusNotConverted) problem = ReadableFileProblem(file);
    if (!problem.empty()) PrintError(file + ": " += problem);
    problems.push_back(problem);
  }
  if (options.json) {
    nlohmann::json files = nlohmann::json::array();
    for (int32_t row = 0; row < list.count(); ++row) {
      nlohmann::json track = TrackJson(*list.getElement(row));
      if (!problems[static_cast<size_t>(row)].empty())
        track["error"] = problems[static_cast<size_t>(row)];
      files.push_back(std::move(track));
    }
    PrintJsonDocument({{"files", std::move(files)}, {"all_usable", allUsable}});
  } else {
    const TablePrinter table = TrackTable(list);
    if (options.tsv)
      table.PrintTsv(stdout);
    else
      table.PrintAligned(stdout);
  }
  return allUsable ? kExitOk : kExitFailure;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int* exitStatus) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* cmd =
      app.add_subcommand("info", "List MP3 files with their analysed properties and tags");
  cmd->add_flag("--tsv", options->tsv, "Tab-separated output with a header line");
  cmd->add_flag("--json", options->json,
                "One JSON document: {\"files\": [...], \"all_usable\": bool}")
      ->excludes("--tsv");
  AddFileArguments(*cmd, options->files, "MP3 files");
  cmd->footer(
      "Exit status: 0 when every file is usable, 1 otherwise, 2 for a usage error.\n"
      "Examples:\n"
      "  brelvano-cli info *.mp3\n"
      "  find ~/Music -name '*.mp3' -print0 | brelvano-cli info --json -0 -");
  cmd->callback([options, exitStatus] { *exitStatus = RunInfo(*options); });
}

}  // namespace brelvano::cli
