#include "flv/amf_writer.h"

#include <algorithm>

#include "flv/flv_format.h"

namespace brelvano {

void AmfPutShortString(FlvStream& out, std::string_view text) {
  const size_t length = std::min<size_t>(text.size(), kAmfMaxShortStringLength);
  out.PutU16(static_cast<uint32_t>(length));
  out.PutBytes(reinterpret_cast<const uint8_t*>(text.data()), length);
}

void AmfPutNumber(FlvStream& out, double value) {
  out.PutByte(kAmfNumber);
  out.PutF64(value);
}

void AmfPutString(FlvStream& out, std::string_view text) {
  out.PutByte(kAmfString);
  AmfPutShortString(out, text);
}

void AmfPutDate(FlvStream& out, double millisecondsSinceEpoch) {
  out.PutByte(kAmfDate);
  out.PutF64(millisecondsSinceEpoch);
  out.PutU16(0);  // time-zone offset in minutes
}

void AmfPutEcmaArrayStart(FlvStream& out, uint32_t count) {
  out.PutByte(kAmfEcmaArray);
  out.PutU32(count);
}

void AmfPutObjectEnd(FlvStream& out) {
  out.PutU16(0);
  out.PutByte(kAmfObjectEnd);
}

void FlvWriteAmfName(FlvStream& out, std::string_view text) { AmfPutShortString(out, text); }

void FlvWriteNumberProperty(FlvStream& out, std::string_view name, uint32_t* position,
                            double value) {
  FlvWriteAmfName(out, name);
  out.PutByte(kAmfNumber);
  if (position) *position = static_cast<uint32_t>(out.Tell());
  out.PutF64(value);
}

void FlvWriteStringProperty(FlvStream& out, std::string_view name, std::string_view value) {
  FlvWriteAmfName(out, name);
  AmfPutString(out, value);
}

void FlvWriteDateProperty(FlvStream& out, std::string_view name, double millisecondsSinceEpoch) {
  FlvWriteAmfName(out, name);
  AmfPutDate(out, millisecondsSinceEpoch);
}

void FlvWriteEcmaArrayStart(FlvStream& out, std::string_view name, uint32_t count) {
  FlvWriteAmfName(out, name);
  AmfPutEcmaArrayStart(out, count);
}

void FlvWriteObjectEnd(FlvStream& out) { AmfPutObjectEnd(out); }

void FlvPatchNumber(FlvStream& out, uint32_t position, double value) {
  out.Seek(position);
  out.PutF64(value);
}

}  // namespace brelvano
