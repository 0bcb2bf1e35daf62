#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "db/RecordsDocument.h"

namespace velra {
namespace {

std::vector<ColumnInfo> Columns() {
  std::vector<ColumnInfo> columns(6);
  const char* names[] = {"ID", "Text", "Price", "Active", "Date", "Picture"};
  const Value::Type types[] = {Value::Type::Integer, Value::Type::Text, Value::Type::Double,
                               Value::Type::Boolean, Value::Type::Date, Value::Type::Binary};
  for (size_t i = 0; i < columns.size(); ++i) columns[i] = {names[i], "", types[i]};
  return columns;
}

std::unordered_map<std::string, size_t> ColumnOf(const std::vector<ColumnInfo>& columns) {
  std::unordered_map<std::string, size_t> of;
  for (size_t i = 0; i < columns.size(); ++i) of.emplace(columns[i].name, i);
  return of;
}

// What is written comes back the same, whatever the text holds.
TEST(RecordsDocument, ARecordWrittenIsReadBackTheSame) {
  const std::vector<ColumnInfo> columns = Columns();
  const std::vector<Value> record{
      Value(int64_t{7}), Value("\"ä\\ß€😀\t\n\x01'; --"),           Value(0.1 + 0.2),
      Value(true),       Value(DateTime{2024, 2, 29, 23, 59, 58}), Value(Bytes{0, 255, 16})};
  const std::string document =
      RecordsDocument(columns, 0, std::vector<char>(6, 1), {&record}, {7}, 1);
  ASSERT_EQ(document.front(), '[');
  std::vector<Value> read;
  ASSERT_TRUE(RecordFromDocument(std::string_view(document).substr(1, document.size() - 2), columns,
                                 ColumnOf(columns), read))
      << document;
  EXPECT_EQ(read, record);
}

// The server's own forms: escapes of any character, fractions of seconds (dropped as the driver
// drops them), days without a time. Anything else is left for the record's own read.
TEST(RecordsDocument, TheServersFormsAreReadAndAnythingElseIsLeft) {
  const std::vector<ColumnInfo> columns = Columns();
  const auto of = ColumnOf(columns);
  std::vector<Value> read;
  ASSERT_TRUE(
      RecordFromDocument(R"({"ID":1,"Text":"\u00e4\ud83d\ude00\/","Price":1e+20,"Active":0,)"
                         R"("Date":"2024-01-02T03:04:05.678","Picture":null})",
                         columns, of, read));
  EXPECT_EQ(read[1], Value("ä😀/"));
  EXPECT_EQ(read[2], Value(1e20));
  EXPECT_EQ(read[3], Value(false));
  EXPECT_EQ(read[4], Value(DateTime{2024, 1, 2, 3, 4, 5}));
  EXPECT_EQ(read[5], Value());
  ASSERT_TRUE(RecordFromDocument(R"({"Date":"2024-01-02"})", columns, of, read));
  EXPECT_EQ(read[4], Value(DateTime{2024, 1, 2}));

  for (const char* other :
       {R"({"Date":"infinity"})", R"({"Text":{"a":1}})", R"({"Text":true})", R"({"Unknown":1})",
        R"({"Price":"NaN"})", R"({"Text":"\ud83d"})", R"({"ID":1.5})", R"({"ID":1} trailing)"})
    EXPECT_FALSE(RecordFromDocument(other, columns, of, read)) << other;
}

}  // namespace
}  // namespace velra
