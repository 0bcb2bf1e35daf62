#include "source/xlsx/XlsxSharedStrings.h"

#include "base/Encoding.h"

namespace velra::xlsx {

namespace {

// Excel keeps at most 32767 characters in a cell; this leaves room for any writer.
constexpr size_t kMaxCellTextBytes = 1024u * 1024u;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

SharedStrings ReadSharedStrings(Package& package, const std::string& part) {
  SharedStrings strings;
  zip_int64_t index = part.empty() ? -1 : package.Locate(part);
  if (index < 0) return strings;
  std::string item;
  bool inItem = false, inText = false;
  int phonetic = 0;
  using Token = XmlTokenizer::Token;
  package.ReadPart(part, index, [&](XmlTokenizer& xml, Token token) {
    if (token == Token::Text) {
      if (inText && phonetic == 0) AppendCellText(item, xml.Text(), package.Path(), part);
      return true;
    }
    std::string_view name = xml.Name();
    bool start = token == Token::Start;
    if (name == "si") {
      inItem = start;
      if (start) {
        item.clear();
      } else {
        DecodeEscapes(item);
        strings.Add(item);
        if (strings.Bytes() > package.MemoryLimit())
          Throw(SourceErrorCode::TooLarge, kTooMuchMemory,
                {package.Path(), Megabytes(package.MemoryLimit())});
      }
    } else if (name == "rPh") {
      phonetic += start ? 1 : -1;
    } else if (name == "t") {
      inText = start && inItem;
    }
    return true;
  });
  return strings;
}

void AppendCellText(std::string& text, std::string_view more, const std::string& path,
                    const std::string& part) {
  text += more;
  if (text.size() > kMaxCellTextBytes)
    Throw(SourceErrorCode::TooLarge, kPartTokenTooLong, {path, part, Megabytes(kMaxCellTextBytes)});
}

void DecodeEscapes(std::string& text) {
  size_t at = text.find("_x");
  if (at == std::string::npos) return;
  auto escapeAt = [&](size_t i, char32_t& unit) {
    if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_')
      return false;
    for (size_t k = i + 2; k < i + 6; ++k)
      if (!IsHexDigit(text[k])) return false;
    unit = static_cast<char32_t>(std::stoul(text.substr(i + 2, 4), nullptr, 16));
    return true;
  };
  std::string out(text, 0, at);
  for (size_t i = at; i < text.size();) {
    char32_t unit;
    if (!escapeAt(i, unit)) {
      out += text[i++];
      continue;
    }
    char32_t low;
    if (unit >= 0xD800 && unit <= 0xDBFF && escapeAt(i + 7, low) && low >= 0xDC00 &&
        low <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      i += 14;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out += text[i++];  // a lone surrogate stays as written
    } else {
      AppendUtf8(out, unit);
      i += 7;
    }
  }
  text = std::move(out);
}

}  // namespace velra::xlsx
