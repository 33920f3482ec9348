#include "analysis/mp3list.h"

#include <cstdio>
#include <utility>

#include "analysis/mp3_scan.h"

namespace brelvano {

const char* StatusText(int32_t status) {
  switch (status) {
    case kStatusUnknown:
      return "Unknown";
    case kStatusOk:
      return "Ok";
    case kStatusTruncated:
      return "Truncated";
    case kStatusAborted:
      return "Aborted";
    case kStatusCannotCreate:
      return "Cannot create";
    case kStatusCannotOpen:
      return "Cannot open";
    case kStatusUnsupported:
      return "Unsupported";
    default:
      return "";
  }
}

const char* FormatText(int32_t format) {
  switch (format) {
    case kFormatDefault:
      return "default";
    case kFormatSwf:
      return "Swf";
    case kFormatFlv:
      return "Flv";
    default:
      return "";
  }
}

int32_t StatusForScanResult(int32_t scanResult) {
  switch (scanResult) {
    case kScanOk:
      return kStatusNotConverted;
    case kScanCannotOpen:
      return kStatusCannotOpen;
    case kScanUnsupported:
      return kStatusUnsupported;
    default:
      return kStatusUnknown;
  }
}

_mp3entry* Mp3List::addFile(const std::string& path) {
  _mp3entry& entry = entries_.emplace_back();
  entry.status = StatusForScanResult(ScanMp3File(path.c_str(), entry.prop));
  entry.filename = path;
  return &entry;
}

_mp3entry* Mp3List::addEntry(const _mp3entry& entry, int32_t* scanResult) {
  _mp3entry copy = entry;  // `entry` may be one of ours, moved by the growth
  entries_.push_back(std::move(copy));
  const int32_t result = scanEntry(count() - 1);
  if (scanResult) *scanResult = result;
  return &entries_.back();
}

int32_t Mp3List::scanEntry(int32_t index) {
  _mp3entry& entry = entries_[static_cast<size_t>(index)];
  const int32_t result = ScanMp3File(entry.filename.c_str(), entry.prop);
  if (result == kScanNoFrames) entry.status = kStatusUnknown;
  return result;
}

void Mp3List::removeAll() { entries_ = {}; }

bool Mp3List::moveElements(const IndexSet& selection, int32_t direction) {
  // Visit against the direction of the move so that neighbouring selected
  // entries move as a block; the first index visited is the only one that can
  // fail, so a refusal leaves the list unchanged.
  const int32_t n = count();
  if (direction > 0) {
    for (int32_t i = n - 1; i >= 0; --i) {
      if (!selection.containsIndex(i)) continue;
      if (i + 1 >= n) return false;
      std::swap(entries_[static_cast<size_t>(i)], entries_[static_cast<size_t>(i) + 1]);
    }
  } else {
    for (int32_t i = 0; i < n; ++i) {
      if (!selection.containsIndex(i)) continue;
      if (i - 1 < 0) return false;
      std::swap(entries_[static_cast<size_t>(i)], entries_[static_cast<size_t>(i - 1)]);
    }
  }
  return true;
}

void Mp3List::removeElements(const IndexSet& selection) {
  if (selection.count() == 0) return;
  std::vector<_mp3entry> kept;
  kept.reserve(entries_.size());
  for (int32_t i = 0; i < count(); ++i) {
    if (!selection.containsIndex(i)) kept.push_back(std::move(entries_[static_cast<size_t>(i)]));
  }
  entries_ = std::move(kept);
}

std::string Mp3List::cellText(const std::string& column, int32_t row) const {
  const _mp3entry& entry = entries_[static_cast<size_t>(row)];
  const _MP3prop& prop = entry.prop;
  char text[64];
  if (column == "Filename") {
    const size_t slash = entry.filename.rfind('/');
    return slash == std::string::npos ? entry.filename : entry.filename.substr(slash + 1);
  }
  if (column == "Status") return StatusText(entry.status);
  if (column == "Format") return FormatText(entry.format);
  if (column == "Duration") {
    std::snprintf(text, sizeof text, "%d'%02d\"", prop.duration / 60, prop.duration % 60);
    return text;
  }
  if (column == "Frequency") return std::to_string(prop.freq);
  if (column == "Stereo") return prop.stereo != 0 ? "Yes" : "No";
  if (column == "bps") return std::to_string(prop.bitrate) + (prop.vbr != 0 ? " (vbr)" : " (cbr)");
  if (column == "Title") return prop.id3.song;
  if (column == "Artist") return prop.id3.artist;
  if (column == "Album") return prop.id3.album;
  return "";
}

}  // namespace brelvano
