#include "base/xml_attribute.h"

namespace brelvano {

void WriteXmlAttribute(FILE* stream, std::string_view text) {
  std::fputc('"', stream);
  for (char c : text) {
    switch (c) {
      case '"': std::fputs("&quot;", stream); break;
      case '&': std::fputs("&amp;", stream); break;
      case '\'': std::fputs("&apos;", stream); break;
      case '<': std::fputs("&lt;", stream); break;
      case '>': std::fputs("&gt;", stream); break;
      default: std::fputc(c, stream); break;
    }
  }
  std::fputc('"', stream);
}

}  // namespace brelvano
