// A minimal reader of the uncompressed SWF movies we write, for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace brelvano::test {

struct SwfTag {
  uint32_t code = 0;
  bool longForm = false;
  Bytes body;
};

struct SwfFile {
  bool ok = false;  // parsed to the End tag with nothing left over
  std::string error;
  uint8_t version = 0;
  uint32_t fileLength = 0;
  uint16_t frameRate = 0;  // 8.8 fixed point
  uint16_t frameCount = 0;
  std::vector<SwfTag> tags;  // End tag included

  size_t count(uint32_t code) const;
};

SwfFile ParseSwf(const Bytes& bytes);

// Variables set by one DoAction body made of push/push/setvariable groups.
std::vector<std::pair<std::string, std::string>> DoActionVariables(const Bytes& body);

// An MP3 stream of `frames` copies of one header with bodies of pattern bytes.
Bytes SyntheticMp3(uint32_t header, int frames);

}  // namespace brelvano::test
