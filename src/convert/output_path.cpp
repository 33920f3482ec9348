#include "convert/output_path.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "analysis/mp3list.h"
#include "base/file_services.h"

namespace brelvano {

namespace {

constexpr const char* kFallbackStem = "track";

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Every byte from 0x80 up dropped.
std::string KeepAscii(const std::string& text) {
  std::string ascii;
  ascii.reserve(text.size());
  for (unsigned char c : text)
    if (c < 0x80) ascii += static_cast<char>(c);
  return ascii;
}

// The file name reduced to ASCII: compatibility decomposition splits accented
// letters into base letter and combining mark, and every byte from 0x80 up is
// dropped. A name that is not valid UTF-8 just loses its non-ASCII bytes.
std::string AsciiFileName(const std::string& name) {
  std::string decomposed = name;
  if (utf8proc_uint8_t* nfkd =
          utf8proc_NFKD(reinterpret_cast<const utf8proc_uint8_t*>(name.c_str()))) {
    decomposed = reinterpret_cast<const char*>(nfkd);
    std::free(nfkd);
  }
  return KeepAscii(decomposed);
}

// Text in any script written in Latin ASCII ("Привет" gives "Privet", "日本"
// "ri ben"); what ICU cannot spell in ASCII is dropped.
std::string TransliterateToAscii(const std::string& text) {
  static std::mutex mutex;
  static std::unique_ptr<icu::Transliterator> transliterator;
  static bool tried = false;
  const std::lock_guard<std::mutex> lock(mutex);
  if (!tried) {
    tried = true;
    UErrorCode status = U_ZERO_ERROR;
    transliterator.reset(icu::Transliterator::createInstance(
        icu::UnicodeString::fromUTF8("Any-Latin; Latin-ASCII"), UTRANS_FORWARD, status));
    if (U_FAILURE(status)) transliterator.reset();
  }
  if (!transliterator) return {};
  icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
  transliterator->transliterate(unicode);
  std::string latin;
  unicode.toUTF8String(latin);
  return KeepAscii(latin);
}

// One track's name by the reduction alone, split where the "-N" of a
// renamed track goes.
struct OutputName {
  std::string stem;       // destDir + "/" + the name before its extension
  std::string extension;  // with its dot, or empty
  bool empty = false;     // the name reduced to nothing before its extension
  std::string original;   // the MP3 file's name before its extension (UTF-8)
};

OutputName NameByReduction(const ProjectRecord& project, const _mp3entry& entry) {
  OutputName out;
  const std::string fileName = FileNameOf(entry.filename);
  const size_t originalDot = fileName.rfind('.');
  out.original = originalDot == std::string::npos ? fileName : fileName.substr(0, originalDot);
  const std::string name = AsciiFileName(fileName);
  const std::string extension = OutputExtension(project, entry);
  // Only a "." of the file name itself starts its extension; a name without
  // one gets the output extension appended, never a cut into the folder part.
  const size_t dot = name.rfind('.');
  if (extension.empty()) {
    // An unknown format keeps the MP3 file's own extension.
    out.stem = project.destDir + "/" + (dot == std::string::npos ? name : name.substr(0, dot));
    out.extension = dot == std::string::npos ? "" : name.substr(dot);
  } else {
    out.stem = project.destDir + "/" + (dot == std::string::npos ? name : name.substr(0, dot));
    out.extension = "." + extension;
  }
  out.empty = (dot == std::string::npos ? name.size() : dot) == 0;
  return out;
}

}  // namespace

std::string OutputExtension(const ProjectRecord& project, const _mp3entry& entry) {
  switch (entry.format) {
    case kFormatSwf:
      return "swf";
    case kFormatFlv:
      return "flv";
    case kFormatDefault:
      return project.defaultFormat != 0 ? "flv" : "swf";
    default:
      return "";
  }
}

std::vector<std::string> MakeOutputPaths(const ProjectRecord& project,
                                         const std::vector<const _mp3entry*>& entries) {
  std::vector<OutputName> names;
  names.reserve(entries.size());
  // Names that tracks have by the reduction alone: each belongs to the first
  // track that has it, and no renamed track may take it.
  std::unordered_set<std::string> claimed;
  for (const _mp3entry* entry : entries) {
    names.push_back(NameByReduction(project, *entry));
    if (!names.back().empty) claimed.insert(names.back().stem + names.back().extension);
  }
  std::vector<std::string> paths;
  paths.reserve(entries.size());
  std::unordered_set<std::string> assigned;
  const std::string folder = project.destDir + "/";
  for (const OutputName& name : names) {
    const std::string own = name.stem + name.extension;
    if (!name.empty && assigned.count(own) == 0) {
      assigned.insert(own);
      paths.push_back(own);
      continue;
    }
    std::string stem = name.stem;
    if (name.empty) {
      std::string latin = TransliterateToAscii(name.original);
      if (latin.empty()) latin = kFallbackStem;
      stem = folder + latin;
    }
    std::string path = stem + name.extension;
    for (int n = 2; assigned.count(path) != 0 || claimed.count(path) != 0; ++n)
      path = stem + "-" + std::to_string(n) + name.extension;
    assigned.insert(path);
    paths.push_back(path);
  }
  return paths;
}

std::vector<std::string> MakeOutputPaths(const ProjectRecord& project,
                                         const std::vector<_mp3entry*>& entries) {
  return MakeOutputPaths(project, std::vector<const _mp3entry*>(entries.begin(), entries.end()));
}

std::vector<std::string> MakeOutputPaths(const ProjectRecord& project, const Mp3List& list) {
  std::vector<const _mp3entry*> entries;
  entries.reserve(static_cast<size_t>(list.count()));
  for (int32_t i = 0; i < list.count(); ++i) entries.push_back(list.getElement(i));
  return MakeOutputPaths(project, entries);
}

std::string MakeOutputPath(const ProjectRecord& project, const _mp3entry& entry) {
  return MakeOutputPaths(project, std::vector<const _mp3entry*>{&entry}).front();
}

void MarkConvertedIfExists(const ProjectRecord& project, Mp3List& list) {
  const std::vector<std::string> paths = MakeOutputPaths(project, list);
  for (int32_t i = 0; i < list.count(); ++i)
    if (FileIsReadable(paths[static_cast<size_t>(i)])) list.getElement(i)->status = kStatusOk;
}

void MarkConvertedIfExists(const ProjectRecord& project, Mp3List& list,
                           const std::vector<int32_t>& rows) {
  if (rows.empty()) return;
  const std::vector<std::string> paths = MakeOutputPaths(project, list);  // once for all rows
  for (const int32_t row : rows) {
    if (row >= 0 && row < list.count() && FileIsReadable(paths[static_cast<size_t>(row)]))
      list.getElement(row)->status = kStatusOk;
  }
}

void MarkConvertedIfExists(const ProjectRecord& project, _mp3entry& entry) {
  if (FileIsReadable(MakeOutputPath(project, entry))) entry.status = kStatusOk;
}

}  // namespace brelvano
