// brelvano-cli's --json output: the track table's values typed for scripts.
//
// A track:   {"file", "filename", "status": {"code", "text"}, "usable",
//             "format" ("default"|"swf"|"flv"), "duration_s", "frequency_hz",
//             "stereo", "bitrate_kbps", "vbr",
//             "tags": {"title", "artist", "album", "year", "edited"}}
// Settings:  {"destination", "player", "format" ("swf"|"flv"), "fps",
//             "truncate", "truncate_s", "spectrum", "html", "template",
//             "autostart", "playall", "loop", "shuffle", "publish_flags"}
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "analysis/mp3entry.h"
#include "convert/project_record.h"

namespace brelvano::cli {

nlohmann::json StatusJson(int32_t status);
nlohmann::json TrackJson(const _mp3entry& entry);
nlohmann::json SettingsJson(const ProjectRecord& project);

// "default", "swf" or "flv" for a track's format code.
const char* FormatName(int32_t format);

// One indented document on standard output. Bytes that are not UTF-8 (a
// file name on a Latin-1 disk) become U+FFFD rather than failing.
void PrintJsonDocument(const nlohmann::json& document);
// One line of JSON Lines on standard output, flushed at once.
void PrintJsonLine(const nlohmann::json& object);

}  // namespace brelvano::cli
