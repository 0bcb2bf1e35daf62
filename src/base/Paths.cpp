#include "base/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace velra {

namespace {
bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

size_t LastSeparator(std::string_view path) {
  return path.find_last_of("/\\");
}
}  // namespace

std::string FolderOf(std::string_view path) {
  size_t position = LastSeparator(path);
  return position == std::string_view::npos ? std::string() : std::string(path.substr(0, position));
}

std::string FileNameOf(std::string_view path) {
  size_t position = LastSeparator(path);
  return position == std::string_view::npos ? std::string(path)
                                            : std::string(path.substr(position + 1));
}

std::string PathJoin(std::string_view folder, std::string_view name) {
  if (!name.empty() && IsSeparator(name.front())) name.remove_prefix(1);
  std::string out(folder);
  if (out.empty() || !IsSeparator(out.back())) out.push_back('/');
  out.append(name);
  return out;
}

std::string NormaliseFolder(std::string_view folder) {
  if (folder.empty()) return {};
  std::string out(folder);
  for (char& c : out)
    if (c == '\\') c = '/';
  if (out.back() != '/') out.push_back('/');
  return out;
}

std::string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = (tmp && *tmp) ? tmp : "/tmp";
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

bool FileExists(std::string_view path) {
  if (path.empty()) return false;
  struct stat info {};
  return ::stat(std::string(path).c_str(), &info) == 0;
}

bool IsDirectory(std::string_view path) {
  if (path.empty()) return false;
  struct stat info {};
  return ::stat(std::string(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(std::string_view path) {
  if (path.empty()) return false;
  struct stat info {};
  return ::stat(std::string(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ExecutableFolder() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return NormaliseFolder(std::filesystem::current_path(error).string());
  return NormaliseFolder(self.parent_path().string());
}

bool IsSafeFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || IsSeparator(c)) return false;
  }
  return true;
}

}  // namespace velra
