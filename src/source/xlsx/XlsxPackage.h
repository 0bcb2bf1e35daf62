#pragma once
// The zip package of a .xlsx workbook: opened with the checks that tell a damaged, encrypted or
// other Office file apart, and read part by part through the XML tokenizer, within limits on
// what a part may unpack to.

#include <zip.h>

#include <cstdint>
#include <memory>
#include <string>

#include "source/xlsx/XlsxTexts.h"
#include "source/xlsx/XmlTokenizer.h"

namespace velra::xlsx {

// The unpacked bytes of one part, counted while they are inflated: the sizes in the archive's
// headers are the writer's claim, not a bound.
class PartReader : public ByteSource {
 public:
  PartReader(zip_t* zip, zip_int64_t index, uint64_t limit, const std::string& path,
             const std::string& part)
      : limit_(limit), path_(path), part_(part) {
    file_ = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
    if (!file_) Fail(zip_error_code_zip(zip_get_error(zip)));
  }
  ~PartReader() override { zip_fclose(file_); }
  PartReader(const PartReader&) = delete;
  PartReader& operator=(const PartReader&) = delete;

  size_t Read(char* buffer, size_t size) override {
    zip_int64_t read = zip_fread(file_, buffer, size);
    if (read < 0) Fail(zip_error_code_zip(zip_file_get_error(file_)));
    total_ += static_cast<uint64_t>(read);
    if (total_ > limit_)
      Throw(SourceErrorCode::TooLarge, kPartTooLarge, {path_, part_, Megabytes(limit_)});
    return static_cast<size_t>(read);
  }

 private:
  [[noreturn]] void Fail(int zipError) const {
    if (zipError == ZIP_ER_NOPASSWD || zipError == ZIP_ER_WRONGPASSWD ||
        zipError == ZIP_ER_ENCRNOTSUPP)
      Throw(SourceErrorCode::Unsupported, kEncrypted, {path_});
    if (zipError == ZIP_ER_MEMORY) Throw(SourceErrorCode::TooLarge, kOutOfMemory, {path_});
    Throw(SourceErrorCode::WrongFormat, kPartUnreadable, {path_, part_});
  }

  zip_file_t* file_ = nullptr;
  uint64_t total_ = 0;
  uint64_t limit_;
  const std::string& path_;
  const std::string& part_;
};

class Package {
 public:
  // Opens the workbook file; throws SourceError.
  explicit Package(const std::string& path);

  const std::string& Path() const { return path_; }
  // What the loaded data (table and texts) may take in memory.
  uint64_t MemoryLimit() const { return memoryLimit_; }
  // The index of a part, its letter case ignored when no part has the exact name; -1 when the
  // package has none.
  zip_int64_t Locate(const std::string& part) const;

  // Hands each token of the part at `index` to handler(xml, token) until the part ends or the
  // handler returns false. Throws SourceError naming the part.
  template <typename Handler>
  void ReadPart(const std::string& part, zip_int64_t index, Handler&& handler) {
    PartReader reader(zip_.get(), index, partLimit_, path_, part);
    XmlTokenizer xml(reader);
    try {
      for (;;) {
        XmlTokenizer::Token token = xml.Next();
        if (token == XmlTokenizer::Token::Finish || !handler(xml, token)) return;
      }
    } catch (const XmlError& error) {
      ThrowPartError(error, part);
    }
  }

 private:
  struct ZipDiscard {
    void operator()(zip_t* zip) const { zip_discard(zip); }
  };

  void Open();
  [[noreturn]] void ThrowPartError(const XmlError& error, const std::string& part) const;

  std::string path_;
  std::unique_ptr<zip_t, ZipDiscard> zip_;
  uint64_t partLimit_ = 0;
  uint64_t memoryLimit_ = 0;
};

}  // namespace velra::xlsx
