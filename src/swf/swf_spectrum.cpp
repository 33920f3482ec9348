#include "swf/swf_spectrum.h"

#include <charconv>
#include <cstdint>

#include "swf/swf_tags.h"

namespace brelvano {

namespace {

// Truncation toward zero, saturating where a float has no 32-bit integer.
int32_t IntegerPart(float level) {
  if (!(level > -2147483648.0f)) return level != level ? 0 : INT32_MIN;
  if (level >= 2147483648.0f) return INT32_MAX;
  return static_cast<int32_t>(level);
}

}  // namespace

SwfSpectrumMemory& swfSpectrumMemory() {
  static SwfSpectrumMemory memory;
  return memory;
}

void SwfWriteSpectrum(SwfBuffer& movie, const float* levels) {
  SwfWriteSpectrum(movie, swfSpectrumMemory(), levels);
}

void SwfWriteSpectrum(SwfBuffer& movie, SwfSpectrumMemory& sent, const float* levels) {
  if (levels == nullptr) {
    sent.Reset();
    return;
  }
  static SwfBuffer actions;  // reused: one tag per movie frame
  actions.Clear();
  for (int band = 0; band < SwfSpectrumMemory::kBands; ++band) {
    const int32_t now = IntegerPart(levels[band]);
    if (now == IntegerPart(sent[band])) continue;
    // "s%d" and "%d", without a formatted print per band and frame.
    char name[8] = "s";
    char value[16];
    *std::to_chars(name + 1, name + sizeof name - 1, band).ptr = '\0';
    *std::to_chars(value, value + sizeof value - 1, now).ptr = '\0';
    SwfPushSetVariable(actions, name, value);
    sent[band] = levels[band];
  }
  actions.PutByte(0x00);  // end of actions
  movie.PutTagHeader(kSwfTagDoAction, static_cast<int32_t>(actions.GetPosition()), false);
  movie.Append(actions);
}

}  // namespace brelvano
