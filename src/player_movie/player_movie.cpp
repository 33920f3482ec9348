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
// for any stage up to 1638 pixels. 5 + 4 x 16 = 69 bits, written most
// significant bit first and padded with zeros to 9 bytes.
void PutFrameRect(SwfBuffer& movie, uint32_t widthTwips, uint32_t heightTwips) {
  constexpr uint32_t kBits = 16;
  uint32_t pending = 0;  // bits not yet written, in the low pendingCount bits
  uint32_t pendingCount = 0;
  auto put = [&](uint32_t value, uint32_t count) {
    for (uint32_t i = count; i-- > 0;) {
      pending = (pending << 1) | ((value >> i) & 1);
      if (++pendingCount == 8) {
        movie.PutByte(static_cast<uint8_t>(pending));
        pending = 0;
        pendingCount = 0;
      }
    }
  };
  put(kBits, 5);
  for (uint32_t value : {0u, widthTwips, 0u, heightTwips}) put(value, kBits);
  if (pendingCount > 0) put(0, 8 - pendingCount);
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
  movie.PutU16(1);                                              // frame count

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
