// The track record every subsystem passes around: one MP3 file of a project,
// what its analysis found and how its conversion went.
#pragma once

#include <cstdint>
#include <string>

namespace brelvano {

// Tag fields; every text is UTF-8 and zero-terminated within its width.
struct _Id3 {
  // 0: holds no tag values (the next scan copies the file's tag in);
  // 1: read from the file's tag; 2: set by the user or read from a project
  // file (scans leave such fields alone).
  char valid = 0;
  char song[256] = {};
  char artist[80] = {};
  char album[80] = {};
  char year[5] = {};
  char comment[1024] = {};  // only an ID3v1 tag fills it
  char genre = 0;           // ID3v1 genre number
};

struct _MP3prop {
  _Id3 id3;
  int32_t bitrate = 0;   // kbit/s, mean over the supported frames
  int32_t vbr = 0;       // 1 when supported frames of different bit rates were seen
  int32_t freq = 0;      // Hz
  int32_t stereo = 0;    // 1 unless single channel
  int32_t duration = 0;  // whole seconds
  int32_t skip = 0;      // byte offset of the first supported frame header
};

// Output format of a track.
enum : int32_t { kFormatDefault = 0, kFormatSwf = 1, kFormatFlv = 2 };

// Track status codes.
enum : int32_t {
  kStatusUnknown = -2,       // no frame header at all
  kStatusNotConverted = -1,  // analysed and usable
  kStatusOk = 0,
  kStatusTruncated = 1,
  kStatusAborted = 2,
  kStatusCannotCreate = 3,
  kStatusCannotOpen = 4,
  kStatusUnsupported = 5,
};

struct _mp3entry {
  std::string filename;  // full path of the MP3 file, UTF-8; owned by the record
  int32_t format = kFormatDefault;
  int32_t status = kStatusNotConverted;
  _MP3prop prop;
};

}  // namespace brelvano
