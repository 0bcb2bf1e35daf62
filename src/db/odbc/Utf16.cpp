#include "db/odbc/Utf16.h"

#include "base/Encoding.h"

namespace velra::odbc {

void AppendUtf16(std::string_view utf8, std::u16string& out) {
  // No more units than bytes: the text is written in place and the rest cut off at the end.
  size_t at = out.size();
  out.resize(at + utf8.size());
  char16_t* units = out.data();
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      units[at++] = lead;
      ++i;
      continue;
    }
    size_t length = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code = lead & 0x07u;
    }
    bool valid = length != 0 && i + length <= utf8.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3Fu);
    }
    valid = valid && !(length == 2 && code < 0x80) && !(length == 3 && code < 0x800) &&
            !(length == 4 && (code < 0x10000 || code > 0x10FFFF)) &&
            !(code >= 0xD800 && code <= 0xDFFF);
    if (!valid) {
      units[at++] = u'\uFFFD';
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      units[at++] = static_cast<char16_t>(0xD800 + (code >> 10));
      units[at++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units[at++] = static_cast<char16_t>(code);
    }
    i += length;
  }
  out.resize(at);
}

std::u16string Utf16(std::string_view utf8) {
  std::u16string out;
  AppendUtf16(utf8, out);
  return out;
}

std::string Utf8(const char16_t* data, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char32_t code = data[i];
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
      continue;
    }
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < length && data[i + 1] >= 0xDC00 &&
        data[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (data[i + 1] - 0xDC00u);
      ++i;
    }
    AppendUtf8(out, code);  // a lone surrogate becomes U+FFFD there
  }
  return out;
}

}  // namespace velra::odbc
