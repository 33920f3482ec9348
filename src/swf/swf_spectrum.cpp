#include "swf/swf_spectrum.h"

#include <charconv>
#include <cstdint>

#include "swf/swf_tags.h"

namespace brelvano {

namespace {

// The levels last written into the movie, per band. -1.0 truncates to no
// level the decoder produces, so the first tag after a reset sets all bands.
class SentSpectrumLevels {
 public:
  static constexpr int kBands = 32;
  void Reset() {
    for (float& level : levels_) level = -1.0f;
  }
  float& operator[](int band) { return levels_[band]; }

 private:
  float levels_[kBands] = {-1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f,
                           -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f,
                           -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f};
};

SentSpectrumLevels& lastSentLevels() {
  static SentSpectrumLevels levels;
  return levels;
}

// Truncation toward zero, saturating where a float has no 32-bit integer.
int32_t IntegerPart(float level) {
  if (!(level > -2147483648.0f)) return level != level ? 0 : INT32_MIN;
  if (level >= 2147483648.0f) return INT32_MAX;
  return static_cast<int32_t>(level);
}

}  // namespace

void SwfWriteSpectrum(SwfBuffer& movie, const float* levels) {
  SentSpectrumLevels& sent = lastSentLevels();
  if (levels == nullptr) {
    sent.Reset();
    return;
  }
  static SwfBuffer actions;  // reused: one tag per movie frame
  actions.Clear();
  for (int band = 0; band < SentSpectrumLevels::kBands; ++band) {
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
