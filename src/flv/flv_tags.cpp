#include "flv/flv_tags.h"

#include <cmath>

#include "flv/flv_format.h"

namespace brelvano {

void FlvWriteFileHeader(FlvStream& out) {
  out.PutBytes(kFlvSignature, sizeof kFlvSignature);
  out.PutByte(kFlvVersion);
  out.PutByte(kFlvHeaderFlags);
  out.PutU32(kFlvHeaderLength);
  out.PutU32(0);  // PreviousTagSize0
}

uint32_t FlvTimestamp(double milliseconds) {
  if (!(milliseconds >= 0.0)) return 0;
  // Reduce before converting so that no time is too large for the integer.
  const double whole = std::fmod(std::trunc(milliseconds), 16777216.0);
  return static_cast<uint32_t>(whole) & kFlvTimestampMask;
}

static void PutTagHead(FlvStream& out, uint8_t type, uint32_t dataSize, double milliseconds) {
  out.PutByte(type);
  out.PutU24(dataSize);
  out.PutU24(FlvTimestamp(milliseconds));
  out.PutByte(0);  // timestamp extension
  out.PutU24(0);   // stream id
}

FlvOpenTag FlvBeginTag(FlvStream& out, uint8_t type, double milliseconds) {
  FlvOpenTag tag;
  tag.sizeField = out.Tell() + 1;
  PutTagHead(out, type, 0, milliseconds);
  tag.dataStart = out.Tell();
  return tag;
}

uint32_t FlvEndTag(FlvStream& out, const FlvOpenTag& tag) {
  const uint64_t end = out.Tell();
  const uint32_t dataSize = static_cast<uint32_t>(end - tag.dataStart);
  out.Seek(tag.sizeField);
  out.PutU24(dataSize);
  out.Seek(end);
  out.PutU32(dataSize + kFlvTagHeaderLength);
  return dataSize;
}

uint8_t FlvAudioFlags(int32_t freq, int32_t stereo) {
  uint8_t rateCode = 0;
  for (const FlvSoundRate& rate : kFlvSoundRates) {
    if (rate.hz == freq) rateCode = rate.code;
  }
  return static_cast<uint8_t>(kFlvSoundFormatMp3 << 4 | rateCode << 2 | kFlvSoundSize16Bit << 1 |
                              (stereo ? 1 : 0));
}

void FlvWriteAudioTag(FlvStream& out, double milliseconds, uint8_t flags, uint32_t header,
                      const uint8_t* body, int32_t bodyLength) {
  const uint32_t length = bodyLength > 0 ? static_cast<uint32_t>(bodyLength) : 0;
  const uint32_t dataSize = length + 5;
  PutTagHead(out, kFlvTagAudio, dataSize, milliseconds);
  out.PutByte(flags);
  out.PutU32(header);
  out.PutBytes(body, length);
  out.PutU32(dataSize + kFlvTagHeaderLength);
}

}  // namespace brelvano
