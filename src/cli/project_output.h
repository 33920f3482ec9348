// What show and publish print about a project: its settings as text lines
// or JSON, the track objects with their output paths, the publish summary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/mp3entry.h"
#include "convert/project_record.h"
#include "publish/publish_operation.h"

namespace brelvano::cli {

// "Project:      path" and the other settings lines on standard output.
void PrintProjectSettings(const std::string& path, const ProjectRecord& project,
                          int32_t trackCount);

// {"project": path, "settings": {...}, "tracks": [track + "output"]}
nlohmann::json ProjectJson(const std::string& path, const ProjectRecord& project,
                           const std::vector<_mp3entry>& tracks);

// The publish summary object's own members: "playlist", "player_copied",
// "page" (its path, or null), "summary" (the text shown to people).
nlohmann::json PublishedJson(const PublishOutcome& outcome, const ProjectRecord& project);

}  // namespace brelvano::cli
