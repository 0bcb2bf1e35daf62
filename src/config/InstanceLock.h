#pragma once
// The single-instance test: a lock file per user that the running wizard holds.

#include <memory>
#include <string>

#include "config/FileLock.h"

namespace velra {

class InstanceLock {
 public:
  // Takes the lock; nullptr when another process of the same user holds it.
  // `folder` defaults to XDG_RUNTIME_DIR, else the temporary folder.
  static std::unique_ptr<InstanceLock> TryAcquire(const std::string& folder = {});

 private:
  explicit InstanceLock(std::unique_ptr<FileLock> lock) : lock_(std::move(lock)) {}
  std::unique_ptr<FileLock> lock_;  // null when no lock file could be made
};

}  // namespace velra
