// ffmpeg as an independent reader of our output: the audio packets it finds.
#pragma once

#include <string>
#include <vector>

namespace brelvano::test {

// One line per audio packet: "size hash", from ffmpeg's framemd5 of the
// first audio stream copied without decoding. Empty when ffmpeg fails.
// inputFormat forces the demuxer ("swf"; empty to let ffmpeg probe).
std::vector<std::string> AudioPackets(const std::string& path, const std::string& inputFormat = "");

}  // namespace brelvano::test
