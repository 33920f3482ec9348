#include "cli/commands.h"

namespace brelvano::cli {

void AddInfoCommand(CLI::App&, int*) {}

}  // namespace brelvano::cli
