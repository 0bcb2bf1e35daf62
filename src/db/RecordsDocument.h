#pragma once
// Records as one JSON text, an array of objects keyed by field name, for a server that unpacks
// them itself (PostgreSQL's json_populate_recordset): a statement with one parameter instead of
// one per value, which is what a record costs through the driver.

#include <cstdint>
#include <string>
#include <vector>

#include "db/Backend.h"

namespace velra {

// The fields marked in `set` of each record, and its ID from `ids` under the name of column
// `idIndex`. A flag is `trueValue` or 0, a date "YYYY-MM-DD HH:MM:SS", binary data "\x" and hex
// digits (bytea's text form), a number its shortest exact decimal form. Throws DbError for a
// text with a NUL, which PostgreSQL cannot keep.
std::string RecordsDocument(const std::vector<ColumnInfo>& columns, int idIndex,
                            const std::vector<char>& set,
                            const std::vector<const std::vector<Value>*>& records,
                            const std::vector<int64_t>& ids, int16_t trueValue);

}  // namespace velra
