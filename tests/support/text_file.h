// Whole text files, for tests that compare written files with literals.
#pragma once

#include <string>

#include "support/test_files.h"

namespace brelvano::test {

inline std::string ReadText(const std::string& path) {
  const Bytes bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}
inline void WriteText(const std::string& path, const std::string& text) {
  WriteFileBytes(path, Bytes(text.begin(), text.end()));
}

}  // namespace brelvano::test
