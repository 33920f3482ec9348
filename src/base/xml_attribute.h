// The quoting rule of attribute values in "playlist.xml" and project files.
#pragma once

#include <cstdio>
#include <cstring>
#include <string_view>

namespace brelvano {

// Writes the text as a double-quoted attribute value: '"' '&' '\'' '<' '>'
// become "&quot;" "&amp;" "&apos;" "&lt;" "&gt;"; every other byte (control
// characters and bytes above 127 included) is written as it is.
void WriteXmlAttribute(FILE* stream, std::string_view text);

// The text of a fixed-width tag field: up to its first NUL, never past its end.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

}  // namespace brelvano
