// Delimited text. The first input byte chooses the case:
//  - bit 0 clear: the rest is a file, read with separator, qualifier, line-break token, names
//    and encoding taken from the next bytes. Reading it twice gives the same table, and reading
//    it with names gives the table read without names less its first row.
//  - bit 0 set: the rest is a table (values split at 0x1F, rows at 0x1E) that is written as a
//    file with every value qualified and doubled qualifiers, in UTF-8 or Windows-1252, and read
//    back: the table must come back unchanged.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "base/Encoding.h"
#include "source/SourceError.h"
#include "source/csv/CsvReader.h"

using namespace velra;

namespace {

constexpr const char* kSeparators[] = {";", ",", "\t", "|", " ", "", "\xC2\xA7", "ab", "\"", "x"};
constexpr const char* kQualifiers[] = {"\"", "'", "", "\"\"", ";", "\xC3\xA4"};
constexpr const char* kTokens[] = {"<br/>", "", "|", "\"", "ab"};
constexpr const char* kEncodings[] = {"auto", "utf-8", "windows-1252", " UTF-8 ", "latin1"};

template <size_t N>
const char* Pick(const char* const (&list)[N], uint8_t byte) {
  return list[byte % N];
}

struct Loaded {
  SourceTable table;
  LoadReport report;
  bool failed = false;
  SourceErrorCode code{};
};

Loaded Load(const std::string& path, const TextOptions& options) {
  Loaded loaded;
  try {
    LoadTextFile(path, options, loaded.table, loaded.report);
  } catch (const SourceError& error) {
    loaded.failed = true;
    loaded.code = error.Code();
    FUZZ_CHECK(loaded.table.ColumnCount() == 0 && loaded.table.RowCount() == 0,
               "a failed load leaves data behind");
  }
  return loaded;
}

void ReadFile(fuzz::InputReader& input) {
  TextOptions options;
  uint8_t choice = input.Byte();
  options.separator = Pick(kSeparators, choice);
  options.qualifier = Pick(kQualifiers, static_cast<uint8_t>(choice >> 4));
  choice = input.Byte();
  options.lineBreakToken = Pick(kTokens, choice);
  options.encoding = Pick(kEncodings, static_cast<uint8_t>(choice >> 3));
  std::string path = fuzz::WriteScratchFile("quelle.csv", input.Rest());

  options.firstRowHasNames = true;
  Loaded named = Load(path, options);
  Loaded again = Load(path, options);
  FUZZ_CHECK(named.failed == again.failed, "a second read fails differently");
  if (!named.failed) {
    std::string difference = fuzz::TableDifference(named.table, again.table);
    FUZZ_CHECK(difference.empty(), "a second read differs: " + difference);
    FUZZ_CHECK(named.report.encoding == again.report.encoding, "encoding differs");
  }

  options.firstRowHasNames = false;
  Loaded plain = Load(path, options);
  // A failure with names is one without (the same records are read); not the other way round,
  // since data rows wider than the header are cut only when the header names the columns.
  if (named.failed) {
    FUZZ_CHECK(plain.failed, "only the read with names fails");
    return;
  }
  if (plain.failed) {
    FUZZ_CHECK(plain.code == SourceErrorCode::TooLarge, "only the read without names fails");
    return;
  }
  for (size_t c = 1; c <= plain.table.ColumnCount(); ++c)
    FUZZ_CHECK(plain.table.ColumnNames()[c - 1] == GeneratedColumnName(c),
               "a generated name is " + plain.table.ColumnNames()[c - 1]);
  for (size_t r = 1; r <= plain.table.RowCount(); ++r)
    for (size_t c = 1; c <= plain.table.ColumnCount(); ++c) {
      Value value = plain.table.Get(c, r);
      FUZZ_CHECK(value.IsNull() || (value.IsText() && IsValidUtf8(value.AsText())),
                 "a value is no UTF-8 text");
    }
  if (plain.table.RowCount() == 0) {
    FUZZ_CHECK(named.table.RowCount() == 0, "rows with names only");
    return;
  }
  std::string difference = fuzz::HeaderDifference(named.table, plain.table);
  FUZZ_CHECK(difference.empty(), "with and without names differ: " + difference);
}

std::string Qualified(const std::string& value, char qualifier) {
  std::string out(1, qualifier);
  for (char c : value) {
    out += c;
    if (c == qualifier) out += c;
  }
  return out + qualifier;
}

void RoundTrip(fuzz::InputReader& input) {
  uint8_t choice = input.Byte();
  TextOptions options;
  static constexpr const char* kRoundSeparators[] = {";", ",", "\t", "|", " ", "\xC2\xA7", "x"};
  static constexpr const char* kLineEnds[] = {"\r\n", "\n", "\r"};
  options.separator = Pick(kRoundSeparators, choice);
  options.qualifier = (choice & 0x80) ? "'" : "\"";
  options.lineBreakToken = "";
  options.firstRowHasNames = false;
  const bool windows1252 = (choice & 0x40) != 0;
  options.encoding = windows1252 ? "windows-1252" : "auto";
  const std::string lineEnd = Pick(kLineEnds, input.Byte());

  std::vector<std::vector<std::string>> rows;
  size_t width = 0;
  while (!input.Empty() && rows.size() < 200) {
    std::string_view row = input.Until('\x1E');
    std::vector<std::string> values;
    size_t start = 0;
    while (true) {
      size_t end = row.find('\x1F', start);
      std::string value(row.substr(start, end == std::string_view::npos ? row.npos : end - start));
      // What the reader cannot give back: no NUL in a text file, UTF-8 only.
      if (value.find('\0') != std::string::npos || !IsValidUtf8(value)) return;
      if (windows1252 && !Utf8ToWindows1252(value)) return;
      values.push_back(std::move(value));
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
    width = std::max(width, values.size());
    rows.push_back(std::move(values));
  }
  if (rows.empty()) return;
  // Every row as wide as the widest, so that each cell holds text.
  for (std::vector<std::string>& row : rows) row.resize(width);

  std::string text;
  for (const std::vector<std::string>& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) text += options.separator;
      text += Qualified(row[c], options.qualifier[0]);
    }
    text += lineEnd;
  }
  if (windows1252) text = *Utf8ToWindows1252(text);
  std::string path = fuzz::WriteScratchFile("tabelle.csv", text);
  Loaded loaded = Load(path, options);
  FUZZ_CHECK(!loaded.failed, "a written table cannot be read");
  const SourceTable& table = loaded.table;
  FUZZ_CHECK(table.ColumnCount() == width,
             "columns " + std::to_string(table.ColumnCount()) + " of " + std::to_string(width));
  FUZZ_CHECK(table.RowCount() == rows.size(),
             "rows " + std::to_string(table.RowCount()) + " of " + std::to_string(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < width; ++c) {
      Value value = table.Get(c + 1, r + 1);
      FUZZ_CHECK(value == Value(rows[r][c]),
                 "cell " + std::to_string(c + 1) + "/" + std::to_string(r + 1) + " reads " +
                     fuzz::Describe(value) + ", written '" + rows[r][c] + "'");
    }
  FUZZ_CHECK(loaded.report.warnings.empty(),
             "warnings on a clean file: " + loaded.report.warnings[0].text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  if (input.Byte() & 1)
    RoundTrip(input);
  else
    ReadFile(input);
  return 0;
}
