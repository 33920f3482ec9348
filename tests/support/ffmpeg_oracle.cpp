#include "support/ffmpeg_oracle.h"

#include <sstream>

#include "support/test_files.h"

namespace brelvano::test {

std::vector<std::string> AudioPackets(const std::string& path, const std::string& inputFormat) {
  const std::string command = "ffmpeg -nostdin -v error " +
                              (inputFormat.empty() ? std::string() : "-f " + inputFormat + " ") +
                              "-i " + ShellQuote(path) +
                              " -map 0:a -c copy -f framemd5 - 2>/dev/null";
  const CommandResult result = RunCommand(command);
  std::vector<std::string> packets;
  if (result.exitCode != 0) return packets;
  std::istringstream lines(result.output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    // stream, dts, pts, duration, size, hash: keep size and hash, the
    // timestamps are each container's own.
    std::vector<std::string> fields;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, ',')) fields.push_back(cell);
    if (fields.size() >= 6) packets.push_back(fields[4] + fields[5]);
  }
  return packets;
}

}  // namespace brelvano::test
