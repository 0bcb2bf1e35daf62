#include "source/xls/BiffFormats.h"

#include <cctype>
#include <vector>

#include "base/Text.h"

namespace velra::biff {

namespace {

// A format of three quoted words such as "TRUE";"TRUE";"FALSE" shows numbers as truth values;
// other programs store the results of logical formulas that way.
bool IsBooleanFormat(std::string_view code) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= code.size(); ++i) {
    if (i == code.size() || (code[i] == ';' && !quoted)) {
      sections.push_back(code.substr(start, i - start));
      start = i + 1;
    } else if (code[i] == '"') {
      quoted = !quoted;
    }
  }
  auto word = [](std::string_view section) -> std::string_view {
    if (section.size() < 2 || section.front() != '"' || section.back() != '"') return {};
    return section.substr(1, section.size() - 2);
  };
  if (sections.size() != 3 || word(sections[0]) != word(sections[1])) return false;
  auto isTrue = [&](std::string_view w) {
    return EqualsIgnoreCase(w, "TRUE") || EqualsIgnoreCase(w, "WAHR");
  };
  auto isFalse = [&](std::string_view w) {
    return EqualsIgnoreCase(w, "FALSE") || EqualsIgnoreCase(w, "FALSCH");
  };
  return isTrue(word(sections[0])) && isFalse(word(sections[2]));
}

}  // namespace

// The formats Excel knows without a FORMAT record; 27 to 36 and 50 to 58 are the dates of the
// East Asian editions.
FormatKind BuiltInFormat(uint16_t index) {
  if ((index >= 14 && index <= 17) || index == 22 || (index >= 27 && index <= 36) ||
      (index >= 50 && index <= 58))
    return FormatKind::Date;
  if ((index >= 18 && index <= 21) || (index >= 45 && index <= 47)) return FormatKind::Time;
  if (index == 9 || index == 10) return FormatKind::Percentage;
  return FormatKind::Number;
}

// How a format code shows a number. Letters count only outside quotes, escapes and brackets.
FormatKind ClassifyFormat(std::string_view code) {
  if (code.empty() || EqualsIgnoreCase(code, "General") || EqualsIgnoreCase(code, "Standard"))
    return FormatKind::Number;
  if (IsBooleanFormat(code)) return FormatKind::Boolean;
  bool date = false, time = false, month = false, percentage = false;
  for (size_t i = 0; i < code.size(); ++i) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(code[i])));
    if (c == '"') {
      size_t end = code.find('"', i + 1);
      i = end == std::string_view::npos ? code.size() : end;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is shown literally or used as fill
    } else if (c == '[') {
      size_t end = code.find(']', i + 1);
      if (end == std::string_view::npos) break;
      std::string_view inner = code.substr(i + 1, end - i - 1);
      // [h], [mm], [ss]: elapsed time; anything else in brackets is a colour, condition or locale
      if (!inner.empty() && inner.find_first_not_of("hHmMsS") == std::string_view::npos)
        time = true;
      i = end;
    } else if (EqualsIgnoreCase(code.substr(i, 5), "am/pm")) {
      time = true;
      i += 4;
    } else if (EqualsIgnoreCase(code.substr(i, 3), "a/p")) {
      time = true;
      i += 2;
    } else if (c == 'y' || c == 'd') {
      date = true;
    } else if (c == 'h' || c == 's') {
      time = true;
    } else if (c == 'm') {
      month = true;  // minutes when hours or seconds stand beside it
    } else if (c == '%') {
      percentage = true;
    }
  }
  if (date) return FormatKind::Date;
  if (time) return FormatKind::Time;
  if (month) return FormatKind::Date;
  return percentage ? FormatKind::Percentage : FormatKind::Number;
}

}  // namespace velra::biff
