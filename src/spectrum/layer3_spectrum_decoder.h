// The partial Layer III decoder behind the spectrum: side information, bit
// reservoir, scale factors, stereo processing and mixing to one channel, then
// the spectrum values of every granule.
#pragma once

#include <cstdint>

#include "spectrum/granule_info.h"
#include "spectrum/layer3_tables.h"
#include "spectrum/spectrum_values.h"

namespace brelvano {

class FrameBitReader;

class SpectrumDecoder {
 public:
  // Payload bytes one frame buffer takes (after its 512 bytes of reservoir room).
  static constexpr int kMaxPayload = 1792;

  // header: the 4 header bytes, first in bits 31..24; payload: the bytes after
  // them (CRC, side information, main data). Returns the 32 levels or null.
  const float* DecodeFrame(uint32_t header, const uint8_t* payload, int32_t length);
  const float* levels() const { return values_.levels(); }

  // Called with the filter bank's output after every decoded granule.
  using GranuleObserver = void (*)(void* context, const SubbandSamples& samples);
  void SetGranuleObserver(GranuleObserver observer, void* context) {
    observer_ = observer;
    observerContext_ = context;
  }

 private:
  static constexpr int kReservoirRoom = 512;
  // 8 zero bytes after a payload let the bit reader peek without bounds checks.
  static constexpr int kBufferSize = kReservoirRoom + kMaxPayload + 8;

  int ReadScaleFactorsMpeg1(FrameBitReader& reader, int granule, int channel);
  int ReadScaleFactorsLsf(FrameBitReader& reader, int channel, bool intensityChannel);
  void IntensityStereo(layer3::BandRow row, bool lsf, bool msStereo);

  uint8_t buffers_[2][kBufferSize] = {};
  int nextBuffer_ = 0;
  int previousLength_ = 0;  // payload length of the buffer not named by nextBuffer_
  GranuleInfo info_[2][2];  // [granule][channel]
  ScaleFactors scaleFactors_[2];
  double lines_[2][layer3::kGranuleLines] = {};
  int lineLimit_ = layer3::kGranuleLines;  // lines from here up are zero
  SpectrumValues values_;
  GranuleObserver observer_ = nullptr;
  void* observerContext_ = nullptr;
  int granule_ = 0;  // granule being decoded, for the stereo stage
};

}  // namespace brelvano
