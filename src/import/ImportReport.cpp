#include "import/ImportReport.h"

#include <algorithm>
#include <fstream>

#include "base/Text.h"
#include "import/ImportTexts.h"

namespace velra {

namespace {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(";\"\r\n") == std::string::npos) return text;
  return "\"" + ReplaceAll(text, "\"", "\"\"") + "\"";
}

// Keeps `rows` ascending with each row once; true when `row` was not yet among them. A run
// reports its rows in ascending order, so a row is appended or already last; a row out of that
// order is inserted where it belongs.
bool InsertRow(std::vector<uint32_t>& rows, uint32_t row) {
  if (row == 0) return false;
  if (rows.empty() || row > rows.back()) {
    rows.push_back(row);
    return true;
  }
  auto at = std::lower_bound(rows.begin(), rows.end(), row);
  if (*at == row) return false;
  rows.insert(at, row);
  return true;
}

}  // namespace

void ImportReport::AddRejected(ReportEntry entry) {
  if (InsertRow(rejected_, entry.row)) ++rowsRejected;
  Add(std::move(entry));
}

void ImportReport::Add(ReportEntry entry) {
  InsertRow(rows_, entry.row);
  if (entries_.size() < kMaxEntries)
    entries_.push_back(std::move(entry));
  else
    ++uncounted_;
}

std::string ImportReport::Summary(size_t rows) const {
  return Fill(import_texts::kReportSummary,
              {std::to_string(rows), std::to_string(rowsWritten), std::to_string(added),
               std::to_string(updated), std::to_string(unchanged), std::to_string(rowsRejected),
               std::to_string(EntryCount())});
}

void ImportReport::SaveCsv(const std::string& path,
                           const std::function<std::string(const std::string&)>& fieldName) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "\xEF\xBB\xBF"
      << "Zeile;Spalte;Feld;Wert;Grund\r\n";
  for (const ReportEntry& entry : entries_)
    out << (entry.line ? std::to_string(entry.line) : std::string()) << ';'
        << CsvField(entry.column) << ';'
        << CsvField(fieldName ? fieldName(entry.field) : entry.field) << ';'
        << CsvField(entry.value) << ';' << CsvField(entry.reason) << "\r\n";
  if (uncounted_ > 0)
    out << ";;;;" << CsvField(Fill(import_texts::kReportMoreEntries, {std::to_string(uncounted_)}))
        << "\r\n";
  out.flush();
  if (!out) throw ImportError(Fill(import_texts::kReportNotSaved, {path}));
}

}  // namespace velra
