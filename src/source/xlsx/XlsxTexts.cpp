#include "source/xlsx/XlsxTexts.h"

namespace velra::xlsx {

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(pattern.size() + 64);
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
        pattern[i + 1] <= '9') {
      size_t n = static_cast<size_t>(pattern[i + 1] - '1');
      if (n < args.size()) out += args.begin()[n];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

[[noreturn]] void Throw(SourceErrorCode code, std::string_view pattern,
                        std::initializer_list<std::string_view> args) {
  throw SourceError(code, Fill(pattern, args));
}

std::string Megabytes(uint64_t bytes) {
  return std::to_string(bytes / (1024u * 1024u));
}

}  // namespace velra::xlsx
