#include "cli/commands.h"

namespace brelvano::cli {

void AddConvertCommand(CLI::App&, int*) {}

}  // namespace brelvano::cli
