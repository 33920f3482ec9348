// The ordered list of a project's tracks, and the texts of the track table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/index_set.h"
#include "analysis/mp3entry.h"

namespace brelvano {

// The "Status" column's text for a track status code; empty for -1 (not
// converted yet) and any unknown code.
const char* StatusText(int32_t status);
// The "Format" column's text for a track format code; empty for unknown codes.
const char* FormatText(int32_t format);
// The track status that a newly added file gets from its scan result.
int32_t StatusForScanResult(int32_t scanResult);

// Records are held by value; a pointer handed out by getElement, addFile or
// addEntry stays valid only until the next operation that adds or removes
// entries. Indexes run from 0 to count() - 1; callers pass only indexes that
// exist.
class Mp3List {
 public:
  Mp3List() = default;

  int32_t count() const { return static_cast<int32_t>(entries_.size()); }
  _mp3entry* getElement(int32_t index) { return &entries_[static_cast<size_t>(index)]; }
  const _mp3entry* getElement(int32_t index) const { return &entries_[static_cast<size_t>(index)]; }

  // Appends a fresh entry for the file and analyses it; a file that cannot be
  // read is still added, its status telling why.
  _mp3entry* addFile(const std::string& path);
  // Appends a copy of `entry` and re-analyses it; tag fields whose `valid` is
  // 2 stay as they are. *scanResult (when non-null) gets the scan's result.
  _mp3entry* addEntry(const _mp3entry& entry, int32_t* scanResult = nullptr);
  // Re-analyses one entry. Only "no frame header at all" changes its status.
  // Returns the scan's result (kScanOk...).
  int32_t scanEntry(int32_t index);
  void removeAll();
  // Moves the selected entries one place towards the end (direction > 0) or
  // the start (otherwise), neighbours as a block. A move that would push an
  // entry past either end is refused: false, the list unchanged.
  bool moveElements(const IndexSet& selection, int32_t direction);
  // Removes the selected entries, keeping the order of the others.
  void removeElements(const IndexSet& selection);

  // The track table's data source.
  int32_t numberOfRows() const { return count(); }
  std::string cellText(const std::string& columnIdentifier, int32_t row) const;

 private:
  std::vector<_mp3entry> entries_;
};

}  // namespace brelvano
