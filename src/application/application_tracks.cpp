// The track actions: add, remove, move, format, tags; and finding a track.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "analysis/index_set.h"
#include "application/brelvano_application.h"
#include "base/file_services.h"
#include "convert/output_path.h"
#include "project/project_file_names.h"

namespace brelvano {

namespace {

StdIndexSet Selection(const std::vector<int32_t>& rows, int32_t count) {
  StdIndexSet selection;
  for (int32_t row : rows) {
    if (row >= 0 && row < count) selection.addIndex(row);
  }
  return selection;
}

bool EndsWithMp3(const std::string& path) {
  return path.size() >= 4 && path.compare(path.size() - 4, 4, ".mp3") == 0;
}

// Copies typed text into a fixed-width tag field: control characters that a
// project file cannot carry are dropped, and the rest is cut at a character
// boundary so the field keeps whole characters and its NUL.
template <size_t N>
void SetTagField(char (&field)[N], const std::string& text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 || c == '\t' || c == '\n' || c == '\r') kept += c;
  }
  const std::string_view cut = CutAtCharacterBoundary(kept, N - 1);
  std::memcpy(field, cut.data(), cut.size());
  std::memset(field + cut.size(), 0, N - cut.size());
}

}  // namespace

std::string BrelvanoApplication::cellText(const std::string& columnIdentifier, int32_t row) const {
  if (row < 0 || row >= mp3List_.count()) return {};
  return mp3List_.cellText(columnIdentifier, row);
}

int32_t BrelvanoApplication::findTrack(const std::string& numberOrName) const {
  const int32_t count = mp3List_.count();
  if (!numberOrName.empty() && std::all_of(numberOrName.begin(), numberOrName.end(),
                                           [](char c) { return c >= '0' && c <= '9'; })) {
    const long number =
        numberOrName.size() > 9 ? 0 : std::strtol(numberOrName.c_str(), nullptr, 10);
    return number >= 1 && number <= count ? static_cast<int32_t>(number - 1) : -1;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (mp3List_.getElement(i)->filename == numberOrName) return i;
  }
  int32_t found = -1;
  for (int32_t i = 0; i < count; ++i) {
    if (LastPathComponent(mp3List_.getElement(i)->filename) != numberOrName) continue;
    if (found != -1) return -1;  // not unique
    found = i;
  }
  return found;
}

int32_t BrelvanoApplication::addFiles(const std::vector<std::string>& paths,
                                      std::vector<std::string>* refused) {
  int32_t added = 0;
  const int32_t firstNew = mp3List_.count();
  for (const std::string& path : paths) {
    if (!EndsWithMp3(path)) {
      if (refused) refused->push_back(path + ": only files ending in .mp3 are taken");
      continue;
    }
    // A name the project file could not give back would make the project
    // unreadable or point at another file.
    std::string why;
    if (!IsStorableFileName(path, &why)) {
      if (refused) refused->push_back(path + ": " += why);
      continue;
    }
    if (console_) console_->write("File  = " + path + "\n");
    mp3List_.addFile(path);
    // Marked by the output names of the whole list, once it is complete.
    ++added;
    const int32_t row = mp3List_.count() - 1;
    if (observer_) observer_->rowsInserted(row, row);
  }
  if (added > 0) {
    std::vector<int32_t> newRows;
    std::vector<int32_t> before;
    for (int32_t i = firstNew; i < mp3List_.count(); ++i) {
      newRows.push_back(i);
      before.push_back(mp3List_.getElement(i)->status);
    }
    MarkConvertedIfExists(project_, mp3List_, newRows);
    for (size_t k = 0; k < newRows.size(); ++k) {
      const int32_t row = newRows[k];
      if (observer_ && mp3List_.getElement(row)->status != before[k])
        observer_->rowsChanged(row, row);
    }
  }
  setEdited(true);
  return added;
}

void BrelvanoApplication::removeTracks(const std::vector<int32_t>& rows) {
  const StdIndexSet selection = Selection(rows, mp3List_.count());
  mp3List_.removeElements(selection);
  if (observer_) {
    // Runs of removed rows, last first: each run's numbers hold for a list
    // that has lost only the runs told before it.
    const std::set<int>& indexes = selection.indexes();
    for (auto it = indexes.rbegin(); it != indexes.rend();) {
      const int last = *it;
      int first = last;
      for (++it; it != indexes.rend() && *it == first - 1; ++it) first = *it;
      observer_->rowsRemoved(first, last);
    }
  }
  setEdited(true);
}

std::optional<std::vector<int32_t>> BrelvanoApplication::moveTracks(
    const std::vector<int32_t>& rows, int32_t direction) {
  const StdIndexSet selection = Selection(rows, mp3List_.count());
  const int32_t step = direction > 0 ? 1 : -1;
  if (selection.count() == 0 || !mp3List_.moveElements(selection, step)) return std::nullopt;
  std::vector<int32_t> moved;
  for (int index : selection.indexes()) moved.push_back(index + step);
  const int32_t first = std::min(*selection.indexes().begin(), moved.front());
  const int32_t last = std::max(*selection.indexes().rbegin(), moved.back());
  if (observer_) observer_->rowsChanged(first, last);
  setEdited(true);
  return moved;
}

void BrelvanoApplication::setTrackFormat(const std::vector<int32_t>& rows, int32_t format) {
  if (format != kFormatSwf && format != kFormatFlv) format = kFormatDefault;
  const StdIndexSet selection = Selection(rows, mp3List_.count());
  const std::vector<int32_t> selected(selection.indexes().begin(), selection.indexes().end());
  for (const int32_t index : selected) {
    mp3List_.getElement(index)->format = format;
    mp3List_.scanEntry(index);
  }
  MarkConvertedIfExists(project_, mp3List_, selected);
  for (const int32_t index : selected)
    if (observer_) observer_->rowsChanged(index, index);
  setEdited(true);
}

void BrelvanoApplication::editTags(int32_t row, const std::string& title, const std::string& artist,
                                   const std::string& album) {
  if (row < 0 || row >= mp3List_.count()) return;
  _Id3& id3 = mp3List_.getElement(row)->prop.id3;
  SetTagField(id3.song, title);
  SetTagField(id3.artist, artist);
  SetTagField(id3.album, album);
  id3.valid = 2;
  if (observer_) observer_->rowsChanged(row, row);
  setEdited(true);
}

void BrelvanoApplication::restoreTags(int32_t row) {
  if (row < 0 || row >= mp3List_.count()) return;
  // valid 0: the tag holds no values, so the scan takes the file's own (or none).
  mp3List_.getElement(row)->prop.id3 = _Id3{};
  mp3List_.scanEntry(row);
  if (observer_) observer_->rowsChanged(row, row);
  setEdited(true);
}

}  // namespace brelvano
