// The text of ID3v2 text frames: the four encodings of the frames' first
// byte, decoded into fixed-width, zero-terminated UTF-8 fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brelvano {

// Text encodings of ID3v2 text frames (ID3v2.4 section 4: 0 and 1 also in
// ID3v2.2 and 2.3, 2 and 3 only in ID3v2.4).
inline constexpr int kId3EncodingLatin1 = 0;
inline constexpr int kId3EncodingUtf16 = 1;           // with byte-order mark
inline constexpr int kId3EncodingUtf16BigEndian = 2;  // without mark
inline constexpr int kId3EncodingUtf8 = 3;

// Converts `length` bytes of text into `field` (width bytes) as zero-terminated
// UTF-8. The text ends at its first zero character; UTF-16 reads at most
// `width` units (byte-order marks count, an odd last byte is no unit), and a
// mark met anywhere sets the order of the units behind it. Unpaired surrogates
// and malformed UTF-8 become U+FFFD. The text is cut at a character boundary
// where its UTF-8 form and the zero byte would not fit. Returns false, with
// the field untouched, for an encoding that is not one of the four.
bool DecodeId3Text(const uint8_t* text, size_t length, int encoding, char* field, int width);

}  // namespace brelvano
