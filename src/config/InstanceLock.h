#pragma once
// The single-instance test: a lock file per user that the running wizard holds.

#include <memory>
#include <string>

namespace velra {

class InstanceLock {
 public:
  // Takes the lock; nullptr when another process of the same user holds it.
  // `folder` defaults to XDG_RUNTIME_DIR, else the temporary folder.
  static std::unique_ptr<InstanceLock> TryAcquire(const std::string& folder = {});
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

 private:
  explicit InstanceLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace velra
