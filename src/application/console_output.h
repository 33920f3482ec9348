// The two lines the application writes to standard output ("File  = %s\n"
// for an added file, "Test with %s\n" for a player test), through whatever
// the front end makes of standard output.
#pragma once

#include <string>

namespace brelvano {

class ConsoleOutput {
 public:
  virtual ~ConsoleOutput() = default;
  // One line, with its newline.
  virtual void write(const std::string& line) = 0;
};

}  // namespace brelvano
