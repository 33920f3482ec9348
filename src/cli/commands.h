// The subcommands of brelvano-cli. Each Add*Command registers one CLI11
// subcommand whose callback stores the process exit status in *exitStatus.
#pragma once

#include <CLI/CLI.hpp>

namespace brelvano::cli {

void AddInfoCommand(CLI::App& app, int* exitStatus);
void AddConvertCommand(CLI::App& app, int* exitStatus);
void AddProjectCommands(CLI::App& app, int* exitStatus);  // new, show, publish
void AddEditCommands(CLI::App& app, int* exitStatus);     // add, remove, move, track, set, players

// Exit statuses shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // some file or track did not succeed
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;

}  // namespace brelvano::cli
