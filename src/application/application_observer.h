// What the application tells its front end, so a table model and the window
// follow every change without polling.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelvano {

class ApplicationObserver {
 public:
  virtual ~ApplicationObserver() = default;
  // Rows first..last (inclusive) of the track list were added, removed or changed.
  virtual void rowsInserted(int32_t /*first*/, int32_t /*last*/) {}
  virtual void rowsRemoved(int32_t /*first*/, int32_t /*last*/) {}
  virtual void rowsChanged(int32_t /*first*/, int32_t /*last*/) {}
  // The whole list was replaced (new or opened project).
  virtual void tracksReset() {}
  // The controls took new values (new or opened project, players rescan, and
  // after every changeSetting: force conversion may have been ticked and the
  // duration text changed). Re-read settings() and maxDurationText().
  virtual void settingsChanged() {}
  // The edited state, or whether the window shows its edited mark.
  virtual void editedChanged(bool /*edited*/, bool /*markShown*/) {}
  virtual void titleChanged(const std::string& /*title*/) {}
  virtual void recentProjectsChanged(const std::vector<std::string>& /*paths*/) {}
  virtual void playersChanged() {}
};

}  // namespace brelvano
