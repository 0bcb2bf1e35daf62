#include "import/run/RecordKeys.h"

#include "base/Text.h"
#include "import/ImportTexts.h"

namespace velra {

bool RecordKeys::Prepare(Connection& connection, const TargetTable& table, std::string& error) {
  if (!Synchronising()) return PrepareNumberIndex(connection, table);
  std::vector<std::string> keyFields{kind_.firstKeyField ? kind_.firstKeyField
                                                         : settings_.synchronisationField};
  keyColumns_.push_back(FindMappedColumn(columns_, settings_.synchronisationField));
  if (kind_.secondKeyField) {
    keyFields.push_back(kind_.secondKeyField);
    keyColumns_.push_back(FindMappedColumn(columns_, kind_.secondKeyField));
  }
  for (const std::string& field : keyFields) {
    int index = table.IndexOf(field);
    if (field.empty() || index < 0) {
      error = Fill(import_texts::kSyncFieldNotInTable, {field, table.Name()});
      return false;
    }
    keyFields_.push_back(index);
  }
  index_.Load(connection, table, keyFields_);
  return true;
}

// Without synchronisation every row adds a record, so a number that exists already (or came
// earlier in the file) would be there twice: such rows are refused. Numbers drawn from the range
// are free anyway.
bool RecordKeys::PrepareNumberIndex(Connection& connection, const TargetTable& table) {
  const char* field = kind_.uniqueNumberField;
  if (!field || (kind_.Numbered() && settings_.autoNumber)) return true;
  const int index = table.IndexOf(field);
  if (index < 0) return true;
  keyFields_.push_back(index);
  keyColumns_.push_back(FindMappedColumn(columns_, field));
  index_.Load(connection, table, keyFields_);
  return true;
}

std::optional<Refusal> RecordKeys::Locate(uint32_t row) {
  scope_.Record().StartNew();
  if (UniqueNumbers()) return NumberIsTaken(row);
  if (Synchronising()) FindByKey(row);
  return std::nullopt;
}

std::optional<Refusal> RecordKeys::NumberIsTaken(uint32_t row) {
  const std::string number = TrimBlanks(scope_.CellText(keyColumns_[0], row));
  if (number.empty()) return std::nullopt;
  const KeyIndex::Entry* entry = Find(KeyIndex::Compose({number}));
  if (!entry) return std::nullopt;
  const std::string where =
      entry->row ? Fill(import_texts::kTakenInLine, {std::to_string(scope_.LineOf(entry->row))})
                 : std::string(import_texts::kTakenInCompany);
  return Refusal{Fill(import_texts::kNumberTaken, {number, where})};
}

void RecordKeys::FindByKey(uint32_t row) {
  const std::vector<std::string> keys = KeyInFile(row);
  // An empty key is no key: it would pick whichever record happens to have none.
  if (TrimBlanks(keys[0]).empty()) {
    scope_.Note(row, settings_.synchronisationField.c_str(), "", import_texts::kNoSyncKey);
    return;
  }
  KeyIndex::Entry* entry = Find(KeyIndex::Compose(keys));
  if (!entry) return;
  scope_.Record().LoadExisting(entry->id);
  if (entry->row != 0)
    scope_.Report().Add({row, scope_.LineOf(row), "", "", Join(keys, " / "),
                         Fill(import_texts::kKeyTwice, {std::to_string(scope_.LineOf(entry->row)),
                                                        std::to_string(scope_.LineOf(row))})});
}

// A record this run wrote may still wait in the batch; once sent, the entry is that of the
// record as written, or gone when the database refused the row that added it.
KeyIndex::Entry* RecordKeys::Find(const std::string& key) {
  KeyIndex::Entry* entry = index_.Find(key);
  if (!entry || entry->row == 0 || !settle_) return entry;
  settle_();
  return index_.Find(key);
}

std::string RecordKeys::IndexKey() const {
  if (keyFields_.empty() || KeyOfRecordIsEmpty()) return {};
  return RecordKey();
}

void RecordKeys::Saved(uint32_t row, bool wasNew, const std::string& key) {
  if (key.empty()) return;
  if (wasNew)
    index_.Add(key, scope_.Record().Id(), row);
  else if (KeyIndex::Entry* entry = index_.Find(key))
    entry->row = row;
}

void RecordKeys::Written(const std::string& key, int64_t id) {
  if (key.empty()) return;
  if (KeyIndex::Entry* entry = index_.Find(key); entry && entry->id == 0) entry->id = id;
}

void RecordKeys::Refused(const std::string& key, uint32_t row, bool wasNew) {
  if (key.empty() || !wasNew) return;
  if (const KeyIndex::Entry* entry = index_.Find(key); entry && entry->row == row)
    index_.Remove(key);
}

std::vector<int64_t> RecordKeys::RecordsOf(uint32_t first, uint32_t last) const {
  std::vector<int64_t> ids;
  if (!Synchronising()) return ids;
  for (uint32_t row = first; row <= last; ++row) {
    const std::vector<std::string> keys = KeyInFile(row);
    if (TrimBlanks(keys[0]).empty()) continue;
    const KeyIndex::Entry* entry = index_.Find(KeyIndex::Compose(keys));
    if (entry && entry->id != 0) ids.push_back(entry->id);
  }
  return ids;
}

std::vector<std::string> RecordKeys::KeyInFile(uint32_t row) const {
  std::vector<std::string> keys;
  if (Synchronising())
    for (int column : keyColumns_) keys.push_back(scope_.CellText(column, row));
  return keys;
}

bool RecordKeys::KeyOfRecordIsEmpty() const {
  const ValueConverter& converter = scope_.Converter();
  return TrimBlanks(converter.ToText(scope_.Record().At(keyFields_[0])).value_or(std::string()))
      .empty();
}

std::string RecordKeys::RecordKey() const {
  std::vector<std::string> values;
  for (int field : keyFields_)
    values.push_back(scope_.Converter().ToText(scope_.Record().At(field)).value_or(std::string()));
  return KeyIndex::Compose(values);
}

}  // namespace velra
