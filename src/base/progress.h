// How the writers report how far they are into an MP3 file.
#pragma once

#include <cstdint>

namespace brelvano {

using ProgressContext = void*;
// position and total are byte offsets into the MP3 file; position 0 starts a file.
using ProgressCallback = void (*)(int64_t position, int64_t total, ProgressContext context);

}  // namespace brelvano
