#include "config/InstanceLock.h"

#include <unistd.h>

#include <cstdlib>

#include "base/Paths.h"

namespace velra {

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(const std::string& folder) {
  std::string directory = folder;
  if (directory.empty()) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    directory = (runtime && *runtime) ? runtime : TempFolder();
  }
  std::string path =
      PathJoin(directory, "velra-importassistent-" + std::to_string(::getuid()) + ".lock");
  std::unique_ptr<FileLock> lock;
  try {
    lock = FileLock::Take(path, FileLock::Wait::No);
    if (!lock) return nullptr;  // held by another process
  } catch (const ConfigError&) {
    // Without a lock file the test cannot be made; that must not keep the user from working.
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(std::move(lock)));
}

}  // namespace velra
