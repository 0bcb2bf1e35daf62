#pragma once
// What the fuzz targets share: a scratch folder per process, reading options from the input's
// first bytes, comparing loaded tables, and stopping with a message when a property fails.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "source/SourceTable.h"

namespace velra::fuzz {

// A folder of this process, made on first use (in /dev/shm where it exists) and removed at exit.
const std::string& ScratchFolder();
// Writes `bytes` as the whole content of `name` in the scratch folder and returns the path.
std::string WriteScratchFile(const std::string& name, std::string_view bytes);
// Removes every file of the scratch folder.
void ClearScratchFolder();

// Takes bytes from the front of the input.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}
  uint8_t Byte() {
    if (rest_.empty()) return 0;
    auto value = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return value;
  }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  // Up to `count` bytes.
  std::string_view Take(size_t count) {
    std::string_view taken = rest_.substr(0, count);
    rest_.remove_prefix(taken.size());
    return taken;
  }
  // The bytes up to the next `separator` (dropped) or the end.
  std::string_view Until(char separator) {
    size_t at = rest_.find(separator);
    std::string_view taken = rest_.substr(0, at);
    rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
    return taken;
  }
  std::string_view Rest() const { return rest_; }
  bool Empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// Stops the run: the fuzzer reports the input that broke the property.
[[noreturn]] void Fail(const std::string& what);
#define FUZZ_CHECK(condition, what)                                                 \
  do {                                                                              \
    if (!(condition)) ::velra::fuzz::Fail(std::string(#condition) + ": " + (what)); \
  } while (false)

// Values compare equal when they are of one type and hold the same; a NaN equals a NaN.
bool SameValue(const Value& a, const Value& b);
std::string Describe(const Value& value);
// Empty when the tables hold the same names, rows, source lines and cells; else the first
// difference.
std::string TableDifference(const SourceTable& a, const SourceTable& b);
// Empty when `withNames` is `withoutNames` less its first row (rows, lines and the cells of
// the columns `withNames` has); else the first difference. A source read with and without
// names must give the same data.
std::string HeaderDifference(const SourceTable& withNames, const SourceTable& withoutNames);

}  // namespace velra::fuzz
