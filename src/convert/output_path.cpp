#include "convert/output_path.h"

#include <utf8proc.h>

#include <cstdio>
#include <cstdlib>

namespace brelvano {

namespace {

// The file name reduced to ASCII: compatibility decomposition splits accented
// letters into base letter and combining mark, and every byte from 0x80 up is
// dropped. A name that is not valid UTF-8 just loses its non-ASCII bytes.
std::string AsciiFileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string decomposed = name;
  if (utf8proc_uint8_t* nfkd = utf8proc_NFKD(reinterpret_cast<const utf8proc_uint8_t*>(name.c_str()))) {
    decomposed = reinterpret_cast<const char*>(nfkd);
    std::free(nfkd);
  }
  std::string ascii;
  ascii.reserve(decomposed.size());
  for (unsigned char c : decomposed)
    if (c < 0x80) ascii += static_cast<char>(c);
  return ascii;
}

}  // namespace

std::string OutputExtension(const ProjectRecord& project, const _mp3entry& entry) {
  switch (entry.format) {
    case kFormatSwf: return "swf";
    case kFormatFlv: return "flv";
    case kFormatDefault: return project.defaultFormat != 0 ? "flv" : "swf";
    default: return "";
  }
}

std::string MakeOutputPath(const ProjectRecord& project, const _mp3entry& entry) {
  const std::string name = AsciiFileName(entry.filename);
  const std::string extension = OutputExtension(project, entry);
  if (extension.empty()) return project.destDir + "/" + name;
  // Only a "." of the file name itself starts its extension; a name without
  // one gets the output extension appended, never a cut into the folder part.
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  return project.destDir + "/" + stem + "." + extension;
}

void MarkConvertedIfExists(const ProjectRecord& project, _mp3entry& entry) {
  if (FILE* f = std::fopen(MakeOutputPath(project, entry).c_str(), "r")) {
    std::fclose(f);
    entry.status = kStatusOk;
  }
}

}  // namespace brelvano
