// Project commands: new, show, publish.
#include "cli/commands.h"

namespace brelvano::cli {

void AddProjectCommands(CLI::App&, int*) {}

}  // namespace brelvano::cli
