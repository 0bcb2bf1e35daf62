#include "config/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "config/Paths.h"

namespace velra {

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(const std::string& folder) {
  std::string directory = folder;
  if (directory.empty()) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    directory = (runtime && *runtime) ? runtime : TempFolder();
  }
  std::string path =
      PathJoin(directory, "velra-importassistent-" + std::to_string(::getuid()) + ".lock");
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // Without a lock file the test cannot be made; that must not keep the user from working.
  if (fd < 0) return std::unique_ptr<InstanceLock>(new InstanceLock(-1));
  // flock is released by the kernel when the process ends, however it ends.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace velra
