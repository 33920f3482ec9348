#include "project/project_reader.h"

#include <expat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/log.h"
#include "base/file_services.h"

namespace brelvano {

namespace {

constexpr size_t kReadChunk = 8192;

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
    if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) overflow = true;
    else magnitude = magnitude * 10 + digit;
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

// scanf("%ld.%ld...") into count numbers: each stored until the first mismatch.
void ScanDottedNumbers(const char* text, int32_t* numbers, int count) {
  const char* p = text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      if (*p != '.') return;
      ++p;
    }
    bool any;
    const int64_t value = ParseLong(p, &any);
    if (!any) return;
    numbers[i] = Wrap32(value);
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

void TakeTrackAttribute(ProjectRecord& project, const char* name, const char* value) {
  if (std::strcmp(name, "file") == 0) {
    auto entry = std::make_shared<_mp3entry>();
    entry->filename = value;
    project.ownedEntries.push_back(entry);
    project.entries.push_back(entry.get());
    return;
  }
  // The other attributes act on the track of the last "file" seen.
  if (project.entries.empty()) return;
  _mp3entry& track = *project.entries.back();
  if (std::strcmp(name, "fmt") == 0) {
    if (std::strcmp(value, "swf") == 0) track.format = kFormatSwf;
    else if (std::strcmp(value, "flv") == 0) track.format = kFormatFlv;
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

void TakeRootAttribute(ProjectReaderState& state, const char* name, const char* value) {
  if (std::strcmp(name, "version") == 0) ScanDottedNumbers(value, state.version, 2);
  else if (std::strcmp(name, "fileVersion") == 0) ScanDottedNumbers(value, state.fileVersion, 2);
  else if (std::strcmp(name, "build") == 0) ScanDottedNumbers(value, state.build, 3);
}

void TakeSettingsAttribute(ProjectRecord& project, const char* name, const char* value) {
  if (std::strcmp(name, "folder") == 0) project.destDir = value;
  else if (std::strcmp(name, "player") == 0) project.player = value;
  else if (std::strcmp(name, "fps") == 0) project.fps = LeadingInteger(value);
  else if (std::strcmp(name, "truncate") == 0) project.maxTime = LeadingInteger(value);
  else if (std::strcmp(name, "publishFlags") == 0)
    project.publishFlags = static_cast<uint32_t>(LeadingInteger(value));
  else if (std::strcmp(name, "format") == 0) {
    if (std::strcmp(value, "swf") == 0) project.defaultFormat = 0;
    else if (std::strcmp(value, "flv") == 0) project.defaultFormat = 1;
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
  if (state.path == "/Brelvano/mp3list/mp3") element = kTrack;
  else if (state.path == "/Brelvano") element = kRoot;
  else if (state.path == "/Brelvano/publish") element = kSettings;
  if (element == kOther) return;
  for (const char** pair = attributes; pair[0] && pair[1]; pair += 2) {
    switch (element) {
      case kTrack: TakeTrackAttribute(*state.project, pair[0], pair[1]); break;
      case kRoot: TakeRootAttribute(state, pair[0], pair[1]); break;
      case kSettings: TakeSettingsAttribute(*state.project, pair[0], pair[1]); break;
      case kOther: break;
    }
  }
}

void ProjectEndElement(void* userData, const char* /*name*/) {
  auto& state = *static_cast<ProjectReaderState*>(userData);
  const size_t slash = state.path.rfind('/');
  if (slash != std::string::npos) state.path.erase(slash);
}

int32_t ReadProjectFile(ProjectRecord& project, const std::string& path, std::string* reason) {
  const auto fail = [reason](int32_t result, std::string why) {
    if (reason) *reason = std::move(why);
    return result;
  };
  LogPrintf("OPEN: file %s\r\n", path.c_str());
  ProjectReaderState state;
  state.project = &project;
  project.entries.clear();
  project.ownedEntries.clear();

  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return fail(kProjectCannotOpen, std::strerror(errno));

  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) {
    std::fclose(file);
    return fail(kProjectCannotOpen, std::strerror(ENOMEM));
  }
  XML_SetElementHandler(parser, ProjectStartElement, ProjectEndElement);
  XML_SetUserData(parser, &state);

  int readError = 0;
  std::string xmlError;
  char chunk[kReadChunk];
  while (!std::feof(file)) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (std::ferror(file)) {  // a folder, say: it opens but cannot be read
      readError = errno;
      break;
    }
    // After a syntax error expat calls no more handlers, so the path stays
    // open and the file is rejected below; there is no point reading on.
    if (XML_Parse(parser, chunk, static_cast<int>(got), std::feof(file) ? 1 : 0) ==
        XML_STATUS_ERROR) {
      char where[96];
      std::snprintf(where, sizeof where, "XML error at line %lu, column %lu: ",
                    static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                    static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser)));
      xmlError = std::string(where) + XML_ErrorString(XML_GetErrorCode(parser));
      break;
    }
  }
  XML_ParserFree(parser);
  std::fclose(file);

  if (readError != 0) return fail(kProjectCannotOpen, std::strerror(readError));
  // Acceptance is decided by what was read before any syntax error, so a
  // complete project followed by junk is still taken.
  const bool accepted = state.fileVersion[0] != 0 && state.build[0] != 0 &&
                        state.version[0] != 0 && state.path.empty();
  if (!accepted && !xmlError.empty()) return fail(kProjectNotAccepted, xmlError);
  if (!accepted)
    return fail(kProjectNotAccepted,
                "not a Brelvano project: no root element \"Brelvano\" with version, "
                "fileVersion and build");
  return kProjectRead;
}

}  // namespace brelvano
