#include "storage/StorageTree.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <optional>

#include "base/Text.h"
#include "db/Connection.h"
#include "storage/StorageTexts.h"

namespace velra {
namespace {

constexpr const char* kRootKey = "Lagerorte";
constexpr int kRootImage = 3;
constexpr const char* kTable = "StorageStructure";

int ImageOf(const Value& value) {
  switch (value.GetType()) {
    case Value::Type::Integer:
      if (value.AsInteger() < INT_MIN || value.AsInteger() > INT_MAX) return 0;
      return static_cast<int>(value.AsInteger());
    case Value::Type::Double: {
      double rounded = std::nearbyint(value.AsDouble());
      if (!std::isfinite(rounded) || rounded < INT_MIN || rounded > INT_MAX) return 0;
      return static_cast<int>(rounded);
    }
    case Value::Type::Text: {
      std::string text = Trim(value.AsText());
      int image = 0;
      auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), image);
      return error == std::errc() && end == text.data() + text.size() ? image : 0;
    }
    default:
      return 0;
  }
}

std::string CodeOf(const std::string& tag) {
  return tag.substr(0, tag.find(';'));
}

struct StorageRow {
  std::string category, key, text, tag;
  int image = 0;
};

std::vector<StorageRow> ReadRows(Connection& connection) {
  std::string table;
  for (const std::string& name : connection.Tables())
    if (EqualsIgnoreCase(name, kTable)) table = name;
  if (table.empty()) throw DbError(DbError::Kind::Statement, storage_texts::kNoTable);

  // The database's own spelling of the fields, so that a server that folds names finds them.
  std::string order;
  for (const char* field : {"ID", "Category", "SubCategory"}) {
    std::optional<ColumnInfo> column = connection.FindColumn(table, field);
    if (!column) {
      if (std::string_view(field) == "ID") continue;
      throw DbError(DbError::Kind::Statement, Fill(storage_texts::kNoField, {field}));
    }
    order += (order.empty() ? "" : ", ") + connection.Quote(column->name);
  }
  Rows rows = connection.Query("SELECT * FROM " + connection.Quote(table) + " ORDER BY " + order);

  std::vector<StorageRow> result;
  result.reserve(rows.Size());
  for (size_t r = 0; r < rows.Size(); ++r) {
    const Value& key = rows.Get(r, "SubCategory");
    if (key.IsNull()) continue;
    result.push_back({rows.Get(r, "Category").ToText(), key.ToText(),
                      rows.Get(r, "Description").ToText(), rows.Get(r, "Number").ToText(),
                      ImageOf(rows.Get(r, "Symbol"))});
  }
  return result;
}

}  // namespace

StorageTree::StorageTree() {
  nodes_.push_back({kRootKey, kRootKey, "", kRootImage, -1, {}});
  index_.emplace(FoldCase(kRootKey), kRoot);
}

StorageTree StorageTree::Build(const std::string& connectionString) {
  StorageTree tree;
  std::vector<StorageRow> rows;
  try {
    std::unique_ptr<Connection> connection = Connection::Open(connectionString);
    rows = ReadRows(*connection);
  } catch (const DbError& e) {
    throw DbError(e.GetKind(), Fill(storage_texts::kCannotRead, {e.what()}));
  }

  // Rows wait for their parent, so that a location whose parent's row has a higher ID (the
  // import adds rows in the order of the source) still appears. Waiting rows are earlier in
  // the read order than anything read after their parent arrives, so children keep that order.
  std::map<std::string, std::vector<size_t>> waiting;  // folded parent key -> rows
  std::vector<size_t> ready;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (tree.Find(rows[r].category) < 0) {
      waiting[FoldCase(rows[r].category)].push_back(r);
      continue;
    }
    ready.assign(1, r);
    while (!ready.empty()) {
      const StorageRow& row = rows[ready.back()];
      ready.pop_back();
      if (!tree.Add(row.category, row.key, row.text, row.image, row.tag)) continue;
      auto children = waiting.find(FoldCase(row.key));
      if (children == waiting.end()) continue;
      // Reversed, so that the stack hands them out in read order.
      ready.insert(ready.end(), children->second.rbegin(), children->second.rend());
      waiting.erase(children);
    }
  }
  return tree;
}

std::string StorageTree::StoragePath(int node, const std::string& separator) const {
  if (node < 0 || node >= static_cast<int>(nodes_.size())) return {};
  std::string path;
  for (int current = node; current != kRoot; current = nodes_[current].parent) {
    std::string code = CodeOf(nodes_[current].tag);
    if (code.empty()) continue;
    path = path.empty() ? code : code + separator + path;
  }
  return path;
}

bool StorageTree::Add(const std::string& parentKey, const std::string& key, const std::string& text,
                      int image, const std::string& tag) {
  int parent = Find(parentKey);
  if (parent < 0 || key.empty()) return false;
  int node = static_cast<int>(nodes_.size());
  if (!index_.emplace(FoldCase(key), node).second) return false;
  nodes_.push_back({key, text, tag, image, parent, {}});
  nodes_[parent].children.push_back(node);
  return true;
}

int StorageTree::Find(const std::string& key) const {
  auto found = index_.find(FoldCase(key));
  return found == index_.end() ? -1 : found->second;
}

}  // namespace velra
