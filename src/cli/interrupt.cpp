#include "cli/interrupt.h"

#include <unistd.h>

#include "base/conversion_abort.h"
#include "cli/commands.h"
#include "convert/batch.h"

namespace brelvano::cli {

namespace {
// Only async-signal-safe work here: the flag is a lock-free atomic.
void OnInterrupt(int) {
  if (conversionAbort().get() != 0) _exit(kExitCancelled);
  convertCancel();
}
}  // namespace

CancelOnInterrupt::CancelOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous_);
}

CancelOnInterrupt::~CancelOnInterrupt() { sigaction(SIGINT, &previous_, nullptr); }

}  // namespace brelvano::cli
