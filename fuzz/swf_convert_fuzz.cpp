// Converts fuzz bytes, written as an MP3 file, into an SWF movie and checks
// that the result is whole: header fields right, every tag complete, and the
// sound blocks made only of streamable frames, each at its own length.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/frame_header.h"
#include "base/conversion_abort.h"
#include "swf/mp3_to_swf.h"
#include "swf/swf_tags.h"

namespace {

using namespace brelvano;

// Levels taken from the frame bytes, so that spectrum tags get written.
class BodySpectrum final : public SpectrumSource {
 public:
  void Init(int) override {}
  const float* DecodeFrame(uint32_t header, const uint8_t* body, int32_t length) override {
    if (header & 0x10) return nullptr;
    for (int b = 0; b < 32; ++b)
      levels_[b] = length > b
                       ? static_cast<float>(body[b] % 33) + static_cast<float>(body[b] & 7) / 8.0f
                       : 0.0f;
    return levels_;
  }

 private:
  float levels_[32] = {};
};

const std::string& Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/swf_convert_fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    return std::string(pattern);
  }();
  return folder;
}

uint32_t Le(const uint8_t* p, int count) {
  uint32_t v = 0;
  for (int i = count - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// The frames a walk of the input one byte at a time finds from `skip` on,
// each whole (a body cut by the end of the file padded with zeros), with a
// fresh header window behind every frame and every skipped frame. Empty when
// the first header met is of a kind that cannot be streamed.
std::string ExpectedAudio(const uint8_t* mp3, size_t size, size_t skip) {
  std::string audio;
  uint32_t window = 0;
  int fresh = 0;
  for (size_t at = skip; at < size;) {
    window = window << 8 | mp3[at++];
    if (++fresh < 4) continue;
    int32_t stereo, freq, bitrate, bodyLength;
    const int32_t r = DecodeFrameHeader(window, stereo, freq, bitrate, bodyLength);
    if (r == -1) continue;
    if (r == -2 && audio.empty()) return audio;
    if (r > 0) {
      audio.append(reinterpret_cast<const char*>(mp3 + at - 4), 4);
      for (int32_t i = 0; i < bodyLength; ++i)
        audio.push_back(at + size_t(i) < size ? char(mp3[at + size_t(i)]) : 0);
    }
    at += size_t(bodyLength);
    fresh = 0;
    window = 0;
  }
  return audio;
}

// The MP3 frames of one SoundStreamBlock body (behind its 4-byte header).
void CheckFrames(const uint8_t* p, size_t size) {
  while (size > 0) {
    if (size < 4) std::abort();
    const uint32_t header =
        uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
    int32_t stereo, freq, bitrate, bodyLength;
    if (DecodeFrameHeader(header, stereo, freq, bitrate, bodyLength) <= 0) std::abort();
    if (size < 4 + static_cast<size_t>(bodyLength)) std::abort();
    p += 4 + bodyLength;
    size -= 4 + static_cast<size_t>(bodyLength);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // Byte 0: spectrum on/off, stop flags and a limit; byte 1: skip; byte 2: frame rate.
  SwfConversion conv;
  conv.mp3Path = Folder() + "/in.mp3";
  conv.spectrumOn = data[0] & 1;
  conv.stopFlags = (data[0] >> 1) & 3;
  conv.maxSeconds = (data[0] >> 3) & 3;
  conv.frameRate = 1 + data[2] % 200;
  _MP3prop prop;
  prop.skip = data[1] % 64;
  FILE* f = std::fopen(conv.mp3Path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data + 3, 1, size - 3, f);
  std::fclose(f);

  BodySpectrum spectrum;
  SwfSpectrumMemory memory;
  SwfMovie movie;
  conversionAbort().set(0);
  const int32_t status = ConvertMp3ToSwf(conv, prop, movie, SwfConversionHooks{&spectrum, &memory});
  const SwfBuffer& out = movie.buffer();
  const std::string expected = ExpectedAudio(data + 3, size - 3, size_t(prop.skip));
  if (status == kStatusUnsupported) {
    // Nothing written, and only for an input without a streamable first frame.
    if (out.GetPosition() != 0 || !expected.empty()) std::abort();
    return 0;
  }
  if (status != kStatusOk && status != kStatusTruncated) std::abort();
  const uint8_t* b = out.data();
  const size_t n = out.GetPosition();
  if (n < 14 || std::memcmp(b, "FWS\x06", 4) != 0 || Le(b + 4, 4) != n) std::abort();
  size_t at = 14, showFrames = 0;
  std::string audio;
  bool ended = false;
  while (at < n) {
    if (ended || at + 2 > n) std::abort();
    const uint32_t code = Le(b + at, 2) >> 6;
    uint32_t length = Le(b + at, 2) & 0x3F;
    at += 2;
    if (length == 0x3F) {
      if (at + 4 > n) std::abort();
      length = Le(b + at, 4);
      at += 4;
    }
    if (at + length > n) std::abort();
    if (code == kSwfTagSoundStreamBlock) {
      if (length < 4) std::abort();
      CheckFrames(b + at + 4, length - 4);
      audio.append(reinterpret_cast<const char*>(b + at + 4), length - 4);
    }
    if (code == kSwfTagShowFrame) ++showFrames;
    if (code == 0) ended = true;
    at += length;
  }
  if (!ended || Le(b + 12, 2) != (showFrames > 65535 ? 65535 : showFrames)) std::abort();
  // Every frame of the input in order, none made up; all of them unless truncated.
  if (expected.compare(0, audio.size(), audio) != 0) std::abort();
  if (status == kStatusOk && audio != expected) std::abort();
  return 0;
}
