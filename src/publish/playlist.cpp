#include "publish/playlist.h"

#include <cstdio>
#include <cstring>

#include "base/atomic_output.h"
#include "base/file_services.h"
#include "base/xml_attribute.h"
#include "convert/output_path.h"

namespace brelvano {

std::string PlaylistUrlEscape(std::string_view reference) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(reference.size());
  for (char c : reference) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte > 126 || byte < 0x20 || std::strchr(" &\"<>?'%#", c) != nullptr) {
      if (byte == 0) continue;  // strchr matches the terminator; a NUL never occurs in a path
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

namespace {

const char* YesNo(uint32_t flags, uint32_t bit) { return (flags & bit) ? "yes" : "no"; }

}  // namespace

int32_t WritePlaylist(const ProjectRecord& project, const std::string& folder,
                      bool absoluteReferences, const std::vector<std::string>* outputPaths) {
  const std::vector<std::string> planned =
      outputPaths ? std::vector<std::string>{} : MakeOutputPaths(project, project.entries);
  const std::vector<std::string>& paths = outputPaths ? *outputPaths : planned;
  const std::string path = folder + "/" + kPlaylistFileName;
  AtomicOutput writer(path);
  if (!writer.Open()) return kPlaylistNotWritten;
  FILE* file = writer.file();

  const uint32_t flags = project.publishFlags;
  std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", file);
  std::fprintf(file, "<GENERATOR name=\"Brelvano\" version=\"%s\" build=\"%s\"/>\n",
               kBrelvanoVersion, kBrelvanoBuildDate);
  std::fprintf(file,
               "<PLAYERSETTINGS autostart=\"%s\" playall=\"%s\" loop=\"%s\" shuffle=\"%s\"/>\n",
               YesNo(flags, kPublishAutostart), YesNo(flags, kPublishPlayall),
               YesNo(flags, kPublishLoop), YesNo(flags, kPublishShuffle));
  std::fputs("<PLAYLIST>\n", file);

  int32_t listed = 0;
  for (size_t i = 0; i < project.entries.size() && i < paths.size(); ++i) {
    const _mp3entry* entry = project.entries[i];
    if (!entry) continue;
    const std::string& outPath = paths[i];
    if (!FileIsReadable(outPath)) continue;
    ++listed;
    const std::string source =
        absoluteReferences ? "file://" + outPath : LastPathComponent(outPath);
    const _Id3& id3 = entry->prop.id3;
    std::fprintf(file, "   <FILE src=\"%s\"", PlaylistUrlEscape(source).c_str());
    std::fputs(" desc=", file);
    WriteXmlAttribute(file, FieldText(id3.song));
    std::fputs(" artist=", file);
    WriteXmlAttribute(file, FieldText(id3.artist));
    std::fputs(" album=", file);
    WriteXmlAttribute(file, FieldText(id3.album));
    const long duration = entry->prop.duration;
    std::fprintf(file, " minutes=\"%ld\" seconds=\"%ld\"/>\n", duration / 60, duration % 60);
  }
  std::fputs("</PLAYLIST>\n", file);

  return writer.Commit() ? listed : kPlaylistNotWritten;
}

}  // namespace brelvano
