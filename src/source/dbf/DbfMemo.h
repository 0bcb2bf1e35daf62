#pragma once
// Memo files beside a table: dBase III and IV (.dbt) and FoxPro (.fpt).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "source/dbf/DbfFormat.h"

namespace velra::dbf {

enum class MemoFormat { DBase3, DBase4, FoxPro };

class MemoFile {
 public:
  // Opens and checks the memo file; nullptr with `problem` set (a German note for the load
  // report) when it cannot be used.
  static std::unique_ptr<MemoFile> Open(const std::string& path, MemoFormat format,
                                        std::string& problem);

  const std::string& Path() const { return file_.Path(); }
  uint64_t Size() const { return file_.Size(); }
  // The bytes of the memo in `block`; nullopt when the block lies outside the file or its
  // header claims more than the file holds.
  std::optional<std::string> Read(uint64_t block) const;

 private:
  MemoFile(const std::string& path, MemoFormat format) : file_(path), format_(format) {}
  std::optional<std::string> ReadUpToTerminator(uint64_t offset) const;

  BinaryFile file_;
  MemoFormat format_;
  uint32_t blockSize_ = 512;
};

}  // namespace velra::dbf
