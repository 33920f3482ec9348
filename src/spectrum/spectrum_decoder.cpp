#include "spectrum/spectrum_decoder.h"

#include "spectrum/layer3_spectrum_decoder.h"
#include "spectrum/spectrum_tables.h"

namespace brelvano {

namespace {

// The one decoder of the process: its reservoir, overlap and levels carry on
// from frame to frame and from file to file.
SpectrumDecoder& ProcessSpectrumDecoder() {
  static SpectrumDecoder decoder;
  return decoder;
}

}  // namespace

void SpectrumDecoderInit(int subbandLimit) { ProcessSpectrumTables().Build(subbandLimit); }

const float* SpectrumDecodeFrame(uint32_t header, const uint8_t* payload, int32_t length) {
  return ProcessSpectrumDecoder().DecodeFrame(header, payload, length);
}

}  // namespace brelvano
