#pragma once
// Unsigned numbers as the parts of a workbook write them in attributes and values.

#include <charconv>
#include <string_view>

namespace velra::xlsx {

// False unless all of `text` is the number.
template <typename T>
bool ParseUnsigned(std::string_view text, T& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace velra::xlsx
