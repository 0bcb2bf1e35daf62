#include "import/RowRecord.h"

namespace velra {

bool SameFieldValue(const Value& a, const Value& b) {
  if (a == b) return true;
  auto emptyText = [](const Value& v) {
    return v.IsNull() || (v.GetType() == Value::Type::Text && v.AsText().empty());
  };
  return emptyText(a) && emptyText(b);
}

void RowRecord::StartNew() {
  const size_t count = table_.Columns().size();
  id_ = 0;
  values_.assign(count, Value());
  original_.assign(count, Value());
  set_.assign(count, kUnset);
}

bool RowRecord::LoadExisting(int64_t id) {
  StartNew();
  if (!table_.Read(id, values_)) return false;
  original_ = values_;
  id_ = id;
  return true;
}

const Value& RowRecord::Get(std::string_view field) const {
  static const Value kNull;
  int index = table_.IndexOf(field);
  return index < 0 ? kNull : values_[static_cast<size_t>(index)];
}

bool RowRecord::Set(std::string_view field, Value value) {
  int index = table_.IndexOf(field);
  if (index < 0) return false;
  SetAt(index, std::move(value));
  return true;
}

void RowRecord::SetAt(int index, Value value) {
  values_[static_cast<size_t>(index)] = std::move(value);
  set_[static_cast<size_t>(index)] = kSet;
}

bool RowRecord::Unset(std::string_view field) {
  int index = table_.IndexOf(field);
  if (index < 0) return false;
  values_[static_cast<size_t>(index)] = original_[static_cast<size_t>(index)];
  set_[static_cast<size_t>(index)] = kUnset;
  return true;
}

bool RowRecord::Stamp(std::string_view field, Value value) {
  int index = table_.IndexOf(field);
  if (index < 0) return false;
  values_[static_cast<size_t>(index)] = std::move(value);
  set_[static_cast<size_t>(index)] = kStamped;
  return true;
}

RowRecord::Saved RowRecord::Save() {
  return Save(nullptr, 0);
}

RowRecord::Saved RowRecord::Save(WriteBatch& batch, uint32_t row) {
  return Save(&batch, row);
}

RowRecord::Saved RowRecord::Save(WriteBatch* batch, uint32_t row) {
  if (IsNew()) {
    if (batch) {
      batch->Add(row, table_, std::move(values_), std::move(set_));
      return Saved::Added;
    }
    id_ = table_.Insert(values_, set_);
    values_[static_cast<size_t>(table_.IdIndex())] = Value(id_);
    return Saved::Added;
  }
  // A stamp alone is no change: otherwise the same values imported again would count as changed
  // or not by whether the clock went on to the next second in between.
  std::vector<char> changed(values_.size(), 0);
  bool any = false;
  for (size_t i = 0; i < values_.size(); ++i) {
    if (set_[i] == kUnset || SameFieldValue(values_[i], original_[i])) continue;
    changed[i] = 1;
    if (set_[i] == kSet) any = true;
  }
  if (!any) {
    for (size_t i = 0; i < values_.size(); ++i)
      if (set_[i] == kStamped) values_[i] = original_[i];
    return Saved::Unchanged;
  }
  if (batch)
    batch->Change(row, table_, id_, std::move(values_), std::move(changed));
  else
    table_.Update(id_, values_, changed);
  return Saved::Updated;
}

}  // namespace velra
