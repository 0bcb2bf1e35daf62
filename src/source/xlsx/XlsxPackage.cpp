#include "source/xlsx/XlsxPackage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <string_view>
#include <vector>

#include "config/Messages.h"

namespace velra::xlsx {

namespace {

// A part may not unpack to more than this, nor to more than kMaxExpansion times the file: real
// sheets compress far less, so beyond that the archive is damaged or built to exhaust memory.
constexpr uint64_t kMaxPartBytes = 512u * 1024u * 1024u;
constexpr uint64_t kMinPartLimit = 32u * 1024u * 1024u;
constexpr uint64_t kMaxExpansion = 100;
// The loaded data (table and texts) may take this multiple of the file, within these bounds: a
// few bytes of XML can stand for a row of 16384 empty cells.
constexpr uint64_t kMinMemoryLimit = 256u * 1024u * 1024u;
constexpr uint64_t kMaxMemoryLimit = 2048u * 1024u * 1024u;
constexpr uint64_t kMaxMemoryExpansion = 40;

// An encrypted workbook is a compound file whose directory names the stream
// "EncryptedPackage" (in UTF-16).
bool HoldsEncryptedPackage(int fd) {
  static constexpr char16_t kName[] = u"EncryptedPackage";
  std::string pattern;
  for (char16_t c : std::u16string_view(kName)) {
    pattern.push_back(static_cast<char>(c & 0xFF));
    pattern.push_back(static_cast<char>(c >> 8));
  }
  std::string window;
  std::vector<char> chunk(1024 * 1024);
  off_t offset = 0;
  for (;;) {
    ssize_t read = ::pread(fd, chunk.data(), chunk.size(), offset);
    if (read <= 0) return false;
    offset += read;
    window.append(chunk.data(), static_cast<size_t>(read));
    if (window.find(pattern) != std::string::npos) return true;
    window.erase(0, window.size() - std::min(window.size(), pattern.size() - 1));
  }
}

}  // namespace

Package::Package(const std::string& path) : path_(path) {
  try {
    Open();
  } catch (const std::bad_alloc&) {
    Throw(SourceErrorCode::TooLarge, kOutOfMemory, {path_});
  }
}

void Package::Open() {
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int error = errno;
    if (error == ENOENT)
      throw SourceError(SourceErrorCode::FileMissing, messages::FileMissing(path_));
    throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path_, error));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    throw SourceError(SourceErrorCode::FileUnreadable, messages::NotARegularFile(path_));
  }
  uint64_t size = static_cast<uint64_t>(info.st_size);
  partLimit_ = std::clamp(size * kMaxExpansion, kMinPartLimit, kMaxPartBytes);
  memoryLimit_ = std::clamp(size * kMaxMemoryExpansion, kMinMemoryLimit, kMaxMemoryLimit);
  char head[8] = {};
  ssize_t headSize = ::pread(fd, head, sizeof head, 0);
  if (headSize < 0) {
    int error = errno;
    ::close(fd);
    throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path_, error));
  }
  std::string_view signature(head, static_cast<size_t>(headSize));
  if (signature.empty()) {
    ::close(fd);
    Throw(SourceErrorCode::WrongFormat, kEmptyFile, {path_});
  }
  if (signature == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
    bool encrypted = HoldsEncryptedPackage(fd);
    ::close(fd);
    if (encrypted) Throw(SourceErrorCode::Unsupported, kEncrypted, {path_});
    Throw(SourceErrorCode::WrongFormat, kOtherOfficeFormat, {path_});
  }

  int error = 0;
  zip_t* zip = zip_fdopen(fd, ZIP_RDONLY, &error);
  if (!zip) {
    ::close(fd);
    switch (error) {
      case ZIP_ER_NOZIP:
      case ZIP_ER_INCONS:
      case ZIP_ER_EOF:
        Throw(SourceErrorCode::WrongFormat, signature.starts_with("PK") ? kDamaged : kNotAWorkbook,
              {path_});
      case ZIP_ER_MEMORY:
        Throw(SourceErrorCode::TooLarge, kOutOfMemory, {path_});
      default:
        throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path_, EIO));
    }
  }
  zip_.reset(zip);
}

zip_int64_t Package::Locate(const std::string& part) const {
  zip_int64_t index = zip_name_locate(zip_.get(), part.c_str(), 0);
  if (index < 0) index = zip_name_locate(zip_.get(), part.c_str(), ZIP_FL_NOCASE);
  return index;
}

void Package::ThrowPartError(const XmlError& error, const std::string& part) const {
  switch (error.GetKind()) {
    case XmlError::Kind::Doctype:
      Throw(SourceErrorCode::WrongFormat, kPartDoctype, {path_, part});
    case XmlError::Kind::TooDeep:
      Throw(SourceErrorCode::WrongFormat, kPartTooDeep,
            {path_, part, std::to_string(XmlTokenizer::kMaxDepth)});
    case XmlError::Kind::TokenTooLong:
      Throw(SourceErrorCode::TooLarge, kPartTokenTooLong,
            {path_, part, Megabytes(XmlTokenizer::kMaxTokenBytes)});
    case XmlError::Kind::Utf16:
      Throw(SourceErrorCode::Unsupported, kPartUtf16, {path_, part});
    case XmlError::Kind::Malformed:
      break;
  }
  Throw(SourceErrorCode::WrongFormat, kPartNotXml, {path_, part});
}

}  // namespace velra::xlsx
