#pragma once
// Records as JSON texts, objects keyed by field name, for a server that packs and unpacks them
// itself (PostgreSQL's json_populate_recordset and row_to_json): a statement with one parameter
// instead of one per value, a result with one column instead of one per field, which is what a
// record costs through the driver.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
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

// One record as the server wrote it (row_to_json), into `values` (one per column, by the exact
// field names of `columnOf`), each of the type of its column as the driver would give it. False
// for anything the reader does not know to give exactly as the driver does (nested JSON, dates
// outside "YYYY-MM-DD[THH:MM:SS]", a flag written as a word): such a record is read by itself.
bool RecordFromDocument(std::string_view json, const std::vector<ColumnInfo>& columns,
                        const std::unordered_map<std::string, size_t>& columnOf,
                        std::vector<Value>& values);

}  // namespace velra
