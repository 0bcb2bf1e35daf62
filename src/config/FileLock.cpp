#include "config/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/Text.h"
#include "config/Messages.h"

namespace velra {

std::unique_ptr<FileLock> FileLock::Take(const std::string& path, Wait wait) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) throw ConfigError(Fill(messages::kLockNotCreated, {path, std::strerror(errno)}));
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | (wait == Wait::No ? LOCK_NB : 0));
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    const int reason = errno;
    ::close(fd);
    if (reason == EWOULDBLOCK) return nullptr;
    throw ConfigError(Fill(messages::kLockNotTaken, {path, std::strerror(reason)}));
  }
  return std::unique_ptr<FileLock>(new FileLock(fd));
}

FileLock::~FileLock() {
  ::close(fd_);
}

std::string LockFileBeside(const std::string& file, const std::string& purpose) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  fs::path target = fs::weakly_canonical(fs::path(file), ignored);
  if (target.empty()) target = fs::absolute(fs::path(file), ignored);
  return (target.parent_path() / ("." + target.filename().string() + "." + purpose + ".lock"))
      .string();
}

}  // namespace velra
