#include "config/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "config/Messages.h"
#include "config/Paths.h"

namespace velra {

namespace {

void SetError(std::string* error, std::string message) {
  if (error) *error = std::move(message);
}

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

}  // namespace

std::optional<TextDocument> ReadTextFile(const std::string& path, std::string* error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    SetError(error,
             errno == ENOENT ? messages::FileMissing(path) : messages::FileUnreadable(path, errno));
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    SetError(error, messages::NotARegularFile(path));
    return std::nullopt;
  }
  if (static_cast<size_t>(info.st_size) > kMaxTextFileSize) {
    ::close(fd);
    SetError(error, messages::FileTooLarge(path));
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(info.st_size), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int saved = errno;
      ::close(fd);
      SetError(error, messages::FileUnreadable(path, saved));
      return std::nullopt;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);

  TextDocument document;
  std::string text = DecodeText(bytes, document.encoding);
  std::string lineEnd;
  document.lines = SplitLines(text, lineEnd);
  if (!lineEnd.empty()) document.lineEnd = lineEnd;
  return document;
}

bool WriteTextFileAtomically(const std::string& path, const TextDocument& document,
                             std::string* error) {
  std::string text;
  for (const std::string& line : document.lines) {
    text += line;
    text += document.lineEnd;
  }
  std::optional<std::string> bytes = EncodeText(text, document.encoding);
  if (!bytes) {
    SetError(error, messages::NotEncodable(path));
    return false;
  }

  std::string folder = FolderOf(path);
  std::string temporary =
      PathJoin(folder.empty() ? "." : folder, "." + FileNameOf(path) + ".XXXXXX");
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    SetError(error, messages::FileNotWritable(path, errno));
    return false;
  }
  // Keep the permissions of the file that is replaced.
  struct stat info {};
  ::fchmod(fd, ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644);
  bool ok = WriteAll(fd, *bytes) && ::fsync(fd) == 0;
  int saved = errno;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
    saved = errno;
    ok = false;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    SetError(error, messages::FileNotWritable(path, saved));
  }
  return ok;
}

}  // namespace velra
