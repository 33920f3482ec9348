#include "project/project_file_names.h"

#include "base/file_services.h"

namespace brelvano {

bool IsStorableFileName(std::string_view name, std::string* why) {
  const char* problem = nullptr;
  if (!IsValidUtf8(name)) {
    problem = "file name is not valid UTF-8";
  } else if (HasControlCharacters(name)) {
    problem = "file name holds control characters";
  }
  if (problem && why) *why = problem;
  return problem == nullptr;
}

bool IsStorableText(std::string_view text) {
  if (!IsValidUtf8(text)) return false;
  for (char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') return false;
  }
  return true;
}

}  // namespace brelvano
