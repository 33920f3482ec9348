// Saving a project: its settings and track list as a small ".brv" XML file.
#pragma once

#include <cstdint>
#include <string>

#include "convert/project_record.h"

namespace brelvano {

// WriteProjectFile results.
enum : int32_t {
  kProjectWritten = 0,
  kProjectCannotWrite = -1,  // could not be created or written; errno tells why
  kProjectNotStorable = -2,  // a text would not read back (see project_file_names.h)
};

// Writes the settings and project.entries, in order, to path. The file is
// written beside the old one and renamed over it, so on any failure an
// earlier file at path is left as it was. *error (when non-null) gets a
// one-line reason on failure.
int32_t WriteProjectFile(const ProjectRecord& project, const std::string& path,
                         std::string* error = nullptr);

}  // namespace brelvano
