// Ctrl-C as the progress display's Cancel button, for as long as one of
// these lives: the track in work ends "Aborted" and well-formed, the batch
// stops after it. A second Ctrl-C, or one while nothing converts, leaves at once.
#pragma once

#include <signal.h>

namespace brelvano::cli {

class CancelOnInterrupt {
 public:
  CancelOnInterrupt();
  ~CancelOnInterrupt();
  CancelOnInterrupt(const CancelOnInterrupt&) = delete;
  CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;

 private:
  struct sigaction previous_ {};
};

}  // namespace brelvano::cli
