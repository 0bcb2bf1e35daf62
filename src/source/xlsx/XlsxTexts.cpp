#include "source/xlsx/XlsxTexts.h"

#include "base/Text.h"

namespace velra::xlsx {

[[noreturn]] void Throw(SourceErrorCode code, std::string_view pattern,
                        std::initializer_list<std::string_view> args) {
  throw SourceError(code, Fill(pattern, args));
}

std::string Megabytes(uint64_t bytes) {
  return std::to_string(bytes / (1024u * 1024u));
}

}  // namespace velra::xlsx
