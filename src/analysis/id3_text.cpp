#include "analysis/id3_text.h"

#include <utf8proc.h>

#include <algorithm>

#include "analysis/utf8_field.h"

namespace brelvano {
namespace {

constexpr uint32_t kReplacementCharacter = 0xFFFD;
constexpr uint32_t kByteOrderMark = 0xFEFF;

constexpr bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void DecodeLatin1(const uint8_t* text, size_t length, Utf8FieldWriter& out) {
  for (size_t i = 0; i < length && text[i] != 0; ++i) {
    if (!out.put(text[i])) break;
  }
}

void DecodeUtf16(const uint8_t* text, size_t length, bool bigEndian, size_t maxUnits,
                 Utf8FieldWriter& out) {
  const size_t units = std::min(length / 2, maxUnits);
  uint32_t pendingHigh = 0;  // a high surrogate waiting for its low half
  for (size_t i = 0; i < units; ++i) {
    const uint8_t* pair = text + 2 * i;
    // The mark's bytes name the order: FE FF big-endian, FF FE little-endian.
    if ((pair[0] == 0xFE && pair[1] == 0xFF) || (pair[0] == 0xFF && pair[1] == 0xFE)) {
      bigEndian = pair[0] == 0xFE;
      continue;
    }
    const uint32_t unit =
        bigEndian ? (uint32_t{pair[0]} << 8 | pair[1]) : (uint32_t{pair[1]} << 8 | pair[0]);
    if (pendingHigh != 0) {
      const uint32_t high = pendingHigh;
      pendingHigh = 0;
      if (IsLowSurrogate(unit)) {
        if (!out.put(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00))) break;
        continue;
      }
      if (!out.put(kReplacementCharacter)) break;  // a high half without its partner
    }
    if (unit == 0) break;
    if (IsHighSurrogate(unit)) {
      pendingHigh = unit;
    } else if (!out.put(IsLowSurrogate(unit) ? kReplacementCharacter : unit)) {
      break;
    }
  }
  if (pendingHigh != 0) out.put(kReplacementCharacter);
}

void DecodeUtf8(const uint8_t* text, size_t length, Utf8FieldWriter& out) {
  size_t i = 0;
  while (i < length && text[i] != 0) {
    utf8proc_int32_t codePoint = 0;
    const utf8proc_ssize_t used = utf8proc_iterate(
        text + i, static_cast<utf8proc_ssize_t>(std::min<size_t>(length - i, 4)), &codePoint);
    if (used <= 0) {  // malformed: one byte is replaced, the next may start a character
      if (!out.put(kReplacementCharacter)) return;
      ++i;
      continue;
    }
    i += static_cast<size_t>(used);
    if (codePoint == 0) return;
    // Some writers start UTF-8 text with a byte-order mark; it is no character of the title.
    if (codePoint == static_cast<utf8proc_int32_t>(kByteOrderMark) &&
        i == static_cast<size_t>(used))
      continue;
    if (!out.put(static_cast<uint32_t>(codePoint))) return;
  }
}

}  // namespace

bool DecodeId3Text(const uint8_t* text, size_t length, int encoding, char* field, int width) {
  if (width < 1) return false;
  Utf8FieldWriter out(field, width);
  switch (encoding) {
    case kId3EncodingLatin1:
      DecodeLatin1(text, length, out);
      break;
    case kId3EncodingUtf16:  // big-endian until a mark says otherwise
    case kId3EncodingUtf16BigEndian:
      DecodeUtf16(text, length, true, static_cast<size_t>(width), out);
      break;
    case kId3EncodingUtf8:
      DecodeUtf8(text, length, out);
      break;
    default:
      return false;
  }
  out.finish();
  return true;
}

}  // namespace brelvano
