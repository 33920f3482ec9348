// Measures an MP3 file: its tag, its first streamable frame, bit rate,
// sample rate, channels and duration.
#pragma once

#include <cstdint>

#include "analysis/mp3entry.h"
#include "base/input_file.h"

namespace brelvano {

// Results of ScanMp3File.
enum : int32_t {
  kScanOk = 0,           // supported frames, and no more unsupported than supported ones
  kScanCannotOpen = 1,   // the file cannot be opened
  kScanUnsupported = 2,  // more unsupported than supported frames
  kScanNoFrames = 3,     // no frame header at all
};

// What a scan saw beyond the record's fields.
struct Mp3ScanDetails {
  int64_t supportedFrames = 0;
  int64_t unsupportedFrames = 0;
  // End of the last frame (at most the file size); the duration counts the
  // bytes up to here, so trailing tags, junk or holes add no time.
  int64_t endOfAudio = 0;
  InputOpenError openError;  // why the file could not be opened (kScanCannotOpen)
};

// Scans the file at `path` (UTF-8) once, frame by frame, and writes what it
// finds into `prop`. The tag fields are taken from the file only when
// prop.id3.valid is 0. Every other number of `prop` is rewritten, except that
// `skip` keeps its value when the file cannot be opened. Only regular files
// are read: anything else cannot be opened.
int32_t ScanMp3File(const char* path, _MP3prop& prop, Mp3ScanDetails* details = nullptr);

}  // namespace brelvano
