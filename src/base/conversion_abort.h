// The cancel flag shared by the batch, the writers and whoever shows progress.
#pragma once

#include <atomic>
#include <cstdint>

namespace brelvano {

// -1: the progress display is up and nothing runs; 0: a conversion runs;
// 1: the user asked to cancel. Writers only read it: any non-zero value
// makes them stop at the next frame. Lock-free, so a signal handler may set it.
class ConversionAbort {
 public:
  int32_t get() const { return value_.load(std::memory_order_relaxed); }
  void set(int32_t v) { value_.store(v, std::memory_order_relaxed); }
  bool requested() const { return get() != 0; }

 private:
  std::atomic<int32_t> value_{-1};
  static_assert(std::atomic<int32_t>::is_always_lock_free);
};

// The process-wide flag.
ConversionAbort& conversionAbort();

}  // namespace brelvano
