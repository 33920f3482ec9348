#include "cli/file_arguments.h"

namespace brelvano::cli {

void AddFileArguments(CLI::App& cmd, FileArguments& arguments, const std::string& description,
                      bool optional) {
  CLI::Option* files = cmd.add_option(
      "FILE", arguments.files, description + "; \"-\" alone reads the paths from standard input");
  if (!optional) files->required();
  cmd.add_flag("-0,--null", arguments.nullSeparated,
               "With \"-\": paths on standard input end with NUL instead of a line break");
}

std::vector<std::string> ReadPathList(FILE* in, bool nullSeparated) {
  const int separator = nullSeparated ? 0 : '\n';
  std::vector<std::string> paths;
  std::string current;
  int c;
  while ((c = std::fgetc(in)) != EOF) {
    if (c == separator) {
      if (!current.empty()) paths.push_back(std::move(current));
      current.clear();
    } else {
      current += static_cast<char>(c);
    }
  }
  if (!current.empty()) paths.push_back(std::move(current));
  return paths;
}

std::vector<std::string> ResolveFiles(const FileArguments& arguments) {
  if (arguments.files.size() == 1 && arguments.files.front() == "-")
    return ReadPathList(stdin, arguments.nullSeparated);
  return arguments.files;
}

}  // namespace brelvano::cli
