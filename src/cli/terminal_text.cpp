#include "cli/terminal_text.h"

#include <sys/ioctl.h>
#include <utf8proc.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace brelvano::cli {

namespace {

// One character of the text: its bytes and its display width. Bytes that are
// not UTF-8 are characters of their own, marked invalid.
struct Glyph {
  size_t offset = 0;
  size_t length = 0;
  int32_t codepoint = -1;  // -1: an invalid byte
  size_t width = 0;
};

std::vector<Glyph> Glyphs(std::string_view text) {
  std::vector<Glyph> glyphs;
  size_t offset = 0;
  while (offset < text.size()) {
    Glyph glyph;
    glyph.offset = offset;
    utf8proc_int32_t cp = -1;
    const utf8proc_ssize_t n =
        utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data()) + offset,
                         static_cast<utf8proc_ssize_t>(text.size() - offset), &cp);
    if (n <= 0) {
      glyph.length = 1;
      glyph.width = 1;
    } else {
      glyph.length = static_cast<size_t>(n);
      glyph.codepoint = cp;
      const int w = utf8proc_charwidth(cp);
      glyph.width = w > 0 ? static_cast<size_t>(w) : 0;
    }
    glyphs.push_back(glyph);
    offset += glyph.length;
  }
  return glyphs;
}

bool IsControl(int32_t cp) { return cp < 0x20 || cp == 0x7f || (cp >= 0x80 && cp < 0xa0); }

void AppendHex(std::string& out, unsigned char byte) {
  char escape[5];
  std::snprintf(escape, sizeof escape, "\\x%02x", byte);
  out += escape;
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const Glyph& g : Glyphs(text)) {
    if (g.codepoint < 0 || IsControl(g.codepoint)) {
      for (size_t i = 0; i < g.length; ++i)
        AppendHex(out, static_cast<unsigned char>(text[g.offset + i]));
    } else {
      out.append(text.substr(g.offset, g.length));
    }
  }
  return out;
}

size_t DisplayWidth(std::string_view text) {
  size_t width = 0;
  for (const Glyph& g : Glyphs(text)) width += g.width;
  return width;
}

std::string CutToWidth(std::string_view text, size_t columns) {
  size_t width = 0, end = 0;
  for (const Glyph& g : Glyphs(text)) {
    if (width + g.width > columns) break;
    width += g.width;
    end = g.offset + g.length;
  }
  return std::string(text.substr(0, end));
}

std::string ShortenMiddle(std::string_view text, size_t columns) {
  const std::vector<Glyph> glyphs = Glyphs(text);
  size_t total = 0;
  for (const Glyph& g : glyphs) total += g.width;
  if (total <= columns) return std::string(text);
  static constexpr std::string_view kEllipsis = "\u2026";  // one column
  if (columns == 0) return {};
  // The end of a name (its extension, a track number) tells more than its
  // middle: the tail gets the odd column.
  const size_t room = columns - 1;
  const size_t headRoom = room / 2, tailRoom = room - headRoom;
  size_t headWidth = 0, headEnd = 0;
  for (const Glyph& g : glyphs) {
    if (headWidth + g.width > headRoom) break;
    headWidth += g.width;
    headEnd = g.offset + g.length;
  }
  size_t tailWidth = 0, tailStart = text.size();
  for (auto it = glyphs.rbegin(); it != glyphs.rend(); ++it) {
    if (tailWidth + it->width > tailRoom || it->offset < headEnd) break;
    tailWidth += it->width;
    tailStart = it->offset;
  }
  std::string out(text.substr(0, headEnd));
  out += kEllipsis;
  out.append(text.substr(tailStart));
  return out;
}

int TerminalColumns(int fd) {
  winsize size{};
  if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* columns = std::getenv("COLUMNS")) {
    const long n = std::strtol(columns, nullptr, 10);
    if (n > 0 && n < 10000) return static_cast<int>(n);
  }
  return 80;
}

}  // namespace brelvano::cli
