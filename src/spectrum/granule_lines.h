// Huffman decoding and requantisation of one granule and channel into its
// 576 frequency lines.
#pragma once

#include "spectrum/frame_bit_reader.h"
#include "spectrum/granule_info.h"
#include "spectrum/layer3_tables.h"

namespace brelvano {

inline constexpr int kGranuleOk = 0;
inline constexpr int kGranuleOverrun = 1;  // the data needs more bits than part2_3_length leaves

// Reads from the first Huffman bit of the granule (the scale factors, part2Bits
// long, are already read). Fills the lines below lineLimit (subband-major, short-block
// lines interleaved by window), the band bounds and activeSubbands of `info`,
// and leaves the reader at the end of the granule's part2_3_length. Returns
// kGranuleOk or kGranuleOverrun (the lines decoded so far stay).
// Lines at or above lineLimit (at most 576) are still decoded, so that the
// bits, the band bounds and activeSubbands come out the same, but they are
// neither requantised nor written (they keep what they held): callers that
// need only the low subbands save the arithmetic.
// With accumulate, the values are added to the lines below lineLimit instead
// of replacing them (mixing a second channel in as it is decoded); the sums
// are those of adding the decoded lines afterwards.
int DecodeGranuleLines(FrameBitReader& reader, GranuleInfo& info, const ScaleFactors& scaleFactors,
                       int part2Bits, layer3::BandRow row, double* lines,
                       int lineLimit = layer3::kGranuleLines, bool accumulate = false);

}  // namespace brelvano
