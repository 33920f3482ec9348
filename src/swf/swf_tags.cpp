#include "swf/swf_tags.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace brelvano {

namespace {

// SWF action codes.
constexpr uint8_t kActionEnd = 0x00;
constexpr uint8_t kActionStop = 0x07;
constexpr uint8_t kActionSetVariable = 0x1D;
constexpr uint8_t kActionPush = 0x96;
constexpr uint8_t kPushTypeString = 0x00;

void PutActionTag(SwfBuffer& movie, const SwfBuffer& body) {
  movie.PutTagHeader(kSwfTagDoAction, static_cast<int32_t>(body.GetPosition()), false);
  movie.Append(body);
}

void PushString(SwfBuffer& actions, const char* text) {
  actions.PutByte(kActionPush);
  actions.PutU16(static_cast<uint32_t>(std::strlen(text)) + 2);  // type byte and terminator
  actions.PutByte(kPushTypeString);
  actions.PutString(text);
}

}  // namespace

void SwfWriteHeader(SwfBuffer& movie, int32_t frameRate) {
  movie.PutByte('F');
  movie.PutByte('W');
  movie.PutByte('S');
  movie.PutByte(6);  // version
  movie.PutU32(0);   // file length, patched by SwfWriteEnd
  // Frame RECT: Nbits 2, Xmin 0, Xmax 0, Ymin 1, Ymax 1 twips, 3 padding bits.
  movie.PutByte(0x10);
  movie.PutByte(0x28);
  movie.PutU16(static_cast<uint32_t>(frameRate) * 256);  // 8.8 fixed point
  movie.PutU16(0);                                       // frame count, patched by SwfWriteEnd
}

void SwfPushSetVariable(SwfBuffer& actions, const char* name, const char* value) {
  PushString(actions, name);
  PushString(actions, value);
  actions.PutByte(kActionSetVariable);
}

void SwfWriteTrackInfo(SwfBuffer& movie, const _MP3prop& prop, long durationSeconds) {
  char duration[24];
  std::snprintf(duration, sizeof duration, "%ld", durationSeconds);
  SwfBuffer body;
  SwfPushSetVariable(body, "title", prop.id3.song);
  SwfPushSetVariable(body, "artist", prop.id3.artist);
  SwfPushSetVariable(body, "album", prop.id3.album);
  SwfPushSetVariable(body, "duration", duration);
  SwfPushSetVariable(body, "id3", "1");
  body.PutByte(kActionEnd);
  PutActionTag(movie, body);
}

void SwfWriteStop(SwfBuffer& movie) {
  SwfBuffer body;
  body.PutByte(kActionStop);
  body.PutByte(kActionEnd);
  PutActionTag(movie, body);
}

void SwfWriteSoundStreamHead2(SwfBuffer& movie, int32_t frameRate, int32_t stereo, int32_t freq,
                              uint32_t latencySeek) {
  uint8_t rateCode = 0;
  switch (freq / 1000) {
    case 11:
      rateCode = 1;
      break;
    case 22:
      rateCode = 2;
      break;
    case 44:
      rateCode = 3;
      break;
    default:
      rateCode = 0;
      break;
  }
  // Playback: 22 kHz, 16 bit, stereo.
  constexpr uint8_t kPlaybackFormat = (2 << 2) | (1 << 1) | 1;
  constexpr uint8_t kCompressionMp3 = 2;
  // The body keeps LatencySeek as 32 bits (8 bytes in all); players read the
  // first two bytes as the published 16-bit field.
  movie.PutTagHeader(kSwfTagSoundStreamHead2, 8, false);
  movie.PutByte(kPlaybackFormat);
  movie.PutByte(
      static_cast<uint8_t>((kCompressionMp3 << 4) | (rateCode << 2) | (1 << 1) | (stereo ? 1 : 0)));
  movie.PutU16(static_cast<uint32_t>(freq / frameRate));
  movie.PutU32(latencySeek);
}

void SwfWriteSoundBlockHeader(SwfBuffer& block, uint32_t sampleCount, uint32_t seekSamples) {
  block.PutU16(sampleCount);
  block.PutU16(seekSamples);
}

void SwfWriteShowFrame(SwfBuffer& movie) { movie.PutTagHeader(kSwfTagShowFrame, 0, false); }

void SwfWriteEnd(SwfBuffer& movie, uint32_t frameCount) {
  movie.PutU16(kSwfTagEnd);
  const uint32_t total = movie.GetPosition();
  movie.SetPosition(kSwfFileLengthOffset);
  movie.PutU32(total);
  movie.SetPosition(kSwfFrameCountOffset);
  movie.PutU16(std::min(frameCount, kSwfMaxFrameCount));
  movie.SetPosition(total);
}

}  // namespace brelvano
