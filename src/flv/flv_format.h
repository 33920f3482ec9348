// Constants of the FLV container (Adobe Flash Video File Format, version 10,
// annex E) and of the AMF0 encoding (Adobe, "Action Message Format -- AMF 0", section 2).
#pragma once

#include <cstdint>

namespace brelvano {

// FLV header: "FLV", version 1, flags, header length; then PreviousTagSize0.
inline constexpr uint8_t kFlvSignature[3] = {'F', 'L', 'V'};
inline constexpr uint8_t kFlvVersion = 1;
// TypeFlagsAudio (4) and TypeFlagsVideo (1). The video flag is set although
// the files hold no video: the players this system feeds expect it.
inline constexpr uint8_t kFlvHeaderFlags = 5;
inline constexpr uint32_t kFlvHeaderLength = 9;
inline constexpr uint32_t kFlvTagHeaderLength = 11;  // type, size, timestamp, extension, stream id
// Timestamps are 24-bit milliseconds; the extension byte is always written 0.
inline constexpr uint32_t kFlvTimestampMask = 0xFFFFFF;

// TagType.
enum : uint8_t { kFlvTagAudio = 8, kFlvTagScriptData = 18 };

// AUDIODATA flags byte: SoundFormat (bits 7..4), SoundRate (3..2),
// SoundSize (1), SoundType (0).
inline constexpr uint8_t kFlvSoundFormatMp3 = 2;
inline constexpr uint8_t kFlvSoundSize16Bit = 1;
struct FlvSoundRate {
  int32_t hz;
  uint8_t code;
};
// SoundRate codes, by sample rate (5.5 kHz, code 0, never reaches the writer).
inline constexpr FlvSoundRate kFlvSoundRates[] = {
    {5512, 0},
    {11025, 1},  // MPEG 2.5
    {22050, 2},  // MPEG-2
    {44100, 3},  // MPEG-1
};

// AMF0 type markers.
enum : uint8_t {
  kAmfNumber = 0,
  kAmfString = 2,
  kAmfObjectEnd = 9,
  kAmfEcmaArray = 8,
  kAmfDate = 11,
};
inline constexpr uint32_t kAmfMaxShortStringLength = 65535;

}  // namespace brelvano
