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
