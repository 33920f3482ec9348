// Stand-in for libhwy's timer probe, preloaded into ffmpeg when it runs under
// valgrind: libhwy (pulled in by ffmpeg's libjxl) measures its timer in a
// static initialiser with RDTSCP, an instruction valgrind cannot emulate, so
// ffmpeg would die with SIGILL before it starts. The benchmark never uses the
// timer; any resolution will do.
#include <cstdint>

namespace hwy::platform {
uint64_t TimerResolution() { return 1; }
}  // namespace hwy::platform
