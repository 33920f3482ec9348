// "playlist.xml": the tracks and play options read by the published player.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/project_record.h"

namespace brelvano {

inline constexpr const char* kPlaylistFileName = "playlist.xml";
// What WritePlaylist returns when the file could not be created or written.
inline constexpr int32_t kPlaylistNotWritten = -1;

// Writes folder/playlist.xml for the project's entries whose output file
// exists, in entry order. Sources are the output file names (relative to
// the folder) or, with absoluteReferences, "file://" and the full output
// path. Returns the number of tracks listed, or kPlaylistNotWritten when
// the file could not be created or a write failed (an earlier playlist then
// stays as it was). Output paths come from outputPaths (entry i's at index
// i, from MakeOutputPaths over the whole track list) when given, else from
// MakeOutputPaths over the entries, which names them as the batch did only
// when the entries are the whole list.
int32_t WritePlaylist(const ProjectRecord& project, const std::string& folder,
                      bool absoluteReferences,
                      const std::vector<std::string>* outputPaths = nullptr);

// The escaping of a playlist source: space & " < > ? ' % # , control
// characters (below 0x20 and 0x7F, which no XML attribute may carry raw) and
// bytes above 126 become "%XX" (upper-case hex), every other byte stays.
std::string PlaylistUrlEscape(std::string_view reference);

}  // namespace brelvano
