// The setting controls of the main window as plain values, and the states
// the window gives them.
#pragma once

#include <cstdint>
#include <string>

namespace brelvano {

struct ProjectSettings {
  bool generateHTML = false;     // publishFlags bit 0
  bool useTemplate = false;      // bit 7
  bool spectrum = false;         // bit 1
  bool truncate = false;         // bit 2
  int32_t maxTime = 0;           // the field's seconds, kept even while truncate is off
  int32_t fps = 0;               // the fps field and its stepper, always equal
  std::string player;            // the selected player; empty when there is none
  std::string destFolder;        // the destination field's text
  int32_t exportFormat = 0;      // 0 SWF, 1 FLV
  bool autostart = false;        // bit 4
  bool playall = false;          // bit 5
  bool loop = false;             // bit 6
  bool shuffle = false;          // bit 3
  bool forceConversion = false;  // not saved: convert even when the output exists
};

// Which control a change came from.
enum class SettingControl {
  kGenerateHTML,
  kUseTemplate,
  kSpectrum,
  kTruncate,
  kMaxTime,
  kFps,
  kFpsStepper,
  kPlayer,
  kDestFolder,
  kExportFormat,
  kAutostart,
  kPlayall,
  kLoop,
  kShuffle,
  kForceConversion,
};

struct ControlStates {
  bool trackActionsEnabled = false;   // listen, remove, move up and down: a row is selected
  bool publishEnabled = false;        // the list holds tracks
  bool useTemplateEnabled = false;    // generateHTML ticked
  bool maxTimeEnabled = false;        // truncate ticked
  bool maxDurationHidden = false;     // FLV selected
  bool folderPreviewEnabled = false;  // the page (or the player) exists in the destination
};

}  // namespace brelvano
