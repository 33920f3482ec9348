// Brelvano's player movie as SWF 6 bytes: one frame holding the player's
// ActionScript, on a stage of kPlayerWidth x kPlayerHeight pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace brelvano {

// Empty when the program could not be assembled.
std::vector<uint8_t> BuildPlayerMovie();

}  // namespace brelvano
