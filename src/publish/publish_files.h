// Publishing a project's folder: "playlist.xml", the player movie and "index.html".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/index_set.h"
#include "base/alerts.h"
#include "convert/project_record.h"
#include "publish/players.h"
#include "publish/web_runtime.h"

namespace brelvano {

class Mp3List;

// The page marker that a template's line gets the player block in place of.
inline constexpr const char* kTemplateMarker = "%%MP3FLASHPLAYER%%";
inline constexpr const char* kTemplateFileName = "template.html";
inline constexpr const char* kPageFileName = "index.html";

// PublishFiles result bits; the tracks listed in the playlist are result >> 8.
enum : int32_t {
  kPublishedPage = 1 << 0,            // "index.html" was written completely
  kPublishedPlaylistFailed = 1 << 1,  // "playlist.xml" could not be written
  kPublishedPlayerFailed = 1 << 2,    // the player could not be copied
  kPublishedRuntimeFailed = 1 << 3,   // the page's Flash runtime is missing or could not be copied
};
inline constexpr int kPublishedCountShift = 8;

// Replaces *entries with pointers to the tracks of the list (all of them, or
// the selected rows), in list order; the records stay owned by the list and
// the pointers are valid until it next grows or shrinks. Returns their number.
int32_t CollectEntries(Mp3List& tracks, std::vector<_mp3entry*>* entries,
                       const IndexSet* selection);

// The object/embed block of the player movie "<name>.swf" next to the page;
// a width or height of -1 (unknown) is written as 100%.
void WritePlayerObject(FILE* stream, int32_t width, int32_t height, const std::string& playerName);

// What a page gets in place of the template marker (and the built-in page
// in its body): the script lines that load the Flash runtime from
// "ruffle/", then the object/embed block.
void WritePlayerBlock(FILE* stream, int32_t width, int32_t height, const std::string& playerName);

// Writes the publication into the project's destination folder: the
// playlist of the tracks whose outputs exist, a copy of the project's
// player, and the page when kPublishGenerateHTML is set (from the folder's
// "template.html" with kPublishUseTemplate) together with the Flash runtime
// from webRuntimeFolder that the page loads. Each problem is told to alerts
// (when non-null) and publishing goes on. Leaves project.entries empty. A
// project without a destination folder gets one alert and nothing written.
int32_t PublishFiles(ProjectRecord& project, const PlayersList& players, Mp3List& tracks,
                     const IndexSet* selection, AlertSink* alerts,
                     const std::string& webRuntimeFolder = DefaultWebRuntimeFolder());

}  // namespace brelvano
