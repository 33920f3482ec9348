// FILE arguments: the files named on the command line, or, when the only
// FILE is "-", the paths read from standard input.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace brelvano::cli {

struct FileArguments {
  std::vector<std::string> files;
  bool nullSeparated = false;  // -0/--null: standard input holds NUL-separated paths
};

// Adds the FILE positional (required unless `optional`) and -0/--null.
void AddFileArguments(CLI::App& cmd, FileArguments& arguments, const std::string& description,
                      bool optional = false);

// Paths from a stream: one per line ("\n"; a "\r" before it is kept, as it
// may belong to the name), or NUL-separated. Empty entries are skipped.
std::vector<std::string> ReadPathList(FILE* in, bool nullSeparated);

// The files to work on: the arguments as given, or the list read from
// standard input when they are exactly "-".
std::vector<std::string> ResolveFiles(const FileArguments& arguments);

}  // namespace brelvano::cli
