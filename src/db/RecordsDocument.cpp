#include "db/RecordsDocument.h"

#include <charconv>
#include <cmath>

#include "base/Text.h"
#include "db/DbError.h"
#include "db/DbTexts.h"

namespace velra {

namespace {

void AppendString(std::string_view text, std::string& out) {
  static const char* const kHex = "0123456789abcdef";
  out.push_back('"');
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20) {
      out += "\\u00";
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 15]);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

void AppendNumber(auto number, std::string& out) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  out.append(buffer, result.ptr);
}

void AppendValue(const Value& value, int16_t trueValue, std::string& out) {
  switch (value.GetType()) {
    case Value::Type::Null:
      out += "null";
      break;
    case Value::Type::Boolean:
      AppendNumber(value.AsBool() ? trueValue : int16_t{0}, out);
      break;
    case Value::Type::Integer:
      AppendNumber(value.AsInteger(), out);
      break;
    case Value::Type::Double: {
      const double number = value.AsDouble();
      if (std::isfinite(number))
        AppendNumber(number, out);
      else  // JSON has no such numbers; the server reads these texts as them
        AppendString(std::isnan(number) ? "NaN" : number > 0 ? "Infinity" : "-Infinity", out);
      break;
    }
    case Value::Type::Text:
      // PostgreSQL keeps no NUL in a text.
      if (value.AsText().find('\0') != std::string::npos)
        throw DbError(DbError::Kind::Constraint, Fill(db_texts::kRejected, {db_texts::kNulInText}));
      AppendString(value.AsText(), out);
      break;
    case Value::Type::Date: {
      DateTime date = value.AsDate();
      std::string iso = date.ToIso();
      if (!date.HasTime()) iso += " 00:00:00";
      AppendString(iso, out);
      break;
    }
    case Value::Type::Binary: {
      static const char* const kHex = "0123456789abcdef";
      out += "\"\\\\x";
      for (unsigned char byte : value.AsBytes()) {
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 15]);
      }
      out.push_back('"');
      break;
    }
  }
}

}  // namespace

std::string RecordsDocument(const std::vector<ColumnInfo>& columns, int idIndex,
                            const std::vector<char>& set,
                            const std::vector<const std::vector<Value>*>& records,
                            const std::vector<int64_t>& ids, int16_t trueValue) {
  // The keys once, each with its opening quote and colon.
  std::vector<std::pair<size_t, std::string>> keys;
  std::string idKey;
  AppendString(columns[static_cast<size_t>(idIndex)].name, idKey);
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!set[i] || static_cast<int>(i) == idIndex) continue;
    std::string key = ",";
    AppendString(columns[i].name, key);
    keys.emplace_back(i, key + ":");
  }
  std::string out = "[";
  for (size_t r = 0; r < records.size(); ++r) {
    out += r ? ",{" : "{";
    out += idKey + ":";
    AppendNumber(ids[r], out);
    for (const auto& [column, key] : keys) {
      out += key;
      AppendValue((*records[r])[column], trueValue, out);
    }
    out.push_back('}');
  }
  out.push_back(']');
  return out;
}

}  // namespace velra

namespace velra {

namespace {

// Reads JSON from the front of a text; every step false on anything unexpected.
class JsonCursor {
 public:
  explicit JsonCursor(std::string_view text) : text_(text) {}

  bool Take(char c) {
    SkipBlanks();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool AtEnd() {
    SkipBlanks();
    return at_ == text_.size();
  }
  char Peek() {
    SkipBlanks();
    return at_ < text_.size() ? text_[at_] : '\0';
  }
  bool String(std::string& out);
  // A number, true, false or null as it stands.
  bool Word(std::string_view& out) {
    SkipBlanks();
    const size_t start = at_;
    while (at_ < text_.size() && std::string_view(",}] \t\r\n").find(text_[at_]) == npos) ++at_;
    out = text_.substr(start, at_ - start);
    return !out.empty();
  }

 private:
  static constexpr size_t npos = std::string_view::npos;
  void SkipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n'))
      ++at_;
  }
  bool Hex4(uint32_t& out);

  std::string_view text_;
  size_t at_ = 0;
};

bool JsonCursor::Hex4(uint32_t& out) {
  if (at_ + 4 > text_.size()) return false;
  out = 0;
  for (int i = 0; i < 4; ++i) {
    const char c = text_[at_++];
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) return false;
    out = out * 16 + static_cast<uint32_t>(digit);
  }
  return true;
}

void AppendUtf8(uint32_t code, std::string& out) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

bool JsonCursor::String(std::string& out) {
  out.clear();
  if (!Take('"')) return false;
  while (at_ < text_.size()) {
    const size_t plain = text_.find_first_of("\"\\", at_);
    if (plain == npos) return false;
    out.append(text_.substr(at_, plain - at_));
    at_ = plain + 1;
    if (text_[plain] == '"') return true;
    if (at_ >= text_.size()) return false;
    const char escaped = text_[at_++];
    switch (escaped) {
      case '"':
      case '\\':
      case '/':
        out.push_back(escaped);
        break;
      case 'b':
        out.push_back('\b');
        break;
      case 'f':
        out.push_back('\f');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'u': {
        uint32_t code = 0;
        if (!Hex4(code)) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
          uint32_t low = 0;
          if (at_ + 2 > text_.size() || text_[at_] != '\\' || text_[at_ + 1] != 'u') return false;
          at_ += 2;
          if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
          return false;
        }
        AppendUtf8(code, out);
        break;
      }
      default:
        return false;
    }
  }
  return false;
}

// A date as the server writes it into JSON: "YYYY-MM-DD", "HH:MM:SS" or
// "YYYY-MM-DDTHH:MM:SS" with fractions of a second, which the driver drops as well; also with a
// blank for the "T", as RecordsDocument writes it.
bool DateFromDocument(const std::string& text, DateTime& out) {
  auto digits = [&](size_t at, size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      value = value * 10 + (text[i] - '0');
    }
    return true;
  };
  out = DateTime();
  if (text.size() == 8 && text[2] == ':' && text[5] == ':')
    return digits(0, 2, out.Hour) && digits(3, 2, out.Minute) && digits(6, 2, out.Second);
  if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !digits(0, 4, out.Year) ||
      !digits(5, 2, out.Month) || !digits(8, 2, out.Day))
    return false;
  if (text.size() == 10) return true;
  if (text.size() < 19 || (text[10] != 'T' && text[10] != ' ') || text[13] != ':' ||
      text[16] != ':' || !digits(11, 2, out.Hour) || !digits(14, 2, out.Minute) ||
      !digits(17, 2, out.Second))
    return false;
  if (text.size() == 19) return true;
  if (text[19] != '.') return false;
  for (size_t i = 20; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

bool BytesFromDocument(const std::string& text, Bytes& out) {
  if (text.size() < 2 || text[0] != '\\' || text[1] != 'x' || text.size() % 2) return false;
  auto nibble = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  out.clear();
  for (size_t i = 2; i < text.size(); i += 2) {
    const int high = nibble(text[i]), low = nibble(text[i + 1]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<unsigned char>(high * 16 + low));
  }
  return true;
}

// A value of the column's type from a JSON string.
bool FromString(std::string text, Value::Type type, Value& out) {
  switch (type) {
    case Value::Type::Text:
      out = Value(std::move(text));
      return true;
    case Value::Type::Date: {
      DateTime date;
      if (!DateFromDocument(text, date)) return false;
      out = Value(date);
      return true;
    }
    case Value::Type::Binary: {
      Bytes bytes;
      if (!BytesFromDocument(text, bytes)) return false;
      out = Value(std::move(bytes));
      return true;
    }
    default:
      return false;
  }
}

// A value of the column's type from a JSON number, true or false.
bool FromWord(std::string_view word, Value::Type type, Value& out) {
  if (word == "null") {
    out = Value();
    return true;
  }
  if (word == "true" || word == "false") {
    if (type != Value::Type::Boolean) return false;
    out = Value(word == "true");
    return true;
  }
  const char* end = word.data() + word.size();
  switch (type) {
    case Value::Type::Boolean:
    case Value::Type::Integer: {
      int64_t number = 0;
      const auto result = std::from_chars(word.data(), end, number);
      if (result.ec != std::errc() || result.ptr != end) return false;
      out = type == Value::Type::Boolean ? Value(number != 0) : Value(number);
      return true;
    }
    case Value::Type::Double: {
      double number = 0;
      const auto result = std::from_chars(word.data(), end, number);
      if (result.ec != std::errc() || result.ptr != end) return false;
      out = Value(number);
      return true;
    }
    case Value::Type::Text:  // a number in a column read as text: the server's text of it
      out = Value(std::string(word));
      return true;
    default:
      return false;
  }
}

}  // namespace

bool RecordFromDocument(std::string_view json, const std::vector<ColumnInfo>& columns,
                        const std::unordered_map<std::string, size_t>& columnOf,
                        std::vector<Value>& values) {
  values.assign(columns.size(), Value());
  JsonCursor cursor(json);
  if (!cursor.Take('{')) return false;
  if (cursor.Take('}')) return cursor.AtEnd();
  std::string key, text;
  do {
    if (!cursor.String(key) || !cursor.Take(':')) return false;
    const auto column = columnOf.find(key);
    if (column == columnOf.end()) return false;
    const Value::Type type = columns[column->second].type;
    Value& value = values[column->second];
    if (cursor.Peek() == '"') {
      if (!cursor.String(text) || !FromString(std::move(text), type, value)) return false;
    } else {
      std::string_view word;
      if (!cursor.Word(word) || !FromWord(word, type, value)) return false;
    }
  } while (cursor.Take(','));
  return cursor.Take('}') && cursor.AtEnd();
}

}  // namespace velra
