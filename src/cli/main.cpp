// brelvano-cli: the headless front end of Brelvano.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "cli/commands.h"
#include "cli/output_style.h"
#include "convert/project_record.h"

namespace {

constexpr const char* kFooter =
    "Run 'brelvano-cli COMMAND --help' for a command's options.\n"
    "\n"
    "Exit status:\n"
    "  0    everything asked for succeeded\n"
    "  1    a file, track or publishing step failed, or a project could not be read\n"
    "  2    usage error (unknown command or option, bad value)\n"
    "  130  cancelled with Ctrl-C\n"
    "\n"
    "Examples:\n"
    "  brelvano-cli info --json song.mp3\n"
    "  find . -name '*.mp3' -print0 | brelvano-cli convert --null --dest out -\n"
    "  brelvano-cli new show.brv --dest ~/site *.mp3\n"
    "  brelvano-cli add show.brv encore.mp3\n"
    "  brelvano-cli track show.brv 2 --title 'Live' --format flv\n"
    "  brelvano-cli publish --json show.brv\n";

// The first argument that is not an option (nor the value of --progress):
// the command's name as the user typed it, or null.
const char* CommandWord(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--progress") == 0) {
      ++i;
      continue;
    }
    if (argv[i][0] != '-') return argv[i];
    if (std::strcmp(argv[i], "--") == 0) return i + 1 < argc ? argv[i + 1] : nullptr;
  }
  return nullptr;
}

}  // namespace

namespace {

int Run(int argc, char** argv) {
  using namespace brelvano;
  CLI::App app{"Brelvano: publish MP3 audio for the web through Flash", "brelvano-cli"};
  app.set_version_flag("--version", std::string("brelvano-cli ") + kBrelvanoVersion);
  app.set_help_all_flag("--help-all", "Print the help of every command");
  app.require_subcommand(1);
  app.fallthrough();  // the shared options may also follow the command's name
  app.footer(kFooter);
  cli::AddOutputOptions(app);
  app.parse_complete_callback(cli::ApplyOutputStyle);  // before the command's own callback
  int exitStatus = cli::kExitOk;
  cli::AddInfoCommand(app, &exitStatus);
  cli::AddConvertCommand(app, &exitStatus);
  cli::AddProjectCommands(app, &exitStatus);
  cli::AddEditCommands(app, &exitStatus);

  if (const char* word = CommandWord(argc, argv)) {
    bool known = false;
    std::string names;
    for (const CLI::App* sub : app.get_subcommands({})) {
      known = known || sub->get_name() == word;
      names += (names.empty() ? "" : ", ") + sub->get_name();
    }
    if (!known) {
      cli::PrintError(std::string("unknown command \"") + word + "\" (commands: " + names + ")");
      std::fprintf(stderr, "Run 'brelvano-cli --help' for usage.\n");
      return cli::kExitUsage;
    }
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // One line saying what is wrong, one with the usage of the command concerned.
    cli::PrintError(e.what());
    const CLI::App* sub = nullptr;
    for (const CLI::App* s : app.get_subcommands()) sub = s;
    std::fprintf(stderr, "Run '%s --help' for usage.\n",
                 sub ? ("brelvano-cli " + sub->get_name()).c_str() : "brelvano-cli");
    return cli::kExitUsage;
  }
  return exitStatus;
}

}  // namespace

// Nothing unexpected (out of memory, say) ends the program without a word.
int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brelvano-cli: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "brelvano-cli: unexpected failure\n");
  }
  return brelvano::cli::kExitFailure;
}
