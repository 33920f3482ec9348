#include "spectrum/layer3_spectrum_decoder.h"

#include <algorithm>
#include <cstring>

#include "analysis/frame_header.h"
#include "spectrum/frame_bit_reader.h"
#include "spectrum/granule_lines.h"
#include "spectrum/spectrum_tables.h"

namespace brelvano {

using namespace layer3;

namespace {

// Side information length in bytes by [LSF][channels - 1], without CRC.
//   ISO/IEC 11172-3, 2.4.1.7; ISO/IEC 13818-3, 2.4.1.7
constexpr int kSideInfoBytes[2][2] = {{17, 32}, {9, 17}};

// MPEG-1 intensity positions 7..15 name no direction (7 is the standard's
// illegal position; the others have no ratio): such bands stay as they are.
constexpr uint8_t kMpeg1IllegalPosition = 7;

// LSF: a group coded with no bits has no illegal position.
constexpr uint8_t kNoIllegalPosition = 255;

}  // namespace

int SpectrumDecoder::ReadScaleFactorsMpeg1(FrameBitReader& reader, int granule, int channel) {
  const GranuleInfo& info = info_[granule][channel];
  ScaleFactors& sf = scaleFactors_[channel];
  const int slen1 = kSlen1[info.scalefacCompress & 15];
  const int slen2 = kSlen2[info.scalefacCompress & 15];
  std::fill(std::begin(sf.illegalPosition), std::end(sf.illegalPosition), kMpeg1IllegalPosition);
  int bits = 0;
  auto read = [&](int first, int count, int slen) {
    for (int i = first; i < first + count; ++i)
      sf.value[i] = static_cast<uint8_t>(reader.Read(slen));
    bits += count * slen;
  };
  if (info.blockType == 2) {
    if (info.mixedBlockFlag) {
      read(0, 17, slen1);  // 8 long bands, short bands 3..5
      read(17, 18, slen2);
      std::fill(sf.value + 35, sf.value + kScaleFactorSlots, 0);
    } else {
      read(0, 18, slen1);
      read(18, 18, slen2);
      std::fill(sf.value + 36, sf.value + kScaleFactorSlots, 0);
    }
    return bits;
  }
  // Groups of long bands that scfsi can carry over from granule 0.
  static constexpr int kGroupStart[5] = {0, 6, 11, 16, 21};
  for (int g = 0; g < 4; ++g) {
    const bool reuse = info.scfsi >= 0 && (info.scfsi & (8 >> g)) != 0;
    if (!reuse) read(kGroupStart[g], kGroupStart[g + 1] - kGroupStart[g], g < 2 ? slen1 : slen2);
  }
  std::fill(sf.value + 21, sf.value + kScaleFactorSlots, 0);
  return bits;
}

int SpectrumDecoder::ReadScaleFactorsLsf(FrameBitReader& reader, int channel,
                                         bool intensityChannel) {
  GranuleInfo& info = info_[0][channel];
  ScaleFactors& sf = scaleFactors_[channel];
  const SpectrumTables& tables = SpectrumTablesReady();
  const LsfScaleFactorLengths& lengths =
      intensityChannel ? tables.lsfIntensityLengths[(info.scalefacCompress >> 1) & 255]
                       : tables.lsfLengths[info.scalefacCompress & 511];
  info.preflag = lengths.preflag;
  const int kind =
      info.blockType == 2 ? (info.mixedBlockFlag ? kBlockMixed : kBlockShort) : kBlockLong;
  const auto& counts = kNrOfSfb[lengths.row][kind];
  int slot = 0;
  int bits = 0;
  for (int g = 0; g < 4; ++g) {
    const int slen = lengths.slen[g];
    // The intensity position that names no direction is the largest value
    // of the band's length; a band coded with no bits has position 0.
    const uint8_t illegal = slen == 0 ? kNoIllegalPosition : static_cast<uint8_t>((1 << slen) - 1);
    for (int i = 0; i < counts[g]; ++i, ++slot) {
      sf.value[slot] = static_cast<uint8_t>(reader.Read(static_cast<uint32_t>(slen)));
      sf.illegalPosition[slot] = illegal;
    }
    bits += slen * counts[g];
  }
  std::fill(sf.value + slot, sf.value + kScaleFactorSlots, 0);
  std::fill(sf.illegalPosition + slot, sf.illegalPosition + kScaleFactorSlots,
            kMpeg1IllegalPosition);
  return bits;
}

void SpectrumDecoder::IntensityStereo(BandRow row, bool lsf, bool msStereo) {
  const SpectrumTables& tables = SpectrumTablesReady();
  const GranuleInfo& right = info_[granule_][1];
  const ScaleFactors& sf = scaleFactors_[1];
  const BandLayout& layout = kBandLayouts[row];
  double* l0 = lines_[0];
  double* l1 = lines_[1];
  const int ms = msStereo ? 1 : 0;

  // Applies the position held in slot `slot` to `count` lines from `first`, `stride` apart.
  auto applyPosition = [&](int position, int first, int count, int stride) {
    double r0;
    double r1;
    if (lsf) {
      const auto& ratio = tables.lsfIntensity[right.scalefacCompress & 1][ms][position & 31];
      r0 = ratio[0];
      r1 = ratio[1];
    } else {
      if (position >= kMpeg1IllegalPosition) return;
      r0 = tables.mpeg1Intensity[ms][position][0];
      r1 = tables.mpeg1Intensity[ms][position][1];
    }
    for (int i = 0, at = first; i < count; ++i, at += stride) {
      const double v = l0[at];
      l0[at] = v * r0;
      l1[at] = v * r1;
    }
  };
  auto apply = [&](int slot, int first, int count, int stride) {
    if (sf.value[slot] != sf.illegalPosition[slot])
      applyPosition(sf.value[slot], first, count, stride);
  };
  // The top band has no scale factor of its own: it takes the position of the
  // band below when that band is intensity-coded too, else the centre.
  const int centre = lsf ? 0 : 3;
  auto shortBand = [&](int band, int window, int slot) {
    const int start = layout.shortStart[band];
    apply(slot, 3 * start + window, layout.shortStart[band + 1] - start, 3);
  };
  auto longBand = [&](int band, int slot) {
    apply(slot, layout.longStart[band], layout.longStart[band + 1] - layout.longStart[band], 1);
  };
  auto topShortBand = [&](int window) {
    const int start = layout.shortStart[12];
    applyPosition(centre, 3 * start + window, layout.shortStart[13] - start, 3);
  };
  auto topLongBand = [&]() {
    applyPosition(centre, layout.longStart[21], layout.longStart[22] - layout.longStart[21], 1);
  };

  if (right.blockType == 2) {
    const int longPart = right.mixedBlockFlag ? layout.mixedLongBands : 0;
    auto slotOf = [&](int band, int window) {
      return right.mixedBlockFlag ? longPart + 3 * (band - 3) + window : 3 * band + window;
    };
    for (int w = 0; w < 3; ++w) {
      const int from = right.shortBandBound[w];
      for (int band = from; band <= 11; ++band) shortBand(band, w, slotOf(band, w));
      if (from <= 11) {
        shortBand(12, w, slotOf(11, w));
      } else if (from == 12) {
        topShortBand(w);
      }
    }
    if (right.mixedBlockFlag && right.shortBandBound[0] <= 3 && right.shortBandBound[1] <= 3 &&
        right.shortBandBound[2] <= 3) {
      for (int band = right.longBandBound; band < longPart; ++band) longBand(band, band);
    }
    return;
  }
  if (right.longBandBound <= 21) {
    for (int band = right.longBandBound; band <= 20; ++band) longBand(band, band);
    if (right.longBandBound <= 20) {
      longBand(21, 20);
    } else {
      topLongBand();
    }
  }
}

const float* SpectrumDecoder::DecodeFrame(uint32_t headerWord, const uint8_t* payload,
                                          int32_t length) {
  // Payloads that do not fit a frame buffer cannot come from an accepted
  // frame: refuse them before touching the state.
  if (length < 0 || length > kMaxPayload || (payload == nullptr && length > 0)) return nullptr;
  const SpectrumTables& tables = SpectrumTablesReady();
  const FrameHeader header{headerWord};
  const bool lsf = header.versionId() != 3 && header.versionId() != 1;
  const BandRow row = header.versionId() == 2   ? kRowMpeg2
                      : header.versionId() == 0 ? kRowMpeg25
                                                : kRowMpeg1;
  const int channels = header.mode() == 3 ? 1 : 2;
  const bool mixing = channels == 2;
  const bool joint = header.mode() == 1;
  const bool msStereo = joint && (header.modeExtension() & 2) != 0;
  const bool intensity = joint && (header.modeExtension() & 1) != 0;
  const int gainOffset = (mixing ? 4 : 0) + (msStereo ? 2 : 0);
  const int granules = lsf ? 1 : 2;

  // Frame buffers: the payload goes behind 512 bytes of room for the reservoir.
  const int current = nextBuffer_;
  const int previous = current ^ 1;
  nextBuffer_ = previous;
  uint8_t* buffer = buffers_[current];
  if (length > 0) std::memcpy(buffer + kReservoirRoom, payload, static_cast<size_t>(length));
  std::memset(buffer + kReservoirRoom + length, 0, 8);
  FrameBitReader reader(buffer, kReservoirRoom, static_cast<uint32_t>(kReservoirRoom + length));

  int sideInfoBytes = kSideInfoBytes[lsf ? 1 : 0][channels - 1];
  if (header.hasCrc()) {
    reader.Skip(16);  // not checked
    sideInfoBytes += 2;
  }

  // Side information.
  for (auto& granule : info_) {
    for (auto& info : granule) info = GranuleInfo{};
  }
  const int mainDataBegin = static_cast<int>(reader.Read(lsf ? 8 : 9));
  reader.Skip(lsf ? (channels == 1 ? 1 : 2) : (channels == 1 ? 5 : 3));
  if (!lsf) {
    for (int ch = 0; ch < channels; ++ch) {
      info_[0][ch].scfsi = -1;
      info_[1][ch].scfsi = static_cast<int>(reader.Read(4));
    }
  } else {
    for (int ch = 0; ch < channels; ++ch) info_[0][ch].scfsi = -1;
  }
  const BandLayout& layout = kBandLayouts[row];
  for (int gr = 0; gr < granules; ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      GranuleInfo& info = info_[gr][ch];
      info.part23Length = static_cast<int>(reader.Read(12));
      info.bigValues = std::min(288, static_cast<int>(reader.Read(9)));
      info.gainBase = 256 - static_cast<int>(reader.Read(8)) + gainOffset;
      info.scalefacCompress = static_cast<int>(reader.Read(lsf ? 9 : 4));
      if (reader.Read(1)) {
        info.blockType = static_cast<int>(reader.Read(2));
        info.mixedBlockFlag = static_cast<int>(reader.Read(1));
        info.tableSelect[0] = static_cast<int>(reader.Read(5));
        info.tableSelect[1] = static_cast<int>(reader.Read(5));
        info.tableSelect[2] = 0;
        for (int& g : info.shortGainBase) g = info.gainBase + 8 * static_cast<int>(reader.Read(3));
        if (info.blockType == 0) return nullptr;  // window switching needs a block type
        info.region1Start = (!lsf || info.blockType == 2) ? 18 : 27;
        info.region2Start = 288;
      } else {
        for (int& t : info.tableSelect) t = static_cast<int>(reader.Read(5));
        const int region0 = static_cast<int>(reader.Read(4));
        const int region1 = static_cast<int>(reader.Read(3));
        // region0_count + region1_count + 2 can pass the last band start: it
        // then means the end of the granule.
        info.region1Start = layout.longStart[region0 + 1] / 2;
        info.region2Start = layout.longStart[std::min(region0 + region1 + 2, kLongBands)] / 2;
        for (int& g : info.shortGainBase) g = info.gainBase;
      }
      if (!lsf) info.preflag = static_cast<int>(reader.Read(1));
      info.scalefacScale = static_cast<int>(reader.Read(1));
      info.count1TableSelect = static_cast<int>(reader.Read(1));
    }
  }

  // Bit reservoir: the main data begins main_data_begin bytes before the end
  // of the side information, in the previous payload's last bytes.
  const int mainStart = kReservoirRoom + sideInfoBytes - mainDataBegin;
  if (mainDataBegin > 0) {
    std::memcpy(buffer + mainStart,
                buffers_[previous] + kReservoirRoom + previousLength_ - mainDataBegin,
                static_cast<size_t>(mainDataBegin));
  }
  previousLength_ = length;
  reader.setPosition(static_cast<uint32_t>(mainStart) * 8u);

  // Without an observer only the weighted subbands are wanted: the lines
  // above them, but for the first 8 of the next subband that its alias
  // butterflies with the last weighted one read, need no arithmetic.
  const int wantedSubbands = observer_ != nullptr ? kSubbands : kWeightedSubbands;
  const int lineLimit =
      observer_ != nullptr ? kGranuleLines : kSubbandLines * kWeightedSubbands + 8;
  // The Huffman stage leaves the lines from the limit up alone, and the
  // stereo stage keeps zeros there zero: clear them when the limit changes.
  if (lineLimit != lineLimit_) {
    for (auto& channel : lines_) std::fill(std::begin(channel), std::end(channel), 0.0);
    lineLimit_ = lineLimit;
  }
  for (int gr = 0; gr < granules; ++gr) {
    granule_ = gr;
    for (int ch = 0; ch < channels; ++ch) {
      const int part2Bits = lsf ? ReadScaleFactorsLsf(reader, ch, ch == 1 && intensity)
                                : ReadScaleFactorsMpeg1(reader, gr, ch);
      // Without M/S or intensity stereo the second channel is mixed in as it
      // is decoded: its lines are not needed on their own.
      const bool mixIn = ch == 1 && !msStereo && !intensity;
      if (DecodeGranuleLines(reader, info_[gr][ch], scaleFactors_[ch], part2Bits, row,
                             lines_[mixIn ? 0 : ch], lineLimit, mixIn) != kGranuleOk) {
        return nullptr;
      }
    }
    GranuleInfo& left = info_[gr][0];
    if (channels == 2) {
      GranuleInfo& right = info_[gr][1];
      if (msStereo) {
        const int count =
            std::min(lineLimit, 18 * std::max(left.activeSubbands, right.activeSubbands));
        for (int i = 0; i < count; ++i) {
          const double a = lines_[0][i];
          const double b = lines_[1][i];
          lines_[0][i] = a + b;
          lines_[1][i] = a - b;
        }
      }
      if (intensity) IntensityStereo(row, lsf, msStereo);
      const int active = std::max(left.activeSubbands, right.activeSubbands);
      left.activeSubbands = right.activeSubbands = active;
      if (msStereo || intensity) {
        const int mixed = std::min(lineLimit, 18 * active);
        for (int i = 0; i < mixed; ++i) lines_[0][i] += lines_[1][i];
      }
    }
    values_.GranuleSpectrumUpdate(lines_[0], left.blockType, left.mixedBlockFlag,
                                  left.activeSubbands, wantedSubbands);
    if (observer_ != nullptr) observer_(observerContext_, values_.subbandSamples());
  }
  (void)tables;
  return values_.levels();
}

}  // namespace brelvano
