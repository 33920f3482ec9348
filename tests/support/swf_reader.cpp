#include "support/swf_reader.h"

#include "analysis/frame_header.h"

namespace brelvano::test {

size_t SwfFile::count(uint32_t code) const {
  size_t n = 0;
  for (const auto& t : tags) n += t.code == code;
  return n;
}

namespace {
uint32_t U16(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | (U16(b, at + 2) << 16); }
}  // namespace

SwfFile ParseSwf(const Bytes& b) {
  SwfFile swf;
  if (b.size() < 14 || b[0] != 'F' || b[1] != 'W' || b[2] != 'S') {
    swf.error = "no FWS header";
    return swf;
  }
  swf.version = b[3];
  swf.fileLength = U32(b, 4);
  // Our movies carry the fixed 2-byte RECT 0x10 0x28.
  if (b[8] != 0x10 || b[9] != 0x28) {
    swf.error = "unexpected RECT";
    return swf;
  }
  swf.frameRate = static_cast<uint16_t>(U16(b, 10));
  swf.frameCount = static_cast<uint16_t>(U16(b, 12));
  size_t at = 14;
  while (at + 2 <= b.size()) {
    const uint32_t codeAndLength = U16(b, at);
    at += 2;
    SwfTag tag;
    tag.code = codeAndLength >> 6;
    uint32_t length = codeAndLength & 63;
    if (length == 63) {
      if (at + 4 > b.size()) break;
      length = U32(b, at);
      at += 4;
      tag.longForm = true;
    }
    if (at + length > b.size()) {
      swf.error = "tag past the end";
      return swf;
    }
    tag.body.assign(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + length));
    at += length;
    swf.tags.push_back(std::move(tag));
    if (swf.tags.back().code == 0) {
      swf.ok = at == b.size();
      if (!swf.ok) swf.error = "bytes after the End tag";
      return swf;
    }
  }
  swf.error = "no End tag";
  return swf;
}

std::vector<std::pair<std::string, std::string>> DoActionVariables(const Bytes& body) {
  std::vector<std::pair<std::string, std::string>> vars;
  std::vector<std::string> stack;
  size_t at = 0;
  while (at < body.size()) {
    const uint8_t action = body[at++];
    if (action == 0) break;
    if (action == 0x96) {
      const uint32_t len = U16(body, at);
      at += 2;
      // type byte 0 (string), then the zero-terminated text
      stack.emplace_back(reinterpret_cast<const char*>(&body[at + 1]));
      at += len;
    } else if (action == 0x1D && stack.size() >= 2) {
      const std::string value = stack.back();
      stack.pop_back();
      vars.emplace_back(stack.back(), value);
      stack.pop_back();
    } else if (action >= 0x80) {
      at += 2 + U16(body, at);
    }
  }
  return vars;
}

Bytes SyntheticMp3(uint32_t header, int frames) {
  int32_t stereo, freq, bitrate, bodyLength;
  DecodeFrameHeader(header, stereo, freq, bitrate, bodyLength);
  Bytes out;
  for (int i = 0; i < frames; ++i) {
    const Bytes h = HeaderBytes(header);
    out.insert(out.end(), h.begin(), h.end());
    // Bodies without 0xFF bytes, so no false sync hides inside them.
    for (int32_t j = 0; j < bodyLength; ++j) out.push_back(static_cast<uint8_t>((i + j) % 200));
  }
  return out;
}

}  // namespace brelvano::test
