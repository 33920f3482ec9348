// Feeds arbitrary bytes to the ID3 tag reader and the MP3 file scan, both of
// which read outside files: neither may crash, hang or write past a field, and
// every text field must hold well-formed UTF-8.
#include <unistd.h>
#include <utf8proc.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/id3_tags.h"
#include "analysis/mp3_scan.h"

namespace {

// One scratch file per fuzzing process, rewritten for every input.
const std::string& ScratchPath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/id3_scan_fuzz-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    return std::string(pattern);
  }();
  return path;
}

void CheckTerminated(const char* field, size_t width) {
  if (memchr(field, 0, width) == nullptr) std::abort();
  const auto* text = reinterpret_cast<const utf8proc_uint8_t*>(field);
  const size_t length = strlen(field);
  for (size_t at = 0; at < length;) {
    utf8proc_int32_t codePoint;
    const utf8proc_ssize_t used =
        utf8proc_iterate(text + at, static_cast<utf8proc_ssize_t>(length - at), &codePoint);
    if (used <= 0) std::abort();
    at += static_cast<size_t>(used);
  }
}

void CheckFields(const brelvano::_Id3& id3) {
  CheckTerminated(id3.song, sizeof id3.song);
  CheckTerminated(id3.artist, sizeof id3.artist);
  CheckTerminated(id3.album, sizeof id3.album);
  CheckTerminated(id3.year, sizeof id3.year);
  CheckTerminated(id3.comment, sizeof id3.comment);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ScratchPath();
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return 0;
  if (size > 0) std::fwrite(data, 1, size, out);
  std::fclose(out);

  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return 0;
  brelvano::_Id3 id3;
  const int32_t length = brelvano::ReadId3Tags(in, id3);
  const long position = std::ftell(in);
  std::fclose(in);
  CheckFields(id3);
  if (length < 0 || position < 0 || position > static_cast<long>(size)) std::abort();

  brelvano::_MP3prop prop;
  const int32_t result = brelvano::ScanMp3File(path.c_str(), prop);
  CheckFields(prop.id3);
  if (result < 0 || result > 3 || prop.skip < 0) std::abort();
  return 0;
}
