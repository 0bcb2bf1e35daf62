#include "base/Text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <charconv>

#include "base/Encoding.h"

namespace velra {

namespace {

bool IsSpaceOrTab(char c) {
  return c == ' ' || c == '\t';
}

// Calls f(codePoint) for every code point; invalid bytes come as U+FFFD.
template <typename F>
void ForEachCodePoint(std::string_view text, F f) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    f(c < 0 ? 0xFFFD : c);
  }
}

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

std::string Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsSpaceOrTab(text[begin])) ++begin;
  while (end > begin && IsSpaceOrTab(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string TrimBlanks(std::string_view text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(' ');
  return std::string(text.substr(begin, end - begin + 1));
}

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  if (IsAscii(text)) {
    for (char c : text) out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    return out;
  }
  ForEachCodePoint(text, [&](UChar32 c) {
    AppendUtf8(out, static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
  });
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
      if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
      if (x != y) return false;
    }
    return true;
  }
  return FoldCase(a) == FoldCase(b);
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::string ToUpper(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&](UChar32 c) { AppendUtf8(out, static_cast<char32_t>(u_toupper(c))); });
  return out;
}

int32_t LastPosition(std::string_view text, std::string_view character) {
  if (character.empty()) return 0;
  UChar32 wanted = 0;
  bool first = true;
  ForEachCodePoint(character, [&](UChar32 c) {
    if (first) wanted = c;
    first = false;
  });
  int32_t position = 0, last = 0;
  ForEachCodePoint(text, [&](UChar32 c) {
    ++position;
    if (c == wanted) last = position;
  });
  return last;
}

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t start = 0;
  while (true) {
    size_t found = text.find(separator, start);
    if (found == std::string_view::npos) {
      pieces.emplace_back(text.substr(start));
      return pieces;
    }
    pieces.emplace_back(text.substr(start, found - start));
    start = found + separator.size();
  }
}

std::string Join(const std::vector<std::string>& pieces, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) out.append(separator);
    out.append(pieces[i]);
  }
  return out;
}

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with) {
  if (what.empty()) return std::string(text);
  std::string out;
  size_t start = 0;
  while (true) {
    size_t found = text.find(what, start);
    if (found == std::string_view::npos) break;
    out.append(text.substr(start, found - start));
    out.append(with);
    start = found + what.size();
  }
  out.append(text.substr(start));
  return out;
}

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const size_t number = i + 1 < pattern.size() && pattern[i] == '%' && pattern[i + 1] >= '1' &&
                                  pattern[i + 1] <= '9'
                              ? static_cast<size_t>(pattern[i + 1] - '0')
                              : 0;
    if (number == 0 || number > values.size()) {
      out += pattern[i];
      continue;
    }
    out.append(*(values.begin() + (number - 1)));
    ++i;
  }
  return out;
}

size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  ForEachCodePoint(text, [&](UChar32) { ++count; });
  return count;
}

std::string FirstCharacters(std::string_view text, size_t count) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  for (size_t n = 0; n < count && i < length; ++n) U8_FWD_1(s, i, length);
  return std::string(text.substr(0, static_cast<size_t>(i)));
}

std::optional<int64_t> LeadingInteger(std::string_view text) {
  std::string trimmed = Trim(text);
  std::string_view digits = trimmed;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int64_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end == digits.data()) return std::nullopt;
  return value;
}

}  // namespace velra
