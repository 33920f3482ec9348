#include "analysis/frame_header.h"

#include <gtest/gtest.h>

namespace brelvano {
namespace {

struct HeaderCase {
  const char* name;
  uint32_t header;
  int32_t result;
  int32_t stereo, freq, bitrate, bodyLength;  // expected outputs, -99 = not written
};

class DecodeFrameHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(DecodeFrameHeaderTest, DecodesFields) {
  const HeaderCase& c = GetParam();
  int32_t stereo = -99, freq = -99, bitrate = -99, bodyLength = -99;
  EXPECT_EQ(DecodeFrameHeader(c.header, stereo, freq, bitrate, bodyLength), c.result);
  EXPECT_EQ(stereo, c.stereo);
  EXPECT_EQ(freq, c.freq);
  EXPECT_EQ(bitrate, c.bitrate);
  EXPECT_EQ(bodyLength, c.bodyLength);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DecodeFrameHeaderTest,
    ::testing::Values(
        // MPEG-1 Layer III, no CRC, 128 kbit/s, 44100 Hz, joint stereo
        HeaderCase{"mpeg1_128k_joint", 0xFFFB9044, 1152, 1, 44100, 128, 413},
        HeaderCase{"mpeg1_128k_padded", 0xFFFB9244, 1152, 1, 44100, 128, 414},
        HeaderCase{"mpeg1_crc_counts_in_body", 0xFFFA9044, 1152, 1, 44100, 128, 413},
        HeaderCase{"mpeg1_320k_mono", 0xFFFBE0C0, 1152, 0, 44100, 320, 1040},
        HeaderCase{"mpeg1_32k", 0xFFFB1000, 1152, 1, 44100, 32, 100},
        // MPEG-2 Layer III, 64 kbit/s, 22050 Hz
        HeaderCase{"mpeg2_64k_22050", 0xFFF38000, 576, 1, 22050, 64, 204},
        HeaderCase{"mpeg2_160k_padded", 0xFFF3E200, 576, 1, 22050, 160, 519},
        // MPEG 2.5 Layer III, 32 kbit/s, 11025 Hz, mono
        HeaderCase{"mpeg25_32k_11025_mono", 0xFFE340C0, 576, 0, 11025, 32, 204},
        HeaderCase{"mpeg25_8k", 0xFFE310C0, 576, 0, 11025, 8, 48},
        // Valid headers of frames we cannot stream: all outputs filled.
        HeaderCase{"mpeg1_48000", 0xFFFB9444, -2, 1, 48000, 128, 380},
        HeaderCase{"mpeg1_32000", 0xFFFB9844, -2, 1, 32000, 128, 572},
        HeaderCase{"mpeg2_24000", 0xFFF38400, -2, 1, 24000, 64, 188},
        HeaderCase{"layer2_44100", 0xFFFD9044, -2, 1, 44100, 128, 413},
        HeaderCase{"layer1_44100", 0xFFFF9044, -2, 1, 44100, 128, 413},
        // Not headers.
        HeaderCase{"no_sync", 0x7FFB9044, -1, -99, -99, -99, 0},
        HeaderCase{"reserved_version", 0xFFEB9044, -1, -99, -99, -99, 0},
        HeaderCase{"reserved_layer", 0xFFF99044, -1, -99, -99, -99, 0},
        HeaderCase{"free_format", 0xFFFB0044, -1, -99, -99, -99, 0},
        HeaderCase{"bitrate_index_15", 0xFFFBF044, -1, -99, -99, -99, 0},
        // The bit rate is known before the sample-rate index is rejected.
        HeaderCase{"sample_rate_index_3", 0xFFFB9C44, -1, -99, -99, 128, 0},
        HeaderCase{"zero", 0x00000000, -1, -99, -99, -99, 0}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST(FrameHeaderFields, AccessorsReadTheirBits) {
  constexpr FrameHeader h{0xFFFA9264};  // CRC, padding, joint stereo with mode extension 2
  static_assert(h.isMpeg1() && h.isLayer3() && h.hasCrc());
  static_assert(h.padding() == 1 && h.mode() == 1 && h.modeExtension() == 2 && h.channels() == 2);
  static_assert(FrameHeader{0xFFE340C0}.isMpeg25() && FrameHeader{0xFFE340C0}.isMono());
}

}  // namespace
}  // namespace brelvano
