#include "flv/flv_spectrum.h"

#include <cmath>
#include <cstdio>

#include "flv/amf_writer.h"
#include "flv/flv_format.h"
#include "flv/flv_tags.h"

namespace brelvano {

FlvSpectrumMemory& flvSpectrumMemory() {
  static FlvSpectrumMemory memory;
  return memory;
}

// Compared as whole parts; in floating point so that no level can overflow a cast.
static bool BandChanged(float remembered, float level) {
  return std::trunc(static_cast<double>(remembered)) != std::trunc(static_cast<double>(level));
}

int32_t FlvWriteSpectrumTag(FlvStream& out, FlvSpectrumMemory& memory, const float* levels,
                            double milliseconds) {
  if (!levels) {
    memory.Reset();
    return 0;
  }
  uint32_t changed = 0;
  for (int band = 0; band < kSpectrumBands; ++band) {
    if (BandChanged(memory.level(band), levels[band])) ++changed;
  }
  if (changed == 0) return 0;

  const FlvOpenTag tag = FlvBeginTag(out, kFlvTagScriptData, milliseconds);
  out.PutByte(kAmfString);
  FlvWriteEcmaArrayStart(out, "onMetaData", changed);
  for (int band = 0; band < kSpectrumBands; ++band) {
    if (!BandChanged(memory.level(band), levels[band])) continue;
    char name[8];
    std::snprintf(name, sizeof name, "s%d", band);
    FlvWriteNumberProperty(out, name, nullptr,
                           std::floor(static_cast<double>(levels[band]) * 10.0) / 10.0);
    memory.set(band, levels[band]);
  }
  FlvWriteObjectEnd(out);
  return static_cast<int32_t>(FlvEndTag(out, tag));
}

int32_t FlvWriteSpectrumTag(FlvStream& out, const float* levels, double milliseconds) {
  return FlvWriteSpectrumTag(out, flvSpectrumMemory(), levels, milliseconds);
}

}  // namespace brelvano
