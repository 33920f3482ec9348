#include "cli/json_output.h"

#include <cstdio>

#include "analysis/mp3list.h"

namespace brelvano::cli {

namespace {
using nlohmann::json;

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

std::string LastComponent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Dump(const json& value, int indent) {
  return value.dump(indent, ' ', false, json::error_handler_t::replace);
}
}  // namespace

const char* FormatName(int32_t format) {
  switch (format) {
    case kFormatSwf:
      return "swf";
    case kFormatFlv:
      return "flv";
    default:
      return "default";
  }
}

json StatusJson(int32_t status) { return {{"code", status}, {"text", StatusText(status)}}; }

json TrackJson(const _mp3entry& entry) {
  const _MP3prop& prop = entry.prop;
  const bool usable = entry.status != kStatusCannotOpen && entry.status != kStatusUnsupported &&
                      entry.status != kStatusUnknown;
  return {
      {"file", entry.filename},
      {"filename", LastComponent(entry.filename)},
      {"status", StatusJson(entry.status)},
      {"usable", usable},
      {"format", FormatName(entry.format)},
      {"duration_s", prop.duration},
      {"frequency_hz", prop.freq},
      {"stereo", prop.stereo != 0},
      {"bitrate_kbps", prop.bitrate},
      {"vbr", prop.vbr != 0},
      {"tags",
       {{"title", Field(prop.id3.song, sizeof prop.id3.song)},
        {"artist", Field(prop.id3.artist, sizeof prop.id3.artist)},
        {"album", Field(prop.id3.album, sizeof prop.id3.album)},
        {"year", Field(prop.id3.year, sizeof prop.id3.year)},
        {"edited", prop.id3.valid == 2}}},
  };
}

json SettingsJson(const ProjectRecord& project) {
  const uint32_t flags = project.publishFlags;
  auto bit = [flags](uint32_t b) { return (flags & b) != 0; };
  return {
      {"destination", project.destDir},
      {"player", project.player},
      {"format", project.defaultFormat != 0 ? "flv" : "swf"},
      {"fps", project.fps},
      {"truncate", bit(kPublishTruncate)},
      {"truncate_s", project.maxTime},
      {"spectrum", bit(kPublishSpectrum)},
      {"html", bit(kPublishGenerateHTML)},
      {"template", bit(kPublishUseTemplate)},
      {"autostart", bit(kPublishAutostart)},
      {"playall", bit(kPublishPlayall)},
      {"loop", bit(kPublishLoop)},
      {"shuffle", bit(kPublishShuffle)},
      {"publish_flags", flags},
  };
}

void PrintJsonDocument(const json& document) {
  std::printf("%s\n", Dump(document, 2).c_str());
  std::fflush(stdout);
}

void PrintJsonLine(const json& object) {
  std::printf("%s\n", Dump(object, -1).c_str());
  std::fflush(stdout);
}

}  // namespace brelvano::cli
