#pragma once
// The shared strings of a .xlsx workbook, and the texts of cells as the parts write them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "source/xlsx/XlsxPackage.h"

namespace velra::xlsx {

// The texts of the workbook in one buffer.
class SharedStrings {
 public:
  void Add(std::string_view text) {
    pool_ += text;
    ends_.push_back(static_cast<uint32_t>(pool_.size()));
  }
  size_t Count() const { return ends_.size(); }
  std::string_view At(size_t i) const {
    size_t begin = i > 0 ? ends_[i - 1] : 0;
    return std::string_view(pool_).substr(begin, ends_[i] - begin);
  }
  uint64_t Bytes() const { return pool_.size() + ends_.size() * sizeof(uint32_t); }

 private:
  std::string pool_;  // never beyond what a part may unpack to, so the ends fit
  std::vector<uint32_t> ends_;
};

// Reads the shared strings part; none when `part` is empty or missing. Throws SourceError.
SharedStrings ReadSharedStrings(Package& package, const std::string& part);

// Appends character data of one cell's text; throws SourceError naming the part when the text
// grows beyond what any writer stores in a cell.
void AppendCellText(std::string& text, std::string_view more, const std::string& path,
                    const std::string& part);

// Excel writes characters that XML cannot carry as _xHHHH_, and a literal "_x" as "_x005F_x".
void DecodeEscapes(std::string& text);

}  // namespace velra::xlsx
