#include "source/xlsx/XlsxStyles.h"

#include <string_view>
#include <unordered_map>

#include "source/xlsx/XlsxNumbers.h"

namespace velra::xlsx {

namespace {

NumberKind BuiltInFormatKind(uint32_t id) {
  if ((id >= 14 && id <= 17) || id == 22) return NumberKind::Date;
  if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47)) return NumberKind::Time;
  if (id == 9 || id == 10) return NumberKind::Percentage;
  return NumberKind::Plain;
}

// Date and time tokens count only outside quoted text, escapes and brackets (colours, locales,
// conditions); bracketed [h], [mm], [ss] are elapsed times.
NumberKind CustomFormatKind(std::string_view code) {
  bool date = false, time = false, month = false, percentage = false;
  for (size_t i = 0; i < code.size(); ++i) {
    switch (code[i]) {
      case '"': {
        size_t close = code.find('"', i + 1);
        i = close == std::string_view::npos ? code.size() : close;
        break;
      }
      case '\\':
      case '_':
      case '*':
        ++i;
        break;
      case '[': {
        size_t close = code.find(']', i + 1);
        if (close == std::string_view::npos) close = code.size();
        std::string_view inside = code.substr(i + 1, close - i - 1);
        if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos)
          time = true;
        i = close;
        break;
      }
      case 'd':
      case 'D':
      case 'y':
      case 'Y':
        date = true;
        break;
      case 'h':
      case 'H':
      case 's':
      case 'S':
        time = true;
        break;
      case 'm':
      case 'M':
        month = true;
        break;
      case '%':
        percentage = true;
        break;
      default:
        break;
    }
  }
  if (date) return NumberKind::Date;
  if (time) return NumberKind::Time;
  if (month) return NumberKind::Date;
  return percentage ? NumberKind::Percentage : NumberKind::Plain;
}

}  // namespace

std::vector<NumberKind> ReadStyles(Package& package, const std::string& part) {
  std::vector<NumberKind> styles;
  zip_int64_t index = part.empty() ? -1 : package.Locate(part);
  if (index < 0) return styles;
  std::unordered_map<uint32_t, NumberKind> custom;
  std::vector<uint32_t> formats;
  bool inFormats = false;
  size_t cellFormatsDepth = 0;
  using Token = XmlTokenizer::Token;
  package.ReadPart(part, index, [&](XmlTokenizer& xml, Token token) {
    std::string_view name = xml.Name();
    if (token == Token::End) {
      if (name == "numFmts") inFormats = false;
      if (name == "cellXfs") cellFormatsDepth = 0;
    } else if (token == Token::Start) {
      uint32_t id = 0;
      if (name == "numFmts") {
        inFormats = true;
      } else if (name == "numFmt" && inFormats) {
        if (ParseUnsigned(xml.Attribute("numFmtId"), id))
          custom[id] = CustomFormatKind(xml.Attribute("formatCode"));
      } else if (name == "cellXfs") {
        cellFormatsDepth = xml.Depth();
      } else if (name == "xf" && cellFormatsDepth > 0 && xml.Depth() == cellFormatsDepth + 1) {
        ParseUnsigned(xml.Attribute("numFmtId"), id);
        formats.push_back(id);
      }
    }
    return true;
  });
  styles.reserve(formats.size());
  for (uint32_t id : formats) {
    auto found = custom.find(id);
    styles.push_back(found != custom.end() ? found->second : BuiltInFormatKind(id));
  }
  return styles;
}

}  // namespace velra::xlsx
