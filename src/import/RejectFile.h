#pragma once
// The rows a run did not write, written back unchanged as a delimited text file with a last
// column "Fehler" giving the reasons. The user corrects that file and imports it again with the
// same mapping profile. Rows written with a value left out are in the report only: imported again
// they would be added a second time.

#include <cstddef>
#include <string>
#include <string_view>

#include "import/ImportReport.h"
#include "source/SourceReader.h"
#include "source/SourceTable.h"
#include "source/csv/CsvReader.h"

namespace velra {

// The column that carries the reasons. A source that has it already (a reject file imported
// again) gets its values replaced instead of a second such column.
inline constexpr std::string_view kRejectColumn = "Fehler";
// The reason of a row whose report entries were only counted, not kept.
inline constexpr std::string_view kCountedOnlyReason = "Weitere Meldung (nur gezählt)";

struct RejectFormat {
  std::string separator = ";";   // one character; empty: ";" (with a note)
  std::string qualifier = "\"";  // one character or empty
  // Written for line breaks inside values; empty: values keep their line breaks inside
  // qualifiers.
  std::string lineBreakToken = "<br/>";
  // As LoadReport::encoding names them: "utf-8", "utf-8-bom" or "windows-1252"; UTF-16 (and
  // empty) are written as "utf-8-bom".
  std::string encoding = "utf-8-bom";
  bool headerLine = true;  // the source had a header line: write the column names first
  // Between the whole and the decimal part of numbers held as such (sheets, dBase, Access);
  // empty: the one of the regional settings, with which an import reads the number back.
  std::string decimalSeparator;
};

struct RejectFileResult {
  size_t rows = 0;    // rows written (without the header)
  std::string error;  // German; empty on success
  // German; what the file does differently from the source (another encoding, a qualifier the
  // source did not use, values it cannot hold), so that the user can load it again.
  std::string note;
};

// The format of a source for its reject file: text sources ("CSV", "TXT") keep their separator,
// qualifier, line-break token, header line and encoding; UTF-16 text and other formats ("XLS",
// "XLSX", "DBF", "MDB") get UTF-8 with BOM, and the other formats ";", "\"", "<br/>" and a
// header line.
RejectFormat RejectFormatFor(const std::string& sourceFormatCode, const TextOptions& text,
                             const LoadReport& load);

// Writes the rows of `source` listed in report.RowsRejected() in grid order, each with all its
// values and the reasons of its entries joined by " | " (value entries prefixed by their column's
// name), to `path`. Text is written as it stands; numbers, dates and truth values held as such are
// written in the form an import reads back to the same value: whole numbers as digits, other
// numbers with the decimal separator and no grouping, dates as "YYYY-MM-DD[ HH:MM:SS]", truth
// values as "Wahr"/"Falsch". Binary values cannot stand in a text file and stay empty (with a
// note). A value that Windows-1252 cannot hold makes the whole file UTF-8 with BOM (with a note).
// The file is replaced atomically. A report without rows writes nothing and returns 0 rows.
RejectFileResult WriteRejectFile(const std::string& path, const SourceTable& source,
                                 const ImportReport& report, const RejectFormat& format);

}  // namespace velra
