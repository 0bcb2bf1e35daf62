#pragma once
// Single-byte code pages of older files (dBase, Access 97, Excel 97 strings) to UTF-8.

#include <memory>
#include <string>
#include <string_view>

namespace velra {

class CodePage {
 public:
  // A Windows or DOS code page number (1252, 850, 437, 1250, ...); unknown numbers fall back to
  // Windows-1252.
  explicit CodePage(int number);
  ~CodePage();
  CodePage(CodePage&&) noexcept;
  CodePage& operator=(CodePage&&) noexcept;

  int Number() const { return number_; }
  std::string ToUtf8(std::string_view bytes) const;

 private:
  int number_;
  struct Table;
  std::unique_ptr<Table> table_;  // the 128 upper characters, precomputed
};

}  // namespace velra
