// How the core tells the user about a problem it goes on after: a modal
// message with one button in the desktop window, a line on standard error
// in the CLI.
#pragma once

#include <string>

namespace brelvano {

enum class AlertStyle { kInformational, kCritical };

class AlertSink {
 public:
  virtual ~AlertSink() = default;
  virtual void alert(AlertStyle style, const std::string& title, const std::string& message,
                     const std::string& button) = 0;
};

}  // namespace brelvano
