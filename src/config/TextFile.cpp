#include "config/TextFile.h"
#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "base/Paths.h"
#include "config/Messages.h"

namespace velra {

namespace {

std::vector<std::string> SplitLines(const std::string& text, std::string& firstLineEnd) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(text, start, i - start);
    size_t endLength = (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    if (firstLineEnd.empty()) firstLineEnd = text.substr(i, endLength);
    i += endLength - 1;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text, start, text.size() - start);
  return lines;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<size_t>(n);
  }
  return true;
}

constexpr std::string_view kTemporaryMark = ".velra-tmp-";
constexpr std::string_view kUniqueSuffix = "XXXXXX";  // filled in by mkostemp
constexpr time_t kStaleAfterSeconds = 60;

std::string FolderOfFile(const std::string& path) {
  std::string folder = FolderOf(path);
  if (!folder.empty()) return folder;
  return path.starts_with('/') ? "/" : ".";
}

// The file that a write of `path` replaces: the links of its last component followed, also to a
// target that does not exist yet. Linked folders on the way need no resolving, since the rename
// stays within the folder they lead to. nullopt with the errno on a circle or an unreadable link.
std::optional<std::string> FollowLinks(std::string path, int& errorNumber) {
  constexpr int kMaxLinks = 40;  // the kernel's own limit
  for (int followed = 0; followed < kMaxLinks; ++followed) {
    struct stat info {};
    // Anything but a link is the target, a missing file too; mkostemp reports other errors.
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char linked[PATH_MAX];
    ssize_t length = ::readlink(path.c_str(), linked, sizeof linked);
    if (length < 0 || length == static_cast<ssize_t>(sizeof linked)) {
      errorNumber = length < 0 ? errno : ENAMETOOLONG;
      return std::nullopt;
    }
    std::string next(linked, static_cast<size_t>(length));
    path = next.starts_with('/') ? next : PathJoin(FolderOfFile(path), next);
  }
  errorNumber = ELOOP;
  return std::nullopt;
}

bool IsTemporaryOf(std::string_view candidate, std::string_view prefix) {
  return candidate.size() == prefix.size() + kUniqueSuffix.size() &&
         candidate.starts_with(prefix) &&
         std::all_of(candidate.begin() + static_cast<ptrdiff_t>(prefix.size()), candidate.end(),
                     [](unsigned char c) { return std::isalnum(c); });
}

// Removes the temporary files of `name` that killed writers left in `folder`: only that file's
// exact pattern, older than a minute and locked by no live writer. A leftover that cannot be
// removed stays; it harms nothing but the tidiness of the folder.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
  const std::string prefix = "." + name + std::string(kTemporaryMark);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;  // mkostemp in that folder reports why
  const time_t now = ::time(nullptr);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryOf(entry->d_name, prefix)) continue;
    int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        now - info.st_mtime > kStaleAfterSeconds && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

}  // namespace

std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit, int& errorNumber) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    errorNumber = errno;
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    errorNumber = S_ISDIR(info.st_mode) ? EISDIR : 0;
    ::close(fd);
    return std::nullopt;
  }
  std::string bytes(std::min(static_cast<size_t>(info.st_size), limit) + 1, '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      errorNumber = errno;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return bytes;
}

TextDocument ReadTextFile(const std::string& path) {
  int errorNumber = 0;
  std::optional<std::string> read = ReadSmallFile(path, kMaxTextFileSize, errorNumber);
  if (!read)
    throw ConfigError(errorNumber == ENOENT ? messages::FileMissing(path)
                      : errorNumber == 0 || errorNumber == EISDIR
                          ? messages::NotARegularFile(path)
                          : messages::FileUnreadable(path, errorNumber));
  if (read->size() > kMaxTextFileSize) throw ConfigError(messages::FileTooLarge(path));
  const std::string& bytes = *read;

  TextDocument document;
  std::string text = DecodeText(bytes, document.encoding);
  std::string lineEnd;
  document.lines = SplitLines(text, lineEnd);
  if (!lineEnd.empty()) document.lineEnd = lineEnd;
  return document;
}

void WriteTextFileAtomically(const std::string& path, const TextDocument& document) {
  std::string text;
  for (const std::string& line : document.lines) {
    text += line;
    text += document.lineEnd;
  }
  std::optional<std::string> bytes = EncodeText(text, document.encoding);
  if (!bytes) throw ConfigError(messages::NotEncodable(path));
  WriteFileAtomically(path, *bytes);
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) {
    ::unlink(temporary_.c_str());
    ::close(fd_);
  }
}

void AtomicFileWriter::Open() {
  if (fd_ >= 0) return;
  int errorNumber = 0;
  std::optional<std::string> target = FollowLinks(path_, errorNumber);
  if (!target) throw ConfigError(messages::FileNotWritable(path_, errorNumber));
  target_ = std::move(*target);
  // A device, a pipe or a folder is never replaced by a file: a rename over /dev/null would take
  // it from the whole system.
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    throw ConfigError(messages::NotARegularFile(path_));
  // In the target's own folder, so that the rename replaces the file at once.
  const std::string folder = FolderOfFile(target_);
  const std::string name = FileNameOf(target_);
  RemoveStaleTemporaries(folder, name);
  temporary_ =
      PathJoin(folder, "." + name + std::string(kTemporaryMark) + std::string(kUniqueSuffix));
  // Not inherited by a started program, which would keep the lock alive after we are gone.
  fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
  if (fd_ < 0) throw ConfigError(messages::FileNotWritable(path_, errno));
  // Held until the rename: it tells a live writer's file from a leftover.
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    int saved = errno;
    ::unlink(temporary_.c_str());
    ::close(fd_);
    fd_ = -1;
    throw ConfigError(messages::FileNotWritable(path_, saved));
  }
  errorNumber_ = 0;
}

// Gives the temporary file owner, group and permissions of the file it replaces. Owner first,
// since a change of owner may clear the set-id bits. Returns 0 or the errno.
int AtomicFileWriter::KeepAttributesOfTarget() {
  mode_t mode = 0644;  // for a new file
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0) {
    // Only a privileged process may give a file away. Any other keeps at least the group, which
    // the suite's users share the file through; the write does not fail for the owner.
    if (::fchown(fd_, info.st_uid, info.st_gid) != 0)
      ::fchown(fd_, static_cast<uid_t>(-1), info.st_gid);
    mode = info.st_mode & 07777;
  } else if (errno != ENOENT) {
    return errno;
  }
  return ::fchmod(fd_, mode) == 0 ? 0 : errno;
}

bool AtomicFileWriter::Flush() {
  if (errorNumber_ != 0) return false;
  if (fd_ < 0) {
    errorNumber_ = EBADF;
    return false;
  }
  if (!WriteAll(fd_, buffer_)) {
    errorNumber_ = errno ? errno : EIO;
    return false;
  }
  buffer_.clear();
  return true;
}

bool AtomicFileWriter::Write(std::string_view bytes) {
  // Collected in a buffer of some 64 KB so that many small pieces make few system calls.
  constexpr size_t kBufferBytes = 64 * 1024;
  if (errorNumber_ != 0) return false;
  buffer_.append(bytes);
  return buffer_.size() < kBufferBytes || Flush();
}

bool AtomicFileWriter::Restart() {
  buffer_.clear();
  if (fd_ < 0) return false;
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) {
    errorNumber_ = errno;
    return false;
  }
  errorNumber_ = 0;
  return true;
}

void AtomicFileWriter::Commit() {
  if (fd_ < 0) throw ConfigError(messages::FileNotWritable(path_, EBADF));
  int failure = Flush() ? KeepAttributesOfTarget() : errorNumber_;
  if (failure == 0 && ::fsync(fd_) != 0) failure = errno;
  if (failure == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0) failure = errno;
  // Removed while still locked, so that no other writer takes it for a leftover meanwhile.
  if (failure != 0) ::unlink(temporary_.c_str());
  // fsync has reported any error of the data; closing after it cannot lose any.
  ::close(fd_);
  fd_ = -1;
  if (failure != 0) throw ConfigError(messages::FileNotWritable(path_, failure));
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFileWriter writer(path);
  writer.Open();
  writer.Write(bytes);
  writer.Commit();
}

}  // namespace velra
