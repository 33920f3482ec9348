// Helpers of the spectrum tests: frame splitting and the standard's polyphase
// synthesis over the decoder's subband samples.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/frame_header.h"
#include "spectrum/layer3_spectrum_decoder.h"
#include "support/test_files.h"

namespace brelvano::test {

struct Mp3Frame {
  uint32_t header = 0;
  const uint8_t* payload = nullptr;
  int32_t length = 0;
  int samples = 0;  // per channel: 1152 or 576
  int channels = 0;
};

// The complete frames of a file in order, found by stepping over bytes that
// start no frame; a cut last frame is left out.
inline std::vector<Mp3Frame> SplitFrames(const Bytes& bytes) {
  std::vector<Mp3Frame> frames;
  for (size_t at = 0; at + 4 <= bytes.size();) {
    const uint32_t word = (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
                          (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
    int32_t stereo = 0, freq = 0, bitrate = 0, body = 0;
    const int32_t samples = DecodeFrameHeader(word, stereo, freq, bitrate, body);
    const size_t end = at + 4 + static_cast<size_t>(body);
    if (samples <= 0 || end > bytes.size()) {
      ++at;
      continue;
    }
    frames.push_back({word, bytes.data() + at + 4, body, samples, stereo ? 2 : 1});
    at = end;
  }
  return frames;
}

// The synthesis window D[i], i = 0..256, in units of 2^-16 (ISO/IEC 11172-3,
// Table B.3); D[512 - i] = -D[i] except at multiples of 64.
inline constexpr int32_t kSynthesisWindow[257] = {
    0, -1, -1, -1, -1, -1, -1, -2, -2, -2, -2, -3, -3, -4, -4, -5, -5, -6, -7, -7, -8, -9, -10, -11, -13, -14, -16,
    -17, -19, -21, -24, -26, -29, -31, -35, -38, -41, -45, -49, -53, -58, -63, -68, -73, -79, -85, -91, -97, -104,
    -111, -117, -125, -132, -139, -147, -154, -161, -169, -176, -183, -190, -196, -202, -208, 213, 218, 222, 225, 227,
    228, 228, 227, 224, 221, 215, 208, 200, 189, 177, 163, 146, 127, 106, 83, 57, 29, -2, -36, -72, -111, -153, -197,
    -244, -294, -347, -401, -459, -519, -581, -645, -711, -779, -848, -919, -991, -1064, -1137, -1210, -1283, -1356,
    -1428, -1498, -1567, -1634, -1698, -1759, -1817, -1870, -1919, -1962, -2001, -2032, -2057, -2075, -2085, -2087,
    -2080, -2063, 2037, 2000, 1952, 1893, 1822, 1739, 1644, 1535, 1414, 1280, 1131, 970, 794, 605, 402, 185, -45,
    -288, -545, -814, -1095, -1388, -1692, -2006, -2330, -2663, -3004, -3351, -3705, -4063, -4425, -4788, -5153,
    -5517, -5879, -6237, -6589, -6935, -7271, -7597, -7910, -8209, -8491, -8755, -8998, -9219, -9416, -9585, -9727,
    -9838, -9916, -9959, -9966, -9935, -9863, -9750, -9592, -9389, -9139, -8840, -8492, -8092, -7640, -7134, 6574,
    5959, 5288, 4561, 3776, 2935, 2037, 1082, 70, -998, -2122, -3300, -4533, -5818, -7154, -8540, -9975, -11455,
    -12980, -14548, -16155, -17799, -19478, -21189, -22929, -24694, -26482, -28289, -30112, -31947, -33791, -35640,
    -37489, -39336, -41176, -43006, -44821, -46617, -48390, -50137, -51853, -53534, -55178, -56778, -58333, -59838,
    -61289, -62684, -64019, -65290, -66494, -67629, -68692, -69679, -70590, -71420, -72169, -72835, -73415, -73908,
    -74313, -74630, -74856, -74992, 75038,
};

// The standard's polyphase synthesis (ISO/IEC 11172-3, Annex A, Figure A.2),
// with the frequency inversion the spectrum decoder leaves out.
class PolyphaseSynthesis {
 public:
  PolyphaseSynthesis() {
    for (int i = 0; i <= 256; ++i) {
      window_[i] = kSynthesisWindow[i] / 65536.0;
      if (i != 0) window_[512 - i] = i % 64 != 0 ? -window_[i] : window_[i];
    }
    for (int i = 0; i < 64; ++i) {
      for (int k = 0; k < 32; ++k) matrix_[i][k] = std::cos((16 + i) * (2 * k + 1) * std::numbers::pi / 64);
    }
  }
  void Granule(const SubbandSamples& samples, std::vector<double>& out) {
    for (int t = 0; t < 18; ++t) {
      std::copy_backward(v_, v_ + 960, v_ + 1024);
      for (int i = 0; i < 64; ++i) {
        v_[i] = 0;
        for (int k = 0; k < 32; ++k) v_[i] += matrix_[i][k] * (k & t & 1 ? -samples[t][k] : samples[t][k]);
      }
      for (int j = 0; j < 32; ++j) {
        double sum = 0;
        for (int i = 0; i < 8; ++i) {
          sum += v_[i * 128 + j] * window_[i * 64 + j] + v_[i * 128 + 96 + j] * window_[i * 64 + 32 + j];
        }
        out.push_back(sum);
      }
    }
  }

 private:
  double window_[512] = {};
  double matrix_[64][32] = {};
  double v_[1024] = {};
};

// A fresh decoder's output synthesised to one channel (full scale 1.0).
// frameStart[f] is where frame f's samples begin; a frame that returns null
// is filled with zeros and counted in `failed`.
struct MonoDecoding {
  std::vector<double> pcm;
  std::vector<size_t> frameStart;
  int failed = 0;
  PolyphaseSynthesis synthesis;
};

inline MonoDecoding DecodeToMono(const std::vector<Mp3Frame>& frames) {
  MonoDecoding result;
  SpectrumDecoder decoder;
  decoder.SetGranuleObserver(
      [](void* context, const SubbandSamples& samples) {
        auto* r = static_cast<MonoDecoding*>(context);
        r->synthesis.Granule(samples, r->pcm);
      },
      &result);
  for (const Mp3Frame& frame : frames) {
    const size_t start = result.pcm.size();
    result.frameStart.push_back(start);
    if (decoder.DecodeFrame(frame.header, frame.payload, frame.length) == nullptr) ++result.failed;
    result.pcm.resize(start + static_cast<size_t>(frame.samples), 0.0);
  }
  result.frameStart.push_back(result.pcm.size());
  return result;
}

}  // namespace brelvano::test
