#pragma once
// The layout of a dBase table as its header describes it, checked against the real file size
// before anything is read or allocated on the header's word.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velra::dbf {

// A file opened for reading at offsets. Opening throws SourceError naming the file.
class BinaryFile {
 public:
  explicit BinaryFile(const std::string& path);
  ~BinaryFile();
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;

  const std::string& Path() const { return path_; }
  uint64_t Size() const { return size_; }
  // Reads exactly `size` bytes at `offset`; false on a short read or an I/O error.
  bool ReadAt(uint64_t offset, size_t size, char* out) const;

 private:
  std::string path_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

// The writers that matter for reading: they differ in header layout, memo format and types.
enum class Flavor { DBase3, DBase4, DBase7, FoxPro, VisualFoxPro };

struct Field {
  std::string name;  // as stored, without the NUL padding and blanks
  char type = 'C';
  uint32_t offset = 0;  // from the start of the record, the deletion flag included
  uint32_t length = 0;
  uint8_t decimals = 0;
  bool system = false;    // Visual FoxPro's hidden _NullFlags
  bool nullable = false;  // Visual FoxPro
  int nullBit = -1;       // bit in _NullFlags that marks the value as null
  int varLengthBit = -1;  // bit in _NullFlags that says the last byte holds the length
};

struct Header {
  uint8_t version = 0;
  Flavor flavor = Flavor::DBase3;
  uint32_t recordCount = 0;  // as claimed; Load bounds it by the file size
  uint32_t headerLength = 0;
  uint32_t recordLength = 0;
  uint8_t languageDriver = 0;
  std::vector<Field> fields;  // system fields included
  int nullFlagsField = -1;    // index in `fields`, or -1

  bool IsFoxPro() const { return flavor == Flavor::FoxPro || flavor == Flavor::VisualFoxPro; }
};

// Reads and checks the header; throws SourceError naming the file when it is no dBase table or
// describes a layout the file cannot hold.
Header ReadHeader(const BinaryFile& file);

}  // namespace velra::dbf
