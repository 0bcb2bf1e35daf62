#include "source/dbf/DbfFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/Text.h"
#include "source/SourceError.h"
#include "source/SourceReader.h"
#include "source/dbf/DbfTexts.h"

namespace velra::dbf {

namespace {

constexpr uint32_t kFixedHeader = 32;
constexpr uint8_t kDescriptorEnd = 0x0D;
// Visual FoxPro field flags.
constexpr uint8_t kSystemField = 0x01, kNullableField = 0x02;

uint32_t Le16(const char* p) {
  return static_cast<uint32_t>(static_cast<uint8_t>(p[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(p[1])) << 8;
}

uint32_t Le32(const char* p) {
  return Le16(p) | Le16(p + 2) << 16;
}

Flavor FlavorOf(uint8_t version, const std::string& path) {
  switch (version) {
    case 0x03:
    case 0x83:
      return Flavor::DBase3;
    case 0x04:
    case 0x8C:
      return Flavor::DBase7;
    case 0x30:
    case 0x31:
    case 0x32:
      return Flavor::VisualFoxPro;
    case 0xF5:
    case 0xFB:
      return Flavor::FoxPro;
    case 0x02:
      // dBase II has a header of another shape altogether.
      throw SourceError(SourceErrorCode::Unsupported, texts::DbaseTwo(path));
    case 0x05:  // dBase V
    case 0x43:  // dBase IV with SQL table or memo variants
    case 0x63:
    case 0x7B:
    case 0x8B:
    case 0x8E:
    case 0xB3:
    case 0xCB:
    case 0xE5:
      return Flavor::DBase4;
    default:
      throw SourceError(SourceErrorCode::WrongFormat, texts::NotDbase(path));
  }
}

// A text file renamed to .dbf often starts with a byte that passes for a version; the date of
// the last change (YY MM DD) tells them apart.
bool PlausibleDate(const char* header) {
  auto month = static_cast<uint8_t>(header[2]), day = static_cast<uint8_t>(header[3]);
  if (month == 0 && day == 0) return true;
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

void AssignNullBits(Header& header) {
  int bit = 0;
  for (Field& field : header.fields) {
    if (field.system) continue;
    if (field.type == 'V' || field.type == 'Q') field.varLengthBit = bit++;
    if (field.nullable) field.nullBit = bit++;
  }
}

// The first 32 bytes: version, record count and lengths, language driver.
Header ReadFixedPart(const BinaryFile& file) {
  const std::string& path = file.Path();
  if (file.Size() == 0) throw SourceError(SourceErrorCode::WrongFormat, texts::FileEmpty(path));
  char fixed[kFixedHeader] = {};
  size_t fixedSize = file.Size() < kFixedHeader ? static_cast<size_t>(file.Size()) : kFixedHeader;
  if (!file.ReadAt(0, fixedSize, fixed))
    throw SourceError(SourceErrorCode::FileUnreadable, texts::FileShortRead(path));

  Header header;
  header.version = static_cast<uint8_t>(fixed[0]);
  header.flavor = FlavorOf(header.version, path);
  if (fixedSize < 4 || !PlausibleDate(fixed))
    throw SourceError(SourceErrorCode::WrongFormat, texts::NotDbase(path));
  if (fixedSize < kFixedHeader)
    throw SourceError(SourceErrorCode::WrongFormat, texts::HeaderTruncated(path));
  header.recordCount = Le32(fixed + 4);
  header.headerLength = Le16(fixed + 8);
  header.recordLength = Le16(fixed + 10);
  header.languageDriver = static_cast<uint8_t>(fixed[29]);
  return header;
}

// The field descriptor at `d`, without its offset in the record.
Field ReadDescriptor(const char* d, Flavor flavor) {
  const bool level7 = flavor == Flavor::DBase7;
  Field field;
  std::string_view name(d, strnlen(d, level7 ? 32 : 11));
  field.name = TrimBlanks(name);
  field.type = d[level7 ? 32 : 11];
  field.length = static_cast<uint8_t>(d[level7 ? 33 : 16]);
  field.decimals = static_cast<uint8_t>(d[level7 ? 34 : 17]);
  if (flavor == Flavor::VisualFoxPro) {
    auto flags = static_cast<uint8_t>(d[18]);
    field.system = (flags & kSystemField) != 0;
    field.nullable = (flags & kNullableField) != 0;
  }
  // Clipper and Harbour keep the high byte of a long character field's length in the
  // decimals; a dBase character field always has 0 there.
  if (field.type == 'C' && !level7) {
    field.length += static_cast<uint32_t>(field.decimals) << 8;
    field.decimals = 0;
  }
  return field;
}

// The field descriptors of the header `bytes` from `start` on into `header.fields`; returns the
// bytes of a record they take, the deletion flag included.
uint64_t ReadFields(const std::string& bytes, uint32_t start, Header& header,
                    const std::string& path) {
  const uint32_t descriptorSize = header.flavor == Flavor::DBase7 ? 48 : 32;
  uint64_t offset = 1;  // the deletion flag
  for (uint32_t pos = start; pos < header.headerLength; pos += descriptorSize) {
    // Some writers leave out the terminator when the header ends right after the last field.
    if (static_cast<uint8_t>(bytes[pos]) == kDescriptorEnd) break;
    if (pos + descriptorSize > header.headerLength)
      throw SourceError(SourceErrorCode::WrongFormat, texts::FieldsBeyondHeader(path));
    Field field = ReadDescriptor(bytes.data() + pos, header.flavor);
    if (field.type <= ' ' || field.type > '~' || field.length == 0)
      throw SourceError(SourceErrorCode::WrongFormat,
                        texts::FieldInvalid(path, header.fields.size() + 1));
    field.offset = static_cast<uint32_t>(offset);
    offset += field.length;
    if (field.system && field.type == '0' && header.nullFlagsField < 0)
      header.nullFlagsField = static_cast<int>(header.fields.size());
    header.fields.push_back(std::move(field));
  }
  return offset;
}

}  // namespace

BinaryFile::BinaryFile(const std::string& path) : path_(path) {
  // O_NONBLOCK: a FIFO named like a table must not block the open.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) {
    int error = errno;
    if (error == ENOENT) throw SourceError(SourceErrorCode::FileMissing, texts::FileMissing(path));
    throw SourceError(SourceErrorCode::FileUnreadable, texts::FileUnreadable(path, error));
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd_);
    throw SourceError(SourceErrorCode::FileUnreadable, texts::NotARegularFile(path));
  }
  size_ = static_cast<uint64_t>(info.st_size);
}

BinaryFile::~BinaryFile() {
  ::close(fd_);
}

bool BinaryFile::ReadAt(uint64_t offset, size_t size, char* out) const {
  if (offset > size_ || size > size_ - offset) return false;
  while (size > 0) {
    ssize_t got = ::pread(fd_, out, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    size -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

Header ReadHeader(const BinaryFile& file) {
  const std::string& path = file.Path();
  Header header = ReadFixedPart(file);
  const uint32_t descriptorsStart = header.flavor == Flavor::DBase7 ? 68 : kFixedHeader;
  if (header.headerLength < descriptorsStart + 1)
    throw SourceError(SourceErrorCode::WrongFormat,
                      texts::HeaderLengthInvalid(path, header.headerLength));
  if (header.headerLength > file.Size())
    throw SourceError(SourceErrorCode::WrongFormat, texts::HeaderTruncated(path));

  std::string bytes(header.headerLength, '\0');
  if (!file.ReadAt(0, bytes.size(), bytes.data()))
    throw SourceError(SourceErrorCode::FileUnreadable, texts::FileShortRead(path));
  const uint64_t recordBytes = ReadFields(bytes, descriptorsStart, header, path);

  size_t visible = 0;
  for (const Field& field : header.fields) visible += !field.system;
  if (visible == 0) throw SourceError(SourceErrorCode::WrongFormat, texts::NoFields(path));
  // Cannot happen with a 16-bit header length, but the limit must not depend on that.
  if (visible > kMaxSourceColumns)
    throw SourceError(SourceErrorCode::TooLarge, texts::TooManyFields(path, kMaxSourceColumns));
  if (header.recordLength < recordBytes)
    throw SourceError(SourceErrorCode::WrongFormat,
                      texts::RecordLengthInvalid(path, header.recordLength, recordBytes));
  if (header.nullFlagsField >= 0) AssignNullBits(header);
  return header;
}

}  // namespace velra::dbf
