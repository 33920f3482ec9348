#include "project/project_writer.h"

#include <cerrno>
#include <cstring>

#include "base/atomic_output.h"
#include "base/file_services.h"
#include "base/xml_attribute.h"
#include "project/project_file_names.h"

namespace brelvano {

namespace {

// Every text the file will hold, checked before anything is written.
bool CheckStorable(const ProjectRecord& project, std::string* error) {
  std::string why;
  if (!IsStorableText(project.destDir))
    why = "destination folder is not valid UTF-8 or holds control characters";
  else if (!IsStorableText(project.player))
    why = "player name is not valid UTF-8 or holds control characters";
  for (const _mp3entry* entry : project.entries) {
    if (!why.empty()) break;
    if (!entry) continue;
    std::string nameProblem;
    if (!IsStorableFileName(entry->filename, &nameProblem)) {
      why = nameProblem + ": " + entry->filename;
    } else if (entry->prop.id3.valid == 2) {
      const _Id3& id3 = entry->prop.id3;
      if (!IsStorableText(FieldText(id3.song)) || !IsStorableText(FieldText(id3.artist)) ||
          !IsStorableText(FieldText(id3.album)))
        why = "title, artist or album is not valid UTF-8 or holds control characters: " +
              entry->filename;
    }
  }
  if (why.empty()) return true;
  if (error) *error = why;
  return false;
}

void WriteContent(const ProjectRecord& project, FILE* file) {
  std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", file);
  std::fprintf(file, "<Brelvano version=\"%s\" fileVersion=\"%s\" build=\"%s\">\n",
               kBrelvanoVersion, kProjectFileVersion, kBrelvanoBuildDate);
  std::fputs("\t<publish\n", file);
  std::fputs("\t\tfolder=", file);
  WriteXmlAttribute(file, project.destDir);
  std::fprintf(file, "\n\t\tfps=\"%d\"\n", project.fps);
  std::fprintf(file, "\t\ttruncate=\"%ld\"\n", static_cast<long>(project.maxTime));
  // Printed signed: bit 31 gives a negative number, which reads back to the same bits.
  std::fprintf(file, "\t\tpublishFlags=\"%ld\"\n",
               static_cast<long>(static_cast<int32_t>(project.publishFlags)));
  std::fprintf(file, "\t\tformat=\"%s\"\n", project.defaultFormat != 0 ? "flv" : "swf");
  std::fputs("\t\tplayer=", file);
  WriteXmlAttribute(file, project.player);
  std::fputs("\n\t/>\n", file);
  std::fputs("\t<mp3list>\n", file);
  for (const _mp3entry* entry : project.entries) {
    if (!entry) continue;
    std::fputs("\t\t<mp3 file=", file);
    WriteXmlAttribute(file, entry->filename);
    if (entry->format == kFormatSwf)
      std::fputs(" fmt=\"swf\"", file);
    else if (entry->format == kFormatFlv)
      std::fputs(" fmt=\"flv\"", file);
    const _Id3& id3 = entry->prop.id3;
    if (id3.valid == 2) {
      std::fputs("\n\t\t     title=", file);
      WriteXmlAttribute(file, FieldText(id3.song));
      std::fputs("\n\t\t     artist=", file);
      WriteXmlAttribute(file, FieldText(id3.artist));
      std::fputs("\n\t\t     album=", file);
      WriteXmlAttribute(file, FieldText(id3.album));
    }
    std::fputs("/>\n", file);
  }
  std::fputs("\t</mp3list>\n", file);
  std::fputs("</Brelvano>\n", file);
}

}  // namespace

int32_t WriteProjectFile(const ProjectRecord& project, const std::string& path,
                         std::string* error) {
  if (!CheckStorable(project, error)) return kProjectNotStorable;
  AtomicOutput writer(path);
  if (!writer.Open()) {
    if (error) *error = std::string("cannot create file: ") + std::strerror(errno);
    return kProjectCannotWrite;
  }
  WriteContent(project, writer.file());
  if (!writer.Commit(true)) {
    if (error) *error = std::string("cannot write file: ") + std::strerror(errno);
    return kProjectCannotWrite;
  }
  return kProjectWritten;
}

}  // namespace brelvano
