// Makes writes fail past a file size for the life of the object, so tests
// can see how writers handle a full disk (SIGXFSZ is ignored meanwhile and
// writes fail with EFBIG).
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace brelvano::test {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool active() const { return active_; }

 private:
  rlimit old_{};
  void (*previous_)(int) = nullptr;
  bool active_ = false;
};

}  // namespace brelvano::test
