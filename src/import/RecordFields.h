#pragma once
// Fields of a table found once by their names, for what is read or set on every row. A field
// the table lacks reads as null and is not set.

#include <span>
#include <utility>
#include <vector>

#include "db/TargetTable.h"
#include "import/RowRecord.h"

namespace velra {

class Field {
 public:
  Field(const TargetTable& table, const char* name)
      : name_(name), index_(name ? table.IndexOf(name) : -1) {}

  const char* Name() const { return name_; }
  // The field's value in the record; null when the table lacks the field.
  const Value& Of(const RowRecord& record) const {
    static const Value kNull;
    return index_ < 0 ? kNull : record.At(index_);
  }
  // False when the table lacks the field.
  bool Set(RowRecord& record, Value value) const {
    if (index_ < 0) return false;
    record.SetAt(index_, std::move(value));
    return true;
  }

 private:
  const char* name_;
  int index_;
};

// Fields named in a list, by their position in it.
class RecordFields {
 public:
  RecordFields(const TargetTable& table, std::span<const char* const> names) {
    for (const char* name : names) fields_.emplace_back(table, name);
  }

  const Field& operator[](size_t position) const { return fields_[position]; }
  void Set(RowRecord& record, size_t position, Value value) const {
    fields_[position].Set(record, std::move(value));
  }

 private:
  std::vector<Field> fields_;
};

}  // namespace velra
