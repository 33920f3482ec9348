// Converts fuzz bytes, written as an MP3 file, into an FLV file and checks
// that the result is whole: every tag complete and the patched sizes right.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/conversion_abort.h"
#include "flv/mp3_to_flv.h"

namespace {

using namespace brelvano;

// Levels taken from the frame bytes, so that spectrum tags get written.
class BodySpectrum final : public FlvSpectrumSource {
 public:
  void Init(int) override {}
  const float* DecodeFrame(uint32_t header, const uint8_t* body, int32_t length) override {
    if (header & 0x10) return nullptr;
    for (int b = 0; b < kSpectrumBands; ++b)
      levels_[b] = length > b
                       ? static_cast<float>(body[b] % 33) + static_cast<float>(body[b] & 7) / 8.0f
                       : 0.0f;
    return levels_;
  }

 private:
  float levels_[kSpectrumBands] = {};
};

const std::string& Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/flv_convert_fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    return std::string(pattern);
  }();
  return folder;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

uint32_t Be(const std::vector<uint8_t>& b, size_t at, int count) {
  uint32_t v = 0;
  for (int i = 0; i < count; ++i) v = v << 8 | b[at + static_cast<size_t>(i)];
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Byte 0: spectrum on/off, stop flags and a limit; byte 1: skip.
  const int32_t spectrumOn = data[0] & 1;
  const uint8_t stopFlags = (data[0] >> 1) & 3;
  const int32_t maxSeconds = (data[0] >> 3) & 3;
  _MP3prop prop;
  prop.skip = data[1] % 64;
  const std::string mp3 = Folder() + "/in.mp3";
  const std::string flv = Folder() + "/out.flv";
  FILE* f = std::fopen(mp3.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data + 2, 1, size - 2, f);
  std::fclose(f);
  std::remove(flv.c_str());

  BodySpectrum spectrum;
  FlvSpectrumMemory memory;
  FlvConversionHooks hooks;
  hooks.spectrum = &spectrum;
  hooks.spectrumMemory = &memory;
  conversionAbort().set(0);
  const int32_t status = ConvertMp3ToFlv(mp3.c_str(), flv.c_str(), spectrumOn, stopFlags,
                                         maxSeconds, prop, nullptr, nullptr, hooks);
  const std::vector<uint8_t> out = ReadAll(flv);
  if (status == kStatusUnsupported) {
    if (!out.empty()) std::abort();  // no file for an unsupported input
    return 0;
  }
  if (status != kStatusOk && status != kStatusTruncated) std::abort();
  if (out.size() < 13 || std::memcmp(out.data(), "FLV\x01\x05\0\0\0\x09\0\0\0\0", 13) != 0)
    std::abort();
  size_t at = 13;
  while (at < out.size()) {
    if (at + 11 > out.size()) std::abort();
    const uint32_t dataSize = Be(out, at + 1, 3);
    if (at + 11 + dataSize + 4 > out.size()) std::abort();
    if (Be(out, at + 11 + dataSize, 4) != dataSize + 11) std::abort();
    if (out[at] != 8 && out[at] != 18) std::abort();
    at += 11 + dataSize + 4;
  }
  return 0;
}
