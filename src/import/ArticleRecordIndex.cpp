#include "import/ArticleRecordIndex.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "import/KeyFolding.h"

namespace velra {

namespace {

// The marks of a key field in an entry's keys.
constexpr char kText = 'T', kNull = 'N', kOther = 'O';

constexpr size_t kMostUnfolded = 100;

void AppendKey(std::string& keys, char mark, std::string_view text = {}) {
  const auto length = static_cast<uint32_t>(text.size());
  keys.push_back(mark);
  keys.append(reinterpret_cast<const char*>(&length), sizeof length);
  keys.append(text);
}

void AppendValue(std::string& keys, const Value& value) {
  if (value.IsText())
    AppendKey(keys, kText, value.AsText());
  else
    AppendKey(keys, value.IsNull() ? kNull : kOther);
}

struct Key {
  char mark;
  std::string_view text;
};

// The fields of an entry's keys, in order.
std::vector<Key> Fields(std::string_view keys) {
  std::vector<Key> fields;
  while (!keys.empty()) {
    uint32_t length = 0;
    std::memcpy(&length, keys.data() + 1, sizeof length);
    fields.push_back({keys[0], keys.substr(1 + sizeof length, length)});
    keys.remove_prefix(1 + sizeof length + length);
  }
  return fields;
}

// The first key field of an entry's keys: its article number.
Key FirstKey(std::string_view keys) {
  uint32_t length = 0;
  std::memcpy(&length, keys.data() + 1, sizeof length);
  return {keys[0], keys.substr(1 + sizeof length, length)};
}

std::string TextKeys(const std::vector<std::string>& texts) {
  std::string keys;
  for (const std::string& text : texts) AppendKey(keys, kText, text);
  return keys;
}

}  // namespace

ArticleRecordIndex::ArticleRecordIndex(Connection& connection, const TargetTable& table,
                                       const std::vector<std::string>& moreKeyFields)
    : lookup_(connection, table.Name(), "ID", moreKeyFields) {
  std::vector<std::string> fields{"ArticleNumber"};
  fields.insert(fields.end(), moreKeyFields.begin(), moreKeyFields.end());
  const std::string id =
      connection.Quote(table.Columns()[static_cast<size_t>(table.IdIndex())].name);
  std::string sql = "SELECT " + id;
  for (const std::string& field : fields) {
    fields_.push_back(table.IndexOf(field));
    sql += ", " + connection.Quote(field);
  }
  sql += " FROM " + connection.Quote(table.Name()) + " ORDER BY " + id;
  Statement statement = connection.Prepare(sql);
  while (statement.Next()) {
    std::string keys;
    for (size_t i = 0; i < fields.size(); ++i)
      AppendValue(keys, statement.Get(static_cast<int>(i + 1)));
    size_t hash = 0;
    const Where where = WhereOf(keys, hash);
    Insert(statement.Get(0).AsInteger(), where, hash, std::move(keys));
  }
}

std::string ArticleRecordIndex::KeysOf(const RowRecord& record) const {
  std::string keys;
  for (int field : fields_) AppendValue(keys, record.At(field));
  return keys;
}

bool ArticleRecordIndex::Load(RowRecord& record, const std::vector<std::string>& keys) {
  const std::optional<int64_t> decided = Decide(keys);
  if (decided == 0) {
    loadedId_ = 0;
    return false;
  }
  if (decided) {
    if (Read(record, *decided) && loadedKeys_ == TextKeys(keys)) return true;
    // The record is gone, or holds other keys than it was written with: the row that wrote it
    // was taken back. The index takes the record as it is now, and the database decides.
    Remove(*decided, TextKeys(keys));
    if (loadedId_ != 0) Place(loadedId_, loadedKeys_);
  }
  const int64_t id =
      lookup_.FirstId(keys[0], std::vector<std::string>(keys.begin() + 1, keys.end()));
  loadedId_ = 0;
  return id != 0 && Read(record, id);
}

void ArticleRecordIndex::Saved(const RowRecord& record) {
  std::string keys = KeysOf(record);
  if (record.Id() == loadedId_) {
    if (keys == loadedKeys_) return;
    Remove(loadedId_, loadedKeys_);
  }
  Place(record.Id(), std::move(keys));
  loadedId_ = 0;
}

std::optional<int64_t> ArticleRecordIndex::Decide(const std::vector<std::string>& keys) const {
  // Many records with odd article numbers would be weighed for every row: the database is
  // faster then.
  if (unfolded_.size() > kMostUnfolded) return std::nullopt;
  const std::optional<std::string> number = FoldedKey(keys[0]);
  if (!number) return std::nullopt;
  const auto [first, last] = byFolded_.equal_range(std::hash<std::string>{}(*number));
  if (first == last && unfolded_.empty()) return 0;

  // The records the database may take as equal, in table order. Left out: those with a null key
  // field, or with a folded key that differs.
  std::vector<std::optional<std::string>> folded{number};
  for (size_t i = 1; i < keys.size(); ++i) folded.push_back(FoldedKey(keys[i]));
  std::vector<const Entry*> candidates;
  auto consider = [&](const Entry& entry) {
    const std::vector<Key> stored = Fields(entry.keys);
    for (size_t i = 0; i < keys.size(); ++i) {
      if (stored[i].mark == kNull) return;
      if (stored[i].mark != kText || !folded[i]) continue;
      if (std::optional<std::string> key = FoldedKey(stored[i].text); key && key != folded[i])
        return;
    }
    candidates.push_back(&entry);
  };
  for (auto it = first; it != last; ++it) consider(it->second);
  for (const Entry& entry : unfolded_) consider(entry);
  if (candidates.empty()) return 0;
  const Entry* earliest =
      *std::min_element(candidates.begin(), candidates.end(),
                        [](const Entry* a, const Entry* b) { return a->id < b->id; });
  // The first record that may be equal decides: it is the one asked for when it holds the very
  // texts; otherwise only the database knows whether it is equal.
  if (earliest->keys == TextKeys(keys)) return earliest->id;
  return std::nullopt;
}

bool ArticleRecordIndex::Read(RowRecord& record, int64_t id) {
  loadedId_ = 0;
  if (!record.LoadExisting(id)) return false;
  loadedId_ = id;
  loadedKeys_ = KeysOf(record);
  return true;
}

ArticleRecordIndex::Where ArticleRecordIndex::WhereOf(std::string_view keys, size_t& hash) {
  const Key number = FirstKey(keys);
  if (number.mark == kNull) return Where::Nowhere;
  if (number.mark == kText)
    if (std::optional<std::string> folded = FoldedKey(number.text)) {
      hash = std::hash<std::string>{}(*folded);
      return Where::Folded;
    }
  return Where::Unfolded;
}

void ArticleRecordIndex::Place(int64_t id, std::string keys) {
  size_t hash = 0;
  const Where where = WhereOf(keys, hash);
  Erase(id, where, hash);
  Insert(id, where, hash, std::move(keys));
}

void ArticleRecordIndex::Remove(int64_t id, std::string_view keys) {
  size_t hash = 0;
  const Where where = WhereOf(keys, hash);
  Erase(id, where, hash);
}

void ArticleRecordIndex::Insert(int64_t id, Where where, size_t hash, std::string keys) {
  if (where == Where::Folded) {
    byFolded_.emplace(hash, Entry{id, std::move(keys)});
  } else if (where == Where::Unfolded) {
    auto at =
        std::lower_bound(unfolded_.begin(), unfolded_.end(), id,
                         [](const Entry& entry, int64_t wanted) { return entry.id < wanted; });
    unfolded_.insert(at, Entry{id, std::move(keys)});
  }
}

void ArticleRecordIndex::Erase(int64_t id, Where where, size_t hash) {
  if (where == Where::Folded) {
    const auto [first, last] = byFolded_.equal_range(hash);
    for (auto it = first; it != last; ++it)
      if (it->second.id == id) {
        byFolded_.erase(it);
        return;
      }
  } else if (where == Where::Unfolded) {
    std::erase_if(unfolded_, [id](const Entry& entry) { return entry.id == id; });
  }
}

}  // namespace velra
