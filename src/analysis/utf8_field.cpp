#include "analysis/utf8_field.h"

#include <utf8proc.h>

#include <cstring>

namespace brelvano {

bool Utf8FieldWriter::put(uint32_t codePoint) {
  if (full_ || width_ < 1) return false;
  utf8proc_uint8_t bytes[4];
  const auto length =
      static_cast<int>(utf8proc_encode_char(static_cast<utf8proc_int32_t>(codePoint), bytes));
  // Keep one byte for the terminator.
  if (length == 0 || used_ + length > width_ - 1) {
    full_ = true;
    return false;
  }
  std::memcpy(field_ + used_, bytes, static_cast<size_t>(length));
  used_ += length;
  return true;
}

void Utf8FieldWriter::finish() {
  if (width_ >= 1) field_[used_] = 0;
}

}  // namespace brelvano
