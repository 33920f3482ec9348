// Placeholder until the Layer III decoder lands: no frame gives levels.
#include "spectrum/spectrum_decoder.h"

namespace brelvano {

void SpectrumDecoderInit(int) {}

const float* SpectrumDecodeFrame(uint32_t, const uint8_t*, int32_t) { return nullptr; }

}  // namespace brelvano
