#include "base/xml_attribute.h"

#include "base/file_services.h"

namespace brelvano {

namespace {

// U+FFFD REPLACEMENT CHARACTER in UTF-8.
constexpr const char* kReplacement = "\xEF\xBF\xBD";

// XML 1.0, section 2.2 (Char): #x9 | #xA | #xD | [#x20-#xD7FF] |
// [#xE000-#xFFFD] | [#x10000-#x10FFFF]. Surrogates never decode.
bool IsXmlChar(uint32_t c) {
  if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
  return c != 0xFFFE && c != 0xFFFF;
}

}  // namespace

void WriteXmlAttribute(FILE* stream, std::string_view text) {
  std::fputc('"', stream);
  for (size_t i = 0; i < text.size();) {
    uint32_t c;
    const size_t length = DecodeUtf8(text, i, &c);
    if (length == 0 || !IsXmlChar(c)) {
      // A byte that starts no well-formed sequence, or a character no XML
      // document may hold: the reader would reject the whole file.
      std::fputs(kReplacement, stream);
      i += length == 0 ? 1 : length;
      continue;
    }
    switch (c) {
      case '"':
        std::fputs("&quot;", stream);
        break;
      case '&':
        std::fputs("&amp;", stream);
        break;
      case '\'':
        std::fputs("&apos;", stream);
        break;
      case '<':
        std::fputs("&lt;", stream);
        break;
      case '>':
        std::fputs("&gt;", stream);
        break;
      default:
        std::fwrite(text.data() + i, 1, length, stream);
        break;
    }
    i += length;
  }
  std::fputc('"', stream);
}

}  // namespace brelvano
