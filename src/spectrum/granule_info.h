// Side information of one granule and channel.
#pragma once

#include <cstdint>

namespace brelvano {

struct GranuleInfo {
  int scfsi = 0;  // 4 selection bits (MPEG-1 granule 1); -1: read every scale factor
  int part23Length = 0;
  int bigValues = 0;  // pairs, capped at 288
  int gainBase = 0;   // index into the gain table for a scale factor of 0
  int scalefacCompress = 0;
  int blockType = 0;  // 0 normal, 1 start, 2 short, 3 stop
  int mixedBlockFlag = 0;
  int tableSelect[3] = {0, 0, 0};
  int shortGainBase[3] = {0, 0, 0};  // gain base + 8 * subblock_gain[w]
  int region1Start = 0;              // in pairs of lines
  int region2Start = 0;
  int preflag = 0;
  int scalefacScale = 0;
  int count1TableSelect = 0;
  // Written by the Huffman stage:
  int shortBandBound[3] = {0, 0, 0};  // 1 + last short band holding a non-zero line, per window
  int longBandBound = 0;              // 1 + last long band holding a non-zero line
  int activeSubbands = 1;             // subbands from here up hold only zeros
};

// The scale factors of one channel in the order of the line map: one per long
// band, three per short band (window-minor), or the mixed-block mix of both.
struct ScaleFactors {
  uint8_t value[39] = {};
  // Intensity stereo: the position that leaves a band untouched, per slot.
  uint8_t illegalPosition[39] = {};
};

}  // namespace brelvano
