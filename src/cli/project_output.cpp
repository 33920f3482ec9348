#include "cli/project_output.h"

#include <cstdio>

#include "cli/json_output.h"
#include "cli/terminal_text.h"
#include "convert/output_path.h"
#include "publish/publish_files.h"

namespace brelvano::cli {

namespace {
const char* YesNo(uint32_t flags, uint32_t bit) { return (flags & bit) ? "yes" : "no"; }
}  // namespace

void PrintProjectSettings(const std::string& path, const ProjectRecord& project,
                          int32_t trackCount) {
  const uint32_t flags = project.publishFlags;
  std::printf("Project:      %s\n", TerminalSafe(path).c_str());
  std::printf("Destination:  %s\n", TerminalSafe(project.destDir).c_str());
  std::printf("Player:       %s\n", TerminalSafe(project.player).c_str());
  std::printf("Format:       %s\n", project.defaultFormat != 0 ? "flv" : "swf");
  std::printf("Frame rate:   %d\n", project.fps);
  if (flags & kPublishTruncate)
    std::printf("Truncate:     %d s\n", project.maxTime);
  else
    std::printf("Truncate:     off\n");
  std::printf("Spectrum:     %s\n", YesNo(flags, kPublishSpectrum));
  std::printf("HTML page:    %s%s\n", YesNo(flags, kPublishGenerateHTML),
              (flags & kPublishUseTemplate) ? " (from template.html)" : "");
  std::printf("Playlist:     autostart %s, playall %s, loop %s, shuffle %s\n",
              YesNo(flags, kPublishAutostart), YesNo(flags, kPublishPlayall),
              YesNo(flags, kPublishLoop), YesNo(flags, kPublishShuffle));
  std::printf("Flags:        %u\n", flags);
  std::printf("Tracks:       %d\n", trackCount);
}

nlohmann::json ProjectJson(const std::string& path, const ProjectRecord& project,
                           const std::vector<_mp3entry>& tracks) {
  nlohmann::json list = nlohmann::json::array();
  for (const _mp3entry& entry : tracks) {
    nlohmann::json track = TrackJson(entry);
    track["output"] = MakeOutputPath(project, entry);
    list.push_back(std::move(track));
  }
  return {{"project", path}, {"settings", SettingsJson(project)}, {"tracks", std::move(list)}};
}

nlohmann::json PublishedJson(const PublishOutcome& outcome, const ProjectRecord& project) {
  const bool page = (outcome.published & kPublishedPage) != 0;
  return {
      {"playlist", !outcome.cancelled && !(outcome.published & kPublishedPlaylistFailed)},
      {"player_copied", !outcome.cancelled && !(outcome.published & kPublishedPlayerFailed)},
      {"page",
       page ? nlohmann::json(project.destDir + "/" + kPageFileName) : nlohmann::json(nullptr)},
      {"summary", outcome.summary},
  };
}

}  // namespace brelvano::cli
