// AMF0 values and the named properties of an ECMA array, written to an FLV
// stream. One writer per AMF0 type; names are short strings without marker.
#pragma once

#include <cstdint>
#include <string_view>

#include "flv/flv_stream.h"

namespace brelvano {

// Short string body: 16-bit byte length, then the bytes. Texts longer than
// 65535 bytes are cut there so that the length always matches the bytes.
void AmfPutShortString(FlvStream& out, std::string_view text);
// Number: marker 0, binary64.
void AmfPutNumber(FlvStream& out, double value);
// String: marker 2, short string body.
void AmfPutString(FlvStream& out, std::string_view text);
// Date: marker 11, milliseconds since 1970-01-01 UTC, time-zone offset 0.
void AmfPutDate(FlvStream& out, double millisecondsSinceEpoch);
// ECMA array head: marker 8, 32-bit entry count; the entries and the object end follow.
void AmfPutEcmaArrayStart(FlvStream& out, uint32_t count);
// Object end: an empty name and marker 9.
void AmfPutObjectEnd(FlvStream& out);

// Property (entry) writers: the name as short string body, then the value.
void FlvWriteAmfName(FlvStream& out, std::string_view text);
// When position is given it receives the file offset of the 8 value bytes,
// for FlvPatchNumber.
void FlvWriteNumberProperty(FlvStream& out, std::string_view name, uint32_t* position,
                            double value);
void FlvWriteStringProperty(FlvStream& out, std::string_view name, std::string_view value);
void FlvWriteDateProperty(FlvStream& out, std::string_view name, double millisecondsSinceEpoch);
void FlvWriteEcmaArrayStart(FlvStream& out, std::string_view name, uint32_t count);
void FlvWriteObjectEnd(FlvStream& out);

// Overwrites the 8 bytes of a Number at position; the cursor stays behind them.
void FlvPatchNumber(FlvStream& out, uint32_t position, double value);

}  // namespace brelvano
