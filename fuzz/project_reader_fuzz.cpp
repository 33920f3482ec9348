// Bytes as a project file through ReadProjectFile.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "project/project_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    char pattern[] = "/tmp/brelvano-project-fuzz-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    return std::string(pattern);
  }();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  brelvano::ProjectRecord project;
  brelvano::ReadProjectFile(project, path);
  // Every record the reader made holds terminated tag fields.
  for (const brelvano::_mp3entry* entry : project.entries) {
    if (entry->prop.id3.song[sizeof entry->prop.id3.song - 1] != 0 ||
        entry->prop.id3.artist[sizeof entry->prop.id3.artist - 1] != 0 ||
        entry->prop.id3.album[sizeof entry->prop.id3.album - 1] != 0)
      std::abort();
  }
  return 0;
}
