#include "analysis/frame_header.h"

#include "analysis/mpeg_audio_tables.h"

namespace brelvano {

int32_t DecodeFrameHeader(uint32_t header, int32_t& stereo, int32_t& freq, int32_t& bitrate,
                          int32_t& bodyLength) {
  const FrameHeader h{header};
  bodyLength = 0;
  if (h.sync() != 0x7FF) return kFrameNotHeader;
  if (h.versionId() == 1) return kFrameNotHeader;  // reserved
  if (h.layerId() == 0) return kFrameNotHeader;    // reserved
  const uint32_t bitrateIndex = h.bitrateIndex();
  if (bitrateIndex == 0 || bitrateIndex == 15) return kFrameNotHeader;  // free format, forbidden
  const int lsf = h.isLsf() ? 1 : 0;
  // Layer I and II headers are measured with the Layer III tables and formula:
  // they are only ever skipped, never streamed.
  bitrate = mpeg::kLayer3Bitrates[lsf][bitrateIndex];
  const uint32_t rateIndex = h.sampleRateIndex();
  if (rateIndex == 3) return kFrameNotHeader;
  const int versionRow = h.isMpeg1() ? 0 : (h.isMpeg25() ? 2 : 1);
  freq = mpeg::kSampleRates[versionRow][rateIndex];
  stereo = h.isMono() ? 0 : 1;
  // Layer III frame length: 144 * bit/s / rate bytes, halved for LSF; the
  // CRC word, when present, is part of the body.
  bodyLength = bitrate * 144000 / (freq << lsf) + static_cast<int32_t>(h.padding()) - 4;
  if (rateIndex != 0 || !h.isLayer3()) return kFrameUnsupported;
  return h.isMpeg1() ? 1152 : 576;
}

}  // namespace brelvano
