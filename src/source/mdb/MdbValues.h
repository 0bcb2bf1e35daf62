#pragma once
// The values of the Access fields of fixed size (numbers, dates, replication ids), decoded from
// their bytes in the row. Used only by the Access reader and its tests.

#include <optional>
#include <string>
#include <string_view>

#include "base/Value.h"

namespace velra::mdb {

struct FieldValue {
  std::optional<Value> value;  // empty when the bytes hold no usable value
  std::string note;            // why it is empty, or that it was rounded; empty when neither
};

// Whether FixedSizeValue reads fields of this mdbtools column type.
bool IsFixedSize(int type);

// The value of a field of the mdbtools column type `type` stored as `bytes`; `scale` is the
// number of decimal places of a Decimal field.
FieldValue FixedSizeValue(int type, std::string_view bytes, int scale);

}  // namespace velra::mdb
