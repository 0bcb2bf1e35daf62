#pragma once
// An exclusive lock between processes, held on a lock file that stays where it is (removing it
// would let a third process lock a new file while the second still holds the old one). The
// kernel releases it when the process ends, however it ends.

#include <memory>
#include <string>

#include "config/ConfigError.h"

namespace velra {

class FileLock {
 public:
  enum class Wait { No, Yes };

  // Locks `path`, creating the file when needed. nullptr when another process holds it and `wait`
  // is No; throws ConfigError naming the file when it cannot be opened or locked.
  static std::unique_ptr<FileLock> Take(const std::string& path, Wait wait);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_;
};

// The hidden lock file ".<name>.<purpose>.lock" beside `file`, with the file's links followed, so
// that every path to a shared file meets the same lock.
std::string LockFileBeside(const std::string& file, const std::string& purpose);

}  // namespace velra
