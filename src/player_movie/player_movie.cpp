#include "player_movie/player_movie.h"

#include "player_movie/avm1_assembler.h"
#include "player_movie/player_program.h"
#include "swf/swf_buffer.h"
#include "swf/swf_tags.h"

namespace brelvano {

namespace {

constexpr uint32_t kSwfTagSetBackgroundColor = 9;
constexpr int kTwipsPerPixel = 20;

// The frame RECT (0, width, 0, height) in twips, 16 bits per value: enough
// for any stage up to 1638 pixels.
void PutFrameRect(SwfBuffer& movie, uint32_t widthTwips, uint32_t heightTwips) {
  constexpr uint32_t kBits = 16;
  const uint32_t values[4] = {0, widthTwips, 0, heightTwips};
  uint64_t acc = kBits;  // Nbits in 5 bits, then the four values
  uint32_t count = 5;
  for (uint32_t value : values) {
    acc = (acc << kBits) | (value & 0xFFFF);
    count += kBits;
  }
  const uint32_t padding = (8 - count % 8) % 8;  // 69 bits: 3 padding bits
  acc <<= padding;
  count += padding;
  for (int32_t shift = static_cast<int32_t>(count) - 8; shift >= 0; shift -= 8)
    movie.PutByte(static_cast<uint8_t>(acc >> shift));
}

}  // namespace

std::vector<uint8_t> BuildPlayerMovie() {
  Avm1Assembler assembler;
  avm1::Emit(assembler, PlayerProgram());
  bool ok = false;
  const std::vector<uint8_t> actions = assembler.Finish(&ok);
  if (!ok) return {};

  SwfBuffer movie;
  movie.PutByte('F');
  movie.PutByte('W');
  movie.PutByte('S');
  movie.PutByte(6);  // version: SWF 5 would never run onEnterFrame
  movie.PutU32(0);   // file length, patched below
  PutFrameRect(movie, kPlayerWidth * kTwipsPerPixel, kPlayerHeight * kTwipsPerPixel);
  movie.PutU16(static_cast<uint32_t>(kPlayerFrameRate) * 256);  // 8.8 fixed point
  movie.PutU16(1);  // frame count

  movie.PutTagHeader(kSwfTagSetBackgroundColor, 3, false);
  movie.PutByte(static_cast<uint8_t>(kPlayerBackground >> 16));
  movie.PutByte(static_cast<uint8_t>(kPlayerBackground >> 8));
  movie.PutByte(static_cast<uint8_t>(kPlayerBackground));

  movie.PutTagHeader(kSwfTagDoAction, static_cast<int32_t>(actions.size()), false);
  movie.PutBytes(actions.data(), static_cast<int32_t>(actions.size()));
  movie.PutTagHeader(kSwfTagShowFrame, 0, false);
  movie.PutTagHeader(kSwfTagEnd, 0, false);

  const uint32_t length = movie.GetPosition();
  movie.SetPosition(kSwfFileLengthOffset);
  movie.PutU32(length);
  movie.SetPosition(length);
  return std::vector<uint8_t>(movie.data(), movie.data() + length);
}

}  // namespace brelvano
