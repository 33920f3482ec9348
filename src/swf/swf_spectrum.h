// The spectrum levels as the movie variables s0..s31.
#pragma once

#include "swf/swf_buffer.h"

namespace brelvano {

// levels null: forget what was sent (the next tag sets all 32 variables).
// Otherwise appends one DoAction tag setting the bands whose integer part
// changed since they were last written.
void SwfWriteSpectrum(SwfBuffer& movie, const float* levels);

}  // namespace brelvano
