#pragma once
// The record of the row being imported: read by its ID or new, changed in memory, then written
// back as an INSERT or as an UPDATE of the fields that changed.

#include <cstdint>
#include <string_view>
#include <vector>

#include "db/TargetTable.h"
#include "db/WriteBatch.h"

namespace velra {

// Whether a field keeps its value: an empty text and no value are the same to the suite.
bool SameFieldValue(const Value& a, const Value& b);

class RowRecord {
 public:
  explicit RowRecord(TargetTable& table) : table_(table) {}

  void StartNew();
  bool LoadExisting(int64_t id);
  bool IsNew() const { return id_ == 0; }
  int64_t Id() const { return id_; }

  // The field's value; null when the table has no such field.
  const Value& Get(std::string_view field) const;
  // False when the table has no such field.
  bool Set(std::string_view field, Value value);
  void SetAt(int index, Value value);
  // Takes back what the row set in the field: it keeps the value it was read with (a new record:
  // none) and is not written. False when the table has no such field.
  bool Unset(std::string_view field);
  // Sets a field the run stamps on every record it writes (the time of the last change): the
  // stamp is written with a change of another field, but is no change of its own. False when
  // the table has no such field.
  bool Stamp(std::string_view field, Value value);
  const Value& At(int index) const { return values_[static_cast<size_t>(index)]; }

  enum class Saved { Added, Updated, Unchanged };
  // Inserts a new record; updates a found one in the fields that changed. A found record whose
  // set fields all kept their values is not written and keeps its stamps.
  Saved Save();
  // As Save, but the write waits in `batch` as the row's, with the record's values, which leave
  // the record; an added record has no ID until the batch is sent.
  Saved Save(WriteBatch& batch, uint32_t row);

  // After Save: whether the run set the field, and its value when the record was read.
  bool WasSet(int index) const { return set_[static_cast<size_t>(index)] != 0; }
  const Value& Original(int index) const { return original_[static_cast<size_t>(index)]; }

 private:
  Saved Save(WriteBatch* batch, uint32_t row);

  TargetTable& table_;
  int64_t id_ = 0;
  std::vector<Value> values_, original_;
  enum : char { kUnset = 0, kSet = 1, kStamped = 2 };
  std::vector<char> set_;  // per field: kUnset, kSet or kStamped
};

}  // namespace velra
