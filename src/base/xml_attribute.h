// The quoting rule of attribute values in "playlist.xml" and project files.
#pragma once

#include <cstdio>
#include <cstring>
#include <string_view>

namespace brelvano {

// Writes the UTF-8 text as a double-quoted attribute value: '"' '&' '\'' '<'
// '>' become "&quot;" "&amp;" "&apos;" "&lt;" "&gt;"; tab, line feed and
// carriage return are written as they are. Characters XML 1.0 does not allow
// (the other control characters below 0x20, U+FFFE, U+FFFF) and bytes that
// are not well-formed UTF-8 (each such byte) become U+FFFD, so the file
// always stays well-formed; every other character is written as it is.
void WriteXmlAttribute(FILE* stream, std::string_view text);

// The text of a fixed-width tag field: up to its first NUL, never past its end.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

}  // namespace brelvano
