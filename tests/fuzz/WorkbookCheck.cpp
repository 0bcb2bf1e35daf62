#include "WorkbookCheck.h"

#include "FuzzSupport.h"
#include "source/SourceError.h"

namespace velra::fuzz {

namespace {

// A few bytes can place a cell at row 65,000 and column 250; comparing the millions of empty
// cells of such a table three times takes longer than an input may. It is loaded only, and the
// tables after it are left alone, as loading several of them would take as long.
constexpr size_t kMaxComparedCells = size_t{1} << 20;

struct Loaded {
  SourceTable table;
  LoadReport report;
  bool failed = false;
  SourceErrorCode code{};
  std::string message;
};

Loaded Load(SourceReader& reader, const std::string& name, bool names) {
  Loaded loaded;
  LoadOptions options;
  options.firstRowHasNames = names;
  try {
    reader.Load(name, options, loaded.table, loaded.report);
  } catch (const SourceError& error) {
    loaded.failed = true;
    loaded.code = error.Code();
    loaded.message = error.what();
    FUZZ_CHECK(loaded.table.ColumnCount() == 0 && loaded.table.RowCount() == 0,
               "a failed load leaves data behind");
  }
  FUZZ_CHECK(!loaded.report.cancelled, "a load without progress callback was cancelled");
  return loaded;
}

}  // namespace

void CheckTables(const std::function<std::unique_ptr<SourceReader>()>& open, size_t maxTables,
                 bool namesFromFirstRow) {
  std::unique_ptr<SourceReader> reader;
  try {
    reader = open();
  } catch (const SourceError&) {
    return;
  }
  const std::vector<std::string> tables = reader->Tables();
  FUZZ_CHECK(tables == reader->Tables(), "the tables change between two calls");
  for (size_t i = 0; i < tables.size() && i < maxTables; ++i) {
    const std::string& name = tables[i];
    Loaded named = Load(*reader, name, true);
    if (named.table.RowCount() * named.table.ColumnCount() > kMaxComparedCells) break;
    Loaded again = Load(*reader, name, true);
    FUZZ_CHECK(named.failed == again.failed && named.code == again.code,
               "a second load of '" + name + "' fails differently: " + named.message + " / " +
                   again.message);
    if (!named.failed) {
      std::string difference = TableDifference(named.table, again.table);
      FUZZ_CHECK(difference.empty(), "a second load of '" + name + "' differs: " + difference);
    }

    std::unique_ptr<SourceReader> fresh = open();  // opened once already, so it opens again
    Loaded plain = Load(*fresh, name, false);
    FUZZ_CHECK(named.failed == plain.failed, "'" + name + "' fails only " +
                                                 (named.failed ? "with" : "without") +
                                                 " names: " + named.message + plain.message);
    if (named.failed) continue;
    for (size_t c = 1; c <= plain.table.ColumnCount(); ++c)
      FUZZ_CHECK(plain.table.ColumnNames()[c - 1] == GeneratedColumnName(c),
                 "a column is named '" + plain.table.ColumnNames()[c - 1] + "' without names");
    std::string difference;
    if (!namesFromFirstRow) {
      // Names from the table's own description: the data is the same either way.
      if (plain.table.ColumnCount() != named.table.ColumnCount())
        difference = "columns differ";
      else if (plain.table.RowCount() != named.table.RowCount())
        difference = "rows differ";
      else
        for (size_t r = 1; r <= plain.table.RowCount() && difference.empty(); ++r)
          for (size_t c = 1; c <= plain.table.ColumnCount() && difference.empty(); ++c)
            if (!SameValue(plain.table.Get(c, r), named.table.Get(c, r)))
              difference = "cell " + std::to_string(c) + "/" + std::to_string(r);
    } else if (plain.table.RowCount() == 0) {
      if (named.table.RowCount() != 0) difference = "rows with names only";
    } else {
      difference = HeaderDifference(named.table, plain.table);
    }
    FUZZ_CHECK(difference.empty(), "'" + name + "' with and without names differs: " + difference);
  }
}

}  // namespace velra::fuzz
