#pragma once
// What every source reader offers, and what a load reports besides the data.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "source/SourceEncoding.h"
#include "source/SourceTable.h"

namespace velra {

// Called while loading with the rows (or bytes) done and the total where known (0 when not).
// Returning false cancels the load.
using ProgressCallback = std::function<bool(uint64_t done, uint64_t total)>;

// Limits that keep memory bounded whatever a file claims.
inline constexpr size_t kMaxSourceColumns = 16384;

struct LoadOptions {
  bool firstRowHasNames = true;  // "Erste Zeile enthält Feldnamen"
  ProgressCallback progress;     // optional
  // The character set of dBase tables as the user chose it (see EncodingChoiceOf); "auto" lets
  // the table's own marks decide. Workbooks and Access files name their own.
  std::string encoding = std::string(text_encoding::kAuto);
};

// Something a load noticed about single rows: a value it could not keep as it stood, a row it
// had to read differently. `line` is where the row stands in the file (see SourceLine), 0 for
// the file as a whole; `column` the table's column of the cell (from 1; beyond the last for
// values the table has no column for), 0 for the row as a whole; `value` what the file holds
// there, as far as it can be shown.
struct SourceWarning {
  uint32_t line = 0;
  std::string text;
  size_t column = 0;
  std::string value;
};

struct LoadReport {
  bool cancelled = false;
  // How a text source was read: "utf-8", "utf-8-bom", "windows-1252", "cp850", "utf-16le" or
  // "utf-16be"
  // (see text_encoding in source/SourceEncoding.h); empty for other sources.
  std::string encoding;
  std::vector<SourceWarning> warnings;  // the first kMaxWarnings
  size_t moreWarnings = 0;              // how many more there were

  static constexpr size_t kMaxWarnings = 1000;
  void Warn(uint32_t line, std::string text) { WarnCell(line, 0, {}, std::move(text)); }
  void WarnCell(uint32_t line, size_t column, std::string value, std::string text) {
    if (warnings.size() < kMaxWarnings)
      warnings.push_back({line, std::move(text), column, std::move(value)});
    else
      ++moreWarnings;
  }
};

// The name of column i (1-based) when the source has no names: "Spalte i".
inline std::string GeneratedColumnName(size_t column) {
  return "Spalte " + std::to_string(column);
}

// A database-like source (workbook, dBase folder, Access file) opened for reading.
class SourceReader {
 public:
  virtual ~SourceReader() = default;
  // The tables in catalog order: sheets, the dBase files of the folder, the Access tables
  // without the system tables.
  virtual std::vector<std::string> Tables() = 0;
  // The table the user chose by choosing its file (a dBase file in its folder); empty when the
  // source was chosen as a whole, whose first table is then the default.
  virtual std::string ChosenTable() const { return {}; }
  // Replaces the content of `out` with the table. With `firstRowHasNames` the columns carry the
  // source's names (a sheet's first row, a table's field names), otherwise "Spalte 1", ... and
  // for sheets the first row is data. Throws SourceError; on a cancelled load `out` is empty
  // and `report.cancelled` is set.
  virtual void Load(const std::string& table, const LoadOptions& options, SourceTable& out,
                    LoadReport& report) = 0;
};

}  // namespace velra
