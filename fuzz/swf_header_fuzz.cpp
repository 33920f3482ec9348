// Bytes as the start of a player movie through ReadSwfHeaderBytes and the bit reader.
#include <cstdint>
#include <cstdlib>

#include "publish/swf_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  brelvano::ReadSwfHeaderBytes(data, size);
  // The bit reader on its own, with field widths taken from the input.
  brelvano::SwfBitReader reader(data, size);
  for (size_t i = 0; i < size && i < 64; ++i) {
    const int n = data[i] % 33;
    const uint32_t value = reader.GetBits(n);
    if (n < 32 && (value >> n) != 0) std::abort();  // never more bits than asked for
  }
  int32_t rect[4];
  reader.ReadRect(rect);
  return 0;
}
