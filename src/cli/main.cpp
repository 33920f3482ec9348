// brelvano-cli: the headless front end of Brelvano.
#include <cstdio>

#include "cli/commands.h"
#include "convert/project_record.h"

int main(int argc, char** argv) {
  using namespace brelvano;
  CLI::App app{"Brelvano: publish MP3 audio for the web through Flash", "brelvano-cli"};
  app.set_version_flag("--version", std::string("brelvano-cli ") + kBrelvanoVersion);
  app.require_subcommand(1);
  int exitStatus = cli::kExitOk;
  cli::AddInfoCommand(app, &exitStatus);
  cli::AddConvertCommand(app, &exitStatus);
  cli::AddProjectCommands(app, &exitStatus);
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
    std::fprintf(stderr, "brelvano-cli: %s\n", e.what());
    const CLI::App* sub = nullptr;
    for (const CLI::App* s : app.get_subcommands()) sub = s;
    std::fprintf(stderr, "Run '%s --help' for usage.\n",
                 sub ? ("brelvano-cli " + sub->get_name()).c_str() : "brelvano-cli");
    return cli::kExitUsage;
  }
  return exitStatus;
}
