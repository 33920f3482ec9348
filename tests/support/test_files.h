// Helpers shared by the tests: scratch folders, whole-file I/O, running tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelvano::test {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);
bool FileExists(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// Path of a committed fixture under tests/data.
std::string DataFile(const std::string& name);

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output only
};
// Runs a shell command, capturing its standard output.
CommandResult RunCommand(const std::string& command);
// True when a program of that name is on the PATH.
bool HaveTool(const std::string& name);
// Quotes a string for the shell.
std::string ShellQuote(const std::string& text);

// Big-endian bytes of a frame header word.
Bytes HeaderBytes(uint32_t header);

}  // namespace brelvano::test
