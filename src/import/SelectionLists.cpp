#include "import/SelectionLists.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>

#include "base/Text.h"
#include "db/Connection.h"
#include "import/ImportTexts.h"

namespace velra {
namespace {

constexpr std::string_view kTaxMark = "\xC2\xA4";  // "¤" (U+00A4)
constexpr std::string_view kActiveField = "Active";

// The texts of the selection lists, in one place.
constexpr std::string_view kEditEntry = "Liste bearbeiten...";

std::string TableMissing(std::string_view table) {
  return Fill(import_texts::kTableMissing, {table});
}

std::string FieldMissing(std::string_view table, std::string_view field) {
  return Fill(import_texts::kFieldMissing, {table, field});
}

std::string ListLeftEmpty(std::string_view table, std::string_view reason) {
  return Fill(import_texts::kListLeftEmpty, {table, reason});
}

class ListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The distinct combinations of `fields` in `table`, read through a connection of their own so
// that a list never depends on the state of the import run.
Rows ReadDistinct(const std::string& connectionString, std::string_view table,
                  std::initializer_list<std::string_view> fields, bool activeOnly,
                  int16_t activeTrue) {
  std::unique_ptr<Connection> connection = Connection::Open(connectionString);

  // The database's own spelling of the names, so that engines which compare quoted names by
  // case find them too.
  std::optional<std::string> tableName;
  for (const std::string& name : connection->Tables()) {
    if (EqualsIgnoreCase(name, table)) {
      tableName = name;
      break;
    }
  }
  if (!tableName) throw ListError(TableMissing(table));
  auto columnName = [&](std::string_view field) {
    std::optional<ColumnInfo> column = connection->FindColumn(*tableName, field);
    if (!column) throw ListError(FieldMissing(*tableName, field));
    return connection->Quote(column->name);
  };

  std::string sql = "SELECT DISTINCT ";
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) sql += ", ";
    sql += columnName(field);
    first = false;
  }
  sql += " FROM " + connection->Quote(*tableName);
  std::vector<Value> parameters;
  if (activeOnly) {
    sql += " WHERE " + columnName(kActiveField) + " = ?";
    parameters.emplace_back(activeTrue);
  }
  return connection->Query(sql, parameters);
}

// The text an entry shows; nothing for a null or empty value, which would only duplicate the
// empty entry.
std::optional<std::string> EntryText(const Value& value) {
  if (value.IsNull()) return std::nullopt;
  std::string text = value.IsText() ? value.AsText() : value.ToText();
  if (text.empty()) return std::nullopt;
  return text;
}

// German dictionary order: SQLite compares bytes and would put "Äpfel" after "Zange" and
// "karton" after "Liter". Texts the collator deems equal fall back to their bytes, so that the
// order is total and equal texts end up side by side.
class GermanOrder {
 public:
  GermanOrder() {
    UErrorCode status = U_ZERO_ERROR;
    collator_.reset(icu::Collator::createInstance(icu::Locale::getGerman(), status));
    if (U_FAILURE(status)) collator_.reset();
  }

  int Compare(const std::string& a, const std::string& b) const {
    if (collator_) {
      UErrorCode status = U_ZERO_ERROR;
      UCollationResult result =
          collator_->compareUTF8(icu::StringPiece(a), icu::StringPiece(b), status);
      if (U_SUCCESS(status) && result != UCOL_EQUAL) return result == UCOL_LESS ? -1 : 1;
    }
    int bytes = a.compare(b);
    return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
  }

 private:
  std::unique_ptr<icu::Collator> collator_;
};

// A tax key made of digits only; such keys are numbers to the user and sort by value.
std::optional<uint64_t> KeyNumber(const std::string& key) {
  if (key.empty() || key.size() > 18) return std::nullopt;
  uint64_t number = 0;
  for (char c : key) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  return number;
}

// Numeric keys first by value ("2" before "10"), then the other keys in German order.
int CompareKeys(const GermanOrder& order, const std::string& a, const std::string& b) {
  std::optional<uint64_t> numberA = KeyNumber(a);
  std::optional<uint64_t> numberB = KeyNumber(b);
  if (numberA && numberB && *numberA != *numberB) return *numberA < *numberB ? -1 : 1;
  if (numberA.has_value() != numberB.has_value()) return numberA ? -1 : 1;
  return order.Compare(a, b);
}

std::string TaxItemKey(std::string_view taxKey) {
  std::string key(kTaxMark);
  key.append(taxKey).append(kTaxMark);
  return key;
}

}  // namespace

LookupList FillLookupCombo(const std::string& connectionString, const std::string& table,
                           const std::string& valueField, bool activeOnly, int16_t activeTrue,
                           bool addEditEntry, bool addEmptyEntry) {
  LookupList list;
  if (addEmptyEntry) list.entries.emplace_back();
  if (addEditEntry) list.entries.emplace_back(kEditEntry);

  std::vector<std::string> values;
  try {
    Rows rows = ReadDistinct(connectionString, table, {valueField}, activeOnly, activeTrue);
    for (const std::vector<Value>& row : rows.rows)
      if (std::optional<std::string> text = EntryText(row.at(0))) values.push_back(*text);
  } catch (const std::exception& e) {
    list.error = ListLeftEmpty(table, e.what());
  }

  GermanOrder order;
  std::sort(values.begin(), values.end(), [&order](const std::string& a, const std::string& b) {
    return order.Compare(a, b) < 0;
  });
  // Values of different types can show as the same text ("5" and 5).
  values.erase(std::unique(values.begin(), values.end()), values.end());
  list.entries.insert(list.entries.end(), std::make_move_iterator(values.begin()),
                      std::make_move_iterator(values.end()));
  return list;
}

TaxList FillTaxCombo(const std::string& connectionString, const std::string& table,
                     const std::string& keyField, const std::string& textField, bool activeOnly,
                     int16_t activeTrue, bool addEmptyEntry, bool selectFirst) {
  TaxList list;
  if (addEmptyEntry) list.items.push_back({TaxItemKey(""), ""});

  std::vector<std::pair<std::string, std::string>> pairs;  // tax key, description
  try {
    Rows rows =
        ReadDistinct(connectionString, table, {keyField, textField}, activeOnly, activeTrue);
    for (const std::vector<Value>& row : rows.rows) {
      std::optional<std::string> key = EntryText(row.at(0));
      std::optional<std::string> text = EntryText(row.at(1));
      if (key && text) pairs.emplace_back(std::move(*key), std::move(*text));
    }
  } catch (const std::exception& e) {
    list.error = ListLeftEmpty(table, e.what());
  }

  GermanOrder order;
  std::sort(pairs.begin(), pairs.end(), [&order](const auto& a, const auto& b) {
    int byKey = CompareKeys(order, a.first, b.first);
    return byKey != 0 ? byKey < 0 : order.Compare(a.second, b.second) < 0;
  });
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  for (auto& [key, text] : pairs) list.items.push_back({TaxItemKey(key), std::move(text)});

  if (selectFirst && !list.items.empty()) list.selected = 0;
  return list;
}

std::string TaxKeyOfItem(const std::string& key) {
  // Byte offsets serve as well as character positions: the sign's UTF-8 bytes never occur
  // inside another character.
  size_t open = key.find(kTaxMark);
  if (open == std::string::npos) return {};
  size_t start = open + kTaxMark.size();
  size_t close = key.find(kTaxMark, start);
  if (close == std::string::npos) return {};
  return key.substr(start, close - start);
}

}  // namespace velra
