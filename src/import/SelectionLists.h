#pragma once
// The selection lists of the article settings: article types, units and tax keys from the
// company database, and the tax key inside a tax entry's key.

#include <cstdint>
#include <string>
#include <vector>

namespace velra {

struct LookupList {
  std::vector<std::string> entries;
  std::string
      error;  // German reason when the database could not be read; only the optional entries remain
};

// The distinct values of `valueField` in `table` (only rows whose Active equals `activeTrue`
// when `activeOnly`), sorted by value; nulls are left out. The empty entry comes first when
// `addEmptyEntry`, then "Liste bearbeiten..." when `addEditEntry`.
LookupList FillLookupCombo(const std::string& connectionString, const std::string& table,
                           const std::string& valueField, bool activeOnly, int16_t activeTrue,
                           bool addEditEntry, bool addEmptyEntry);

struct TaxItem {
  std::string key;   // "¤" + tax key + "¤"
  std::string text;  // the description
};

struct TaxList {
  std::vector<TaxItem> items;
  int selected = -1;  // index of the preselected item, -1 for none
  std::string error;
};

// The distinct pairs of `keyField` and `textField` in `table` (only active rows when
// `activeOnly`), ordered by key (numeric keys by value); rows with an empty key or text are left
// out. The empty entry ("¤¤", "") comes first when `addEmptyEntry`; the first item is preselected
// when `selectFirst`.
TaxList FillTaxCombo(const std::string& connectionString, const std::string& table,
                     const std::string& keyField, const std::string& textField, bool activeOnly,
                     int16_t activeTrue, bool addEmptyEntry, bool selectFirst);

// The tax key between the first two "¤" of an item key; empty when there is no second "¤".
std::string TaxKeyOfItem(const std::string& key);

}  // namespace velra
