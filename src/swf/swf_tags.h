// Writers of the SWF tags that make up a streaming sound movie.
#pragma once

#include <cstdint>

#include "analysis/mp3entry.h"
#include "swf/swf_buffer.h"

namespace brelvano {

// SWF tag codes used by the movies.
enum : uint32_t {
  kSwfTagEnd = 0,
  kSwfTagShowFrame = 1,
  kSwfTagDoAction = 12,
  kSwfTagSoundStreamBlock = 19,
  kSwfTagSoundStreamHead2 = 45,
};

// Offsets of the header fields patched when the movie is complete.
inline constexpr uint32_t kSwfFileLengthOffset = 4;
inline constexpr uint32_t kSwfFrameCountOffset = 12;
// The frame-count field is 16 bits; a longer movie records this many frames,
// and runtimes do not play it through (Ruffle loops it back to its start
// part-way), so the converter lowers the frame rate of long tracks instead.
inline constexpr uint32_t kSwfMaxFrameCount = 65535;

// The 14-byte file header: "FWS", version 6, file length and frame count as
// placeholders, an empty frame RECT and the frame rate in 8.8 fixed point.
void SwfWriteHeader(SwfBuffer& movie, int32_t frameRate);
// DoAction setting title, artist, album, duration and id3 on the root timeline.
void SwfWriteTrackInfo(SwfBuffer& movie, const _MP3prop& prop, long durationSeconds);
void SwfWriteStop(SwfBuffer& movie);
void SwfWriteSoundStreamHead2(SwfBuffer& movie, int32_t frameRate, int32_t stereo, int32_t freq,
                              uint32_t latencySeek);
// The 4-byte start of a SoundStreamBlock body: sample count, seek samples.
void SwfWriteSoundBlockHeader(SwfBuffer& block, uint32_t sampleCount, uint32_t seekSamples);
// Action bytes: push name, push value, ActionSetVariable.
void SwfPushSetVariable(SwfBuffer& actions, const char* name, const char* value);
void SwfWriteShowFrame(SwfBuffer& movie);
// End tag, then the file length and frame count patched into the header.
void SwfWriteEnd(SwfBuffer& movie, uint32_t frameCount);

}  // namespace brelvano
