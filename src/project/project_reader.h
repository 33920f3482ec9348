// Opening a project file: the settings and tracks of a ".brv" file, parsed with expat.
#pragma once

#include <cstdint>
#include <string>

#include "convert/project_record.h"

namespace brelvano {

// ReadProjectFile results.
enum : int32_t {
  kProjectRead = 0,
  kProjectCannotOpen = -1,   // the file cannot be opened or read
  kProjectNotAccepted = -2,  // not a complete project file
};

// What the element handlers share while one file is parsed.
struct ProjectReaderState {
  ProjectRecord* project = nullptr;
  int32_t build[3] = {};        // year, month, day of the root's "build"
  int32_t version[2] = {};      // major, minor of the root's "version"
  int32_t fileVersion[2] = {};  // major, minor of the root's "fileVersion"
  std::string path;             // "/"-separated names of the open elements
  std::string rejection;        // why the file is refused whatever else it holds; empty when not
};

// Larger files are refused unread: a project of thousands of tracks is a
// few hundred KB.
inline constexpr size_t kMaxProjectFileBytes = 64u << 20;

// expat element handlers; userData is a ProjectReaderState.
void ProjectStartElement(void* userData, const char* name, const char** attributes);
void ProjectEndElement(void* userData, const char* name);

// Reads path into project. Settings the file does not mention keep their
// values; project.entries becomes one new record per track (owned by
// project.ownedEntries), with status "not converted" and format and edited
// tags as saved; a track element's attributes act on that track whatever
// their order, and one without "file" is ignored. Accepted when the root
// element "Brelvano" carried version, fileVersion and build with non-zero
// leading numbers and every element was closed. Refused (kProjectNotAccepted)
// as well: a number that does not fit its field, a file over
// kMaxProjectFileBytes. Anything but a regular file cannot be opened (never
// waited on). On failure *reason (when non-null) says why: the system's
// error text, what the path is instead of a file ("is a FIFO"), the number
// out of range or the size, or "XML error at line L, column C: <parser message>".
int32_t ReadProjectFile(ProjectRecord& project, const std::string& path,
                        std::string* reason = nullptr);

// The leading decimal integer of a text by atoi's rules (white space, sign,
// digits; 0 without digits), wrapped to 32 bits as a C long would be.
int32_t LeadingInteger(const char* text);

}  // namespace brelvano
