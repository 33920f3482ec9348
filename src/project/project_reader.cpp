#include "project/project_reader.h"

#include <expat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/file_services.h"
#include "base/log.h"

namespace brelvano {

namespace {

// strtol-style: saturates at the range of a 64-bit long.
int64_t ParseLong(const char*& p, bool* any) {
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  const char* start = p;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  uint64_t magnitude = 0;
  bool overflow = false;
  const char* digits = p;
  while (*p >= '0' && *p <= '9') {
    const unsigned digit = static_cast<unsigned>(*p - '0');
    if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10)
      overflow = true;
    else
      magnitude = magnitude * 10 + digit;
    ++p;
  }
  *any = p != digits;
  if (!*any) {
    p = start;
    return 0;
  }
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (negative) {
    if (overflow || magnitude > kMax + 1) return std::numeric_limits<int64_t>::min();
    return magnitude == kMax + 1 ? std::numeric_limits<int64_t>::min()
                                 : -static_cast<int64_t>(magnitude);
  }
  if (overflow || magnitude > kMax) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(magnitude);
}

int32_t Wrap32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kUint32Max = std::numeric_limits<uint32_t>::max();

// A number of the file that does not fit its field rejects the whole file:
// taken modulo 2^32 it would quietly become another setting.
void RejectNumber(ProjectReaderState& state, const char* name, const char* value) {
  if (!state.rejection.empty()) return;
  state.rejection = std::string("the number in ") + name + "=\"" +
                    std::string(CutAtCharacterBoundary(value, 40)) + "\" is out of range";
}

// The value's leading integer by atoi's rules (0 without digits), when it
// lies in [low, high]; otherwise the file is rejected and *out kept.
void TakeNumber(ProjectReaderState& state, const char* name, const char* value, int64_t low,
                int64_t high, int64_t* out) {
  const char* p = value;
  bool any;
  const int64_t number = ParseLong(p, &any);
  if (number < low || number > high)
    RejectNumber(state, name, value);
  else
    *out = number;
}

// scanf("%ld.%ld...") into count numbers: each stored until the first mismatch.
void ScanDottedNumbers(ProjectReaderState& state, const char* name, const char* text,
                       int32_t* numbers, int count) {
  const char* p = text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      if (*p != '.') return;
      ++p;
    }
    bool any;
    const int64_t value = ParseLong(p, &any);
    if (!any) return;
    if (value < kInt32Min || value > kInt32Max) {
      RejectNumber(state, name, text);
      return;
    }
    numbers[i] = static_cast<int32_t>(value);
  }
}

// Copies a value into a fixed-width tag field, cut at a character boundary
// so that the field always holds whole UTF-8 characters and its NUL.
template <size_t N>
void CopyField(char (&field)[N], const char* value) {
  const std::string_view kept = CutAtCharacterBoundary(value, N - 1);
  std::memcpy(field, kept.data(), kept.size());
  std::memset(field + kept.size(), 0, N - kept.size());
}

// A track element's attributes all act on its own track, in any order; an
// element without "file" names no track and changes none.
void TakeTrack(ProjectRecord& project, const char** attributes) {
  const char* file = nullptr;
  for (const char** pair = attributes; pair[0] && pair[1]; pair += 2)
    if (std::strcmp(pair[0], "file") == 0) file = pair[1];  // the last one, if repeated
  if (!file) return;
  auto entry = std::make_shared<_mp3entry>();
  entry->filename = file;
  project.ownedEntries.push_back(entry);
  project.entries.push_back(entry.get());
  _mp3entry& track = *entry;
  for (const char** pair = attributes; pair[0] && pair[1]; pair += 2) {
    const char* name = pair[0];
    const char* value = pair[1];
    if (std::strcmp(name, "fmt") == 0) {
      if (std::strcmp(value, "swf") == 0)
        track.format = kFormatSwf;
      else if (std::strcmp(value, "flv") == 0)
        track.format = kFormatFlv;
    } else if (std::strcmp(name, "title") == 0) {
      CopyField(track.prop.id3.song, value);
      track.prop.id3.valid = 2;
    } else if (std::strcmp(name, "artist") == 0) {
      CopyField(track.prop.id3.artist, value);
      track.prop.id3.valid = 2;
    } else if (std::strcmp(name, "album") == 0) {
      CopyField(track.prop.id3.album, value);
      track.prop.id3.valid = 2;
    }
  }
}

void TakeRootAttribute(ProjectReaderState& state, const char* name, const char* value) {
  if (std::strcmp(name, "version") == 0)
    ScanDottedNumbers(state, name, value, state.version, 2);
  else if (std::strcmp(name, "fileVersion") == 0)
    ScanDottedNumbers(state, name, value, state.fileVersion, 2);
  else if (std::strcmp(name, "build") == 0)
    ScanDottedNumbers(state, name, value, state.build, 3);
}

void TakeSettingsAttribute(ProjectReaderState& state, const char* name, const char* value) {
  ProjectRecord& project = *state.project;
  int64_t number;
  if (std::strcmp(name, "folder") == 0)
    project.destDir = value;
  else if (std::strcmp(name, "player") == 0)
    project.player = value;
  else if (std::strcmp(name, "fps") == 0) {
    number = project.fps;
    TakeNumber(state, name, value, kInt32Min, kInt32Max, &number);
    project.fps = static_cast<int32_t>(number);
  } else if (std::strcmp(name, "truncate") == 0) {
    number = project.maxTime;
    TakeNumber(state, name, value, kInt32Min, kInt32Max, &number);
    project.maxTime = static_cast<int32_t>(number);
  } else if (std::strcmp(name, "publishFlags") == 0) {
    // Written as a signed 32-bit number; the unsigned form is the same bits.
    number = project.publishFlags;
    TakeNumber(state, name, value, kInt32Min, kUint32Max, &number);
    project.publishFlags = static_cast<uint32_t>(number);
  } else if (std::strcmp(name, "format") == 0) {
    if (std::strcmp(value, "swf") == 0)
      project.defaultFormat = 0;
    else if (std::strcmp(value, "flv") == 0)
      project.defaultFormat = 1;
  }
}

}  // namespace

int32_t LeadingInteger(const char* text) {
  bool any;
  return Wrap32(ParseLong(text, &any));
}

void ProjectStartElement(void* userData, const char* name, const char** attributes) {
  auto& state = *static_cast<ProjectReaderState*>(userData);
  state.path += '/';
  state.path += name;
  enum { kOther, kTrack, kRoot, kSettings } element = kOther;
  if (state.path == "/Brelvano/mp3list/mp3")
    element = kTrack;
  else if (state.path == "/Brelvano")
    element = kRoot;
  else if (state.path == "/Brelvano/publish")
    element = kSettings;
  switch (element) {
    case kTrack:
      TakeTrack(*state.project, attributes);
      break;
    case kRoot:
    case kSettings:
      for (const char** pair = attributes; pair[0] && pair[1]; pair += 2) {
        if (element == kRoot)
          TakeRootAttribute(state, pair[0], pair[1]);
        else
          TakeSettingsAttribute(state, pair[0], pair[1]);
      }
      break;
    case kOther:
      break;
  }
}

void ProjectEndElement(void* userData, const char* /*name*/) {
  auto& state = *static_cast<ProjectReaderState*>(userData);
  const size_t slash = state.path.rfind('/');
  if (slash != std::string::npos) state.path.erase(slash);
}

namespace {

// Reads the whole file, at most kMaxProjectFileBytes; false when it cannot
// be read or is larger (*reason says which).
bool ReadWholeFile(FILE* file, std::string* content, std::string* reason) {
  char chunk[64 * 1024];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    content->append(chunk, got);
    if (content->size() > kMaxProjectFileBytes) {
      *reason = "the file is larger than 64 MB, more than any project";
      return false;
    }
    if (got < sizeof chunk) break;
  }
  if (std::ferror(file)) {
    *reason = std::strerror(errno ? errno : EIO);
    return false;
  }
  return true;
}

}  // namespace

int32_t ReadProjectFile(ProjectRecord& project, const std::string& path, std::string* reason) {
  LogPrintf("OPEN: file %s\r\n", path.c_str());
  ProjectReaderState state;
  state.project = &project;
  project.entries.clear();
  project.ownedEntries.clear();
  std::string why;
  const auto fail = [&](int32_t result) {
    if (reason) *reason = why;
    return result;
  };

  // Only a regular file: a FIFO or device would be waited on.
  FILE* file = OpenRegularFile(path, &why);
  if (!file) return fail(kProjectCannotOpen);
  std::string content;
  const bool read = ReadWholeFile(file, &content, &why);
  std::fclose(file);
  if (!read)
    return fail(content.size() > kMaxProjectFileBytes ? kProjectNotAccepted : kProjectCannotOpen);

  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) {
    why = std::strerror(ENOMEM);
    return fail(kProjectCannotOpen);
  }
  XML_SetElementHandler(parser, ProjectStartElement, ProjectEndElement);
  XML_SetUserData(parser, &state);
  // One call over the whole text: expat then never re-scans a large token
  // that a chunk boundary cut (which costs time growing with its square).
  // After a syntax error expat calls no more handlers, so the path stays
  // open and the file is rejected below.
  std::string xmlError;
  if (XML_Parse(parser, content.data(), static_cast<int>(content.size()), 1) == XML_STATUS_ERROR) {
    char where[96];
    std::snprintf(where, sizeof where, "XML error at line %lu, column %lu: ",
                  static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                  static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser)));
    xmlError = std::string(where) + XML_ErrorString(XML_GetErrorCode(parser));
  }
  XML_ParserFree(parser);

  if (!state.rejection.empty()) {
    why = state.rejection;
    return fail(kProjectNotAccepted);
  }
  // Acceptance is decided by what was read before any syntax error, so a
  // complete project followed by junk is still taken.
  const bool accepted = state.fileVersion[0] != 0 && state.build[0] != 0 && state.version[0] != 0 &&
                        state.path.empty();
  if (accepted) return kProjectRead;
  why = !xmlError.empty() ? xmlError
                          : "not a Brelvano project: no root element \"Brelvano\" with version, "
                            "fileVersion and build";
  return fail(kProjectNotAccepted);
}

}  // namespace brelvano
