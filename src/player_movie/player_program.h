// The ActionScript of Brelvano's player movie: reads "playlist.xml" next to
// the page and plays its SWF and FLV tracks with a face drawn at run time.
#pragma once

#include "player_movie/avm1_script.h"

namespace brelvano {

// Stage size of the player movie, in pixels.
inline constexpr int kPlayerWidth = 400;
inline constexpr int kPlayerHeight = 300;
inline constexpr int kPlayerFrameRate = 30;
inline constexpr uint32_t kPlayerBackground = 0x1E2430;

// The frame-count field holds at most this; a track movie that long may run
// past it, so its end is found from its own duration variable instead.
inline constexpr int kClippedFrameCount = 65535;

avm1::Block PlayerProgram();

}  // namespace brelvano
