#include "spectrum/spectrum_source.h"

#include "spectrum/spectrum_decoder.h"

namespace brelvano {

namespace {

class ProcessSpectrumSource final : public SpectrumSource {
 public:
  void Init(int subbandLimit) override { SpectrumDecoderInit(subbandLimit); }
  const float* DecodeFrame(uint32_t header, const uint8_t* body, int32_t length) override {
    return SpectrumDecodeFrame(header, body, length);
  }
};

}  // namespace

SpectrumSource& processSpectrumSource() {
  static ProcessSpectrumSource source;
  return source;
}

}  // namespace brelvano
