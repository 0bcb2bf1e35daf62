#include "source/xlsx/XmlTokenizer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velra::xlsx {

namespace {

constexpr size_t kChunkBytes = 256u * 1024u;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view LocalName(std::string_view qualified) {
  size_t colon = qualified.find(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

size_t WriteUtf8(char* out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out[0] = static_cast<char>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
    out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
  out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
  return 4;
}

// The character of a reference such as "amp" or "#x41"; 0 when it is none we resolve. Only the
// predefined entities exist: without a DTD there can be no others, and unknown ones stay as
// they stand.
uint32_t ReferencedCharacter(std::string_view name) {
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "amp") return '&';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  if (name.size() < 2 || name[0] != '#') return 0;
  bool hex = name[1] == 'x';
  std::string_view digits = name.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return 0;
  uint32_t value = 0;
  for (char c : digits) {
    uint32_t digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<uint32_t>(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      digit = static_cast<uint32_t>(c - 'A' + 10);
    else
      return 0;
    value = value * (hex ? 16 : 10) + digit;
  }
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return value;
}

// Resolves references and normalises line ends (in attributes also tabs and line feeds) in
// place; the result is never longer than the input. Returns its length.
size_t Decode(char* text, size_t size, bool attribute) {
  if (!std::memchr(text, '&', size) && !std::memchr(text, '\r', size) &&
      (!attribute || (!std::memchr(text, '\n', size) && !std::memchr(text, '\t', size))))
    return size;
  size_t read = 0, write = 0;
  while (read < size) {
    char c = text[read];
    if (c == '&') {
      std::string_view rest(text + read + 1, std::min<size_t>(size - read - 1, 12));
      size_t semicolon = rest.find(';');
      if (semicolon != std::string_view::npos) {
        if (uint32_t character = ReferencedCharacter(rest.substr(0, semicolon))) {
          read += semicolon + 2;
          write += WriteUtf8(text + write, character);
          continue;
        }
      }
    } else if (c == '\r') {
      ++read;
      if (read < size && text[read] == '\n') ++read;
      text[write++] = attribute ? ' ' : '\n';
      continue;
    } else if (attribute && (c == '\n' || c == '\t')) {
      c = ' ';
    }
    text[write++] = c;
    ++read;
  }
  return write;
}

}  // namespace

XmlTokenizer::XmlTokenizer(ByteSource& source) : source_(source), buffer_(kChunkBytes) {}

bool XmlTokenizer::Fill() {
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, Available());
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) {
    if (buffer_.size() >= kMaxTokenBytes) throw XmlError(XmlError::Kind::TokenTooLong);
    buffer_.resize(std::min(buffer_.size() * 2, kMaxTokenBytes + kChunkBytes));
  }
  size_t read = source_.Read(buffer_.data() + end_, buffer_.size() - end_);
  if (read == 0) {
    atEnd_ = true;
    return false;
  }
  end_ += read;
  return true;
}

bool XmlTokenizer::Ensure(size_t bytes) {
  while (Available() < bytes)
    if (!Fill()) return false;
  return true;
}

size_t XmlTokenizer::Find(size_t from, std::string_view terminator) {
  for (;;) {
    if (Available() >= from + terminator.size()) {
      size_t at = std::string_view(Data(), Available()).find(terminator, from);
      if (at != std::string_view::npos) return at;
      from = Available() - terminator.size() + 1;
    }
    if (!Fill()) throw XmlError(XmlError::Kind::Malformed);
  }
}

size_t XmlTokenizer::FindTagEnd() {
  size_t i = 1;
  char quote = 0;
  for (;;) {
    const char* data = Data();
    for (size_t size = Available(); i < size; ++i) {
      char c = data[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        return i;
      } else if (c == '<') {
        throw XmlError(XmlError::Kind::Malformed);
      }
    }
    if (!Fill()) throw XmlError(XmlError::Kind::Malformed);
  }
}

void XmlTokenizer::ReadStartTag(size_t tagEnd) {
  char* data = Data();
  size_t end = tagEnd;
  bool empty = data[end - 1] == '/';
  if (empty) --end;
  size_t i = 1;
  while (i < end && !IsBlank(data[i])) ++i;
  std::string_view qualified(data + 1, i - 1);
  if (qualified.empty() || qualified.size() > kMaxNameBytes)
    throw XmlError(XmlError::Kind::Malformed);

  attributes_.clear();
  for (;;) {
    while (i < end && IsBlank(data[i])) ++i;
    if (i >= end) break;
    size_t nameStart = i;
    while (i < end && data[i] != '=' && !IsBlank(data[i])) ++i;
    std::string_view name(data + nameStart, i - nameStart);
    while (i < end && IsBlank(data[i])) ++i;
    if (name.empty() || i >= end || data[i] != '=') throw XmlError(XmlError::Kind::Malformed);
    ++i;
    while (i < end && IsBlank(data[i])) ++i;
    if (i >= end || (data[i] != '"' && data[i] != '\'')) throw XmlError(XmlError::Kind::Malformed);
    char quote = data[i++];
    size_t valueStart = i;
    while (i < end && data[i] != quote) ++i;
    if (i >= end) throw XmlError(XmlError::Kind::Malformed);
    size_t valueSize = Decode(data + valueStart, i - valueStart, true);
    ++i;
    if (name == "xmlns" || name.starts_with("xmlns:")) continue;
    if (attributes_.size() == kMaxAttributes) throw XmlError(XmlError::Kind::Malformed);
    attributes_.emplace_back(LocalName(name), std::string_view(data + valueStart, valueSize));
  }

  openStarts_.push_back(openNames_.size());
  openNames_.append(qualified);
  if (openStarts_.size() > kMaxDepth) throw XmlError(XmlError::Kind::TooDeep);
  name_ = LocalName(qualified);
  sawRoot_ = true;
  pendingEnd_ = empty;
}

void XmlTokenizer::ReadEndTag(size_t tagEnd) {
  std::string_view qualified(Data() + 2, tagEnd - 2);
  while (!qualified.empty() && IsBlank(qualified.back())) qualified.remove_suffix(1);
  if (openStarts_.empty() || std::string_view(openNames_).substr(openStarts_.back()) != qualified)
    throw XmlError(XmlError::Kind::Malformed);
  openNames_.resize(openStarts_.back());
  openStarts_.pop_back();
  name_ = LocalName(qualified);
}

void XmlTokenizer::SkipByteOrderMark() {
  Ensure(3);
  std::string_view head(Data(), std::min<size_t>(Available(), 3));
  if (head.starts_with("\xFE\xFF") || head.starts_with("\xFF\xFE"))
    throw XmlError(XmlError::Kind::Utf16);
  if (head.starts_with("\xEF\xBB\xBF")) begin_ += 3;
}

bool XmlTokenizer::ReadText() {
  size_t scanned = 0;
  size_t at;
  for (;;) {
    const void* found = std::memchr(Data() + scanned, '<', Available() - scanned);
    if (found) {
      at = static_cast<size_t>(static_cast<const char*>(found) - Data());
      break;
    }
    scanned = Available();
    if (!Fill()) {
      at = Available();
      break;
    }
  }
  text_ = Data();
  textSize_ = at;
  textDecoded_ = false;
  begin_ += at;
  return !openStarts_.empty();
}

bool XmlTokenizer::ReadDeclaration() {
  Ensure(9);
  std::string_view head(Data(), std::min<size_t>(Available(), 9));
  if (head.starts_with("<!--")) {
    begin_ += Find(4, "-->") + 3;
    return false;
  }
  if (head == "<![CDATA[") {
    size_t close = Find(9, "]]>");
    if (openStarts_.empty()) throw XmlError(XmlError::Kind::Malformed);
    text_ = Data() + 9;
    textSize_ = close - 9;
    textDecoded_ = true;
    begin_ += close + 3;
    return true;
  }
  if (head.starts_with("<!DOCTYPE")) throw XmlError(XmlError::Kind::Doctype);
  throw XmlError(XmlError::Kind::Malformed);
}

XmlTokenizer::Token XmlTokenizer::Next() {
  if (pendingEnd_) {
    pendingEnd_ = false;
    openNames_.resize(openStarts_.back());
    openStarts_.pop_back();
    return Token::End;
  }
  for (;;) {
    if (Available() == 0 && !Fill()) {
      if (!openStarts_.empty() || !sawRoot_) throw XmlError(XmlError::Kind::Malformed);
      return Token::Finish;
    }
    if (!started_) {
      started_ = true;
      SkipByteOrderMark();
      continue;
    }
    if (Data()[0] != '<') {
      if (ReadText()) return Token::Text;
      continue;  // blanks around the root element
    }
    if (!Ensure(2)) throw XmlError(XmlError::Kind::Malformed);
    const char second = Data()[1];
    if (second == '?') {
      begin_ += Find(2, "?>") + 2;
      continue;
    }
    if (second == '!') {
      if (ReadDeclaration()) return Token::Text;
      continue;
    }
    size_t tagEnd = FindTagEnd();
    if (second == '/')
      ReadEndTag(tagEnd);
    else
      ReadStartTag(tagEnd);
    begin_ += tagEnd + 1;
    return second == '/' ? Token::End : Token::Start;
  }
}

std::string_view XmlTokenizer::Attribute(std::string_view name) const {
  for (const auto& [key, value] : attributes_)
    if (key == name) return value;
  return {};
}

std::string_view XmlTokenizer::Text() {
  if (!textDecoded_) {
    textSize_ = Decode(text_, textSize_, false);
    textDecoded_ = true;
  }
  return std::string_view(text_, textSize_);
}

}  // namespace velra::xlsx
