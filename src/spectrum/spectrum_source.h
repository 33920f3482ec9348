// The spectrum analysis a writer feeds its frames to: the process-wide
// decoder, or a stand-in that tests and fuzz targets provide.
#pragma once

#include <cstdint>

namespace brelvano {

class SpectrumSource {
 public:
  virtual ~SpectrumSource() = default;
  virtual void Init(int subbandLimit) = 0;
  // 32 levels, or null when the frame cannot be analysed; valid until the next call.
  virtual const float* DecodeFrame(uint32_t header, const uint8_t* body, int32_t length) = 0;
};

// Forwards to SpectrumDecoderInit and SpectrumDecodeFrame.
SpectrumSource& processSpectrumSource();

}  // namespace brelvano
