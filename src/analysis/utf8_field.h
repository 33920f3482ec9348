// Writes UTF-8 text into a fixed-width, zero-terminated character field
// without ever writing past it.
#pragma once

#include <cstdint>

namespace brelvano {

// Appends code points to `field` (width bytes). A character whose UTF-8 form
// would not leave room for the terminating zero byte is refused, and so is
// everything after it: the text is cut at a character boundary. The field is
// zero-terminated by finish() (and is left untouched when width < 1).
class Utf8FieldWriter {
 public:
  Utf8FieldWriter(char* field, int width) : field_(field), width_(width) {}

  // False when the character did not fit; the text is then complete.
  bool put(uint32_t codePoint);
  // Writes the zero byte behind the text.
  void finish();

 private:
  char* field_;
  int width_;
  int used_ = 0;
  bool full_ = false;
};

}  // namespace brelvano
