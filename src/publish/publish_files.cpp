#include "publish/publish_files.h"

#include <sys/types.h>

#include <cerrno>
#include <cstdlib>

#include "analysis/mp3list.h"
#include "base/atomic_output.h"
#include "base/file_services.h"
#include "convert/output_path.h"
#include "publish/playlist.h"

namespace brelvano {

int32_t CollectEntries(Mp3List& tracks, std::vector<_mp3entry*>* entries,
                       const IndexSet* selection) {
  const int32_t count = tracks.count();
  entries->clear();
  entries->reserve(static_cast<size_t>(selection ? selection->count() : count));
  for (int32_t i = 0; i < count; ++i) {
    if (selection && !selection->containsIndex(i)) continue;
    entries->push_back(tracks.getElement(i));
  }
  return static_cast<int32_t>(entries->size());
}

void WritePlayerObject(FILE* stream, int32_t width, int32_t height, const std::string& playerName) {
  const std::string movie = PercentEscapeLatin1(playerName);
  // -1 means unknown: the player then fills its box.
  const int32_t w = width == -1 ? 100 : width;
  const int32_t h = height == -1 ? 100 : height;
  const char* wUnit = width == -1 ? "%" : "";
  const char* hUnit = height == -1 ? "%" : "";
  std::fprintf(stream,
               "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"%d%s\" "
               "height=\"%d%s\">\n",
               w, wUnit, h, hUnit);
  std::fprintf(stream, "  <param name=\"MOVIE\" value=\"%s.swf\">\n", movie.c_str());
  std::fputs("  <param name=\"QUALITY\" value=\"HIGH\">\n", stream);
  std::fprintf(stream, "     <embed src=\"%s.swf", movie.c_str());
  std::fprintf(stream,
               "\"\n      quality=\"high\"\n      type=\"application/x-shockwave-flash\"\n"
               "      width=\"%d%s\" height=\"%d%s\"\n",
               w, wUnit, h, hUnit);
  std::fputs("     >\n", stream);
  std::fputs("     </embed>\n", stream);
  std::fputs("</object>\n", stream);
}

void WritePlayerBlock(FILE* stream, int32_t width, int32_t height, const std::string& playerName) {
  WriteWebRuntimeScript(stream);
  WritePlayerObject(stream, width, height, playerName);
}

namespace {

void Tell(AlertSink* alerts, const std::string& title, const std::string& message) {
  if (alerts) alerts->alert(AlertStyle::kInformational, title, message, "Continue");
}

constexpr const char* kPageAlertTitle = "HTML Generation";

// Copies the template into the page, the first marker of each line replaced
// by the player block. Lines are read whole, however long, so a marker is
// never split. False when the template could not be read to its end.
bool CopyTemplate(FILE* templ, FILE* page, int32_t width, int32_t height,
                  const std::string& player) {
  const std::string_view marker = kTemplateMarker;
  char* buffer = nullptr;
  size_t capacity = 0;
  ssize_t length;
  while ((length = getline(&buffer, &capacity, templ)) > 0) {
    const std::string_view line(buffer, static_cast<size_t>(length));
    const size_t at = line.find(marker);
    if (at == std::string_view::npos) {
      std::fwrite(line.data(), 1, line.size(), page);
    } else {
      std::fwrite(line.data(), 1, at, page);
      WritePlayerBlock(page, width, height, player);
      const std::string_view rest = line.substr(at + marker.size());
      std::fwrite(rest.data(), 1, rest.size(), page);
    }
  }
  std::free(buffer);
  return !std::ferror(templ);
}

// Writes the page; true when it was written completely.
bool WritePage(const ProjectRecord& project, int32_t width, int32_t height, AlertSink* alerts) {
  const std::string pagePath = project.destDir + "/" + kPageFileName;
  const bool useTemplate = (project.publishFlags & kPublishUseTemplate) != 0;
  FILE* templ = nullptr;
  if (useTemplate) {
    const std::string templatePath = project.destDir + "/" + kTemplateFileName;
    std::string reason;
    templ = OpenRegularFile(templatePath, &reason);
    if (!templ) {
      const std::string why = errno == ENOENT ? "File is missing." : "File cannot be read.";
      Tell(alerts, kPageAlertTitle,
           "Cannot open template.html\n " + why + "\n" + templatePath + ": " + reason);
      return false;
    }
  }
  // Written beside the old page and renamed over it, so a failure keeps the old one.
  AtomicOutput writer(pagePath);
  if (!writer.Open()) {
    Tell(alerts, kPageAlertTitle, "Cannot create index.html file.");
    if (templ) std::fclose(templ);
    return false;
  }
  FILE* page = writer.file();
  bool templateRead = true;
  if (templ) {
    templateRead = CopyTemplate(templ, page, width, height, project.player);
    std::fclose(templ);
  } else {
    std::fputs("<html>\n", page);
    std::fputs("<body>\n", page);
    WritePlayerBlock(page, width, height, project.player);
    std::fputs("</body>\n", page);
    std::fputs("</html>\n", page);
  }
  if (!templateRead) {
    Tell(alerts, kPageAlertTitle, "Cannot read template.html file.");
    return false;  // the writer's temporary file goes with it
  }
  if (!writer.Commit()) {
    Tell(alerts, kPageAlertTitle, "Cannot write index.html file.");
    return false;
  }
  return true;
}

}  // namespace

int32_t PublishFiles(ProjectRecord& project, const PlayersList& players, Mp3List& tracks,
                     const IndexSet* selection, AlertSink* alerts,
                     const std::string& webRuntimeFolder) {
  int32_t width = -1;
  int32_t height = -1;

  if (project.destDir.empty()) {
    // Without a destination everything would go to the file system's root.
    Tell(alerts, "Generation", "The project has no destination folder; nothing was published.");
    return kPublishedPlaylistFailed | kPublishedPlayerFailed;
  }
  // Leftovers of runs that were killed part-way; never those of a live run.
  RemoveStaleTemporaryFiles(project.destDir);
  CollectEntries(tracks, &project.entries, selection);
  // Named over the whole list, as the batch named them, even for a selection.
  const std::vector<std::string> allPaths = MakeOutputPaths(project, tracks);
  std::vector<std::string> paths;
  for (int32_t i = 0; i < tracks.count(); ++i)
    if (!selection || selection->containsIndex(i))
      paths.push_back(allPaths[static_cast<size_t>(i)]);
  const int32_t listed = WritePlaylist(project, project.destDir, false, &paths);
  project.entries.clear();
  int32_t result = 0;
  if (listed == kPlaylistNotWritten) {
    Tell(alerts, "Generation", "Cannot create playlist.xml file.");
    result |= kPublishedPlaylistFailed;
  } else {
    result |= listed << kPublishedCountShift;
  }

  if (!CopyPlayer(players, project.player, project.destDir, &width, &height)) {
    Tell(alerts, "Generation", "Cannot copy player to publish folder.");
    result |= kPublishedPlayerFailed;
  }

  if (!(project.publishFlags & kPublishGenerateHTML)) return result;
  // Without the runtime beside it the page cannot play in today's browsers.
  switch (CopyWebRuntime(webRuntimeFolder, project.destDir)) {
    case WebRuntimeCopy::kCopied:
      break;
    case WebRuntimeCopy::kMissing:
      Tell(alerts, "Generation",
           "The Flash runtime (Ruffle) is missing from this installation: the page cannot play.");
      result |= kPublishedRuntimeFailed;
      break;
    case WebRuntimeCopy::kFailed:
      Tell(alerts, "Generation", "Cannot copy the Flash runtime (Ruffle) to publish folder.");
      result |= kPublishedRuntimeFailed;
      break;
  }
  if (WritePage(project, width, height, alerts)) result |= kPublishedPage;
  return result;
}

}  // namespace brelvano
