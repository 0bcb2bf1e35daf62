#include "cli/ImportOutput.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "cli/CliTexts.h"
#include "import/ValueConversion.h"

namespace velra::cli {

namespace {

const char* StatusName(ImportResult::Status status) {
  switch (status) {
    case ImportResult::Status::Finished:
      return "finished";
    case ImportResult::Status::Cancelled:
      return "cancelled";
    case ImportResult::Status::NotStarted:
      return "notStarted";
    case ImportResult::Status::Stopped:
      return "stopped";
  }
  return "";
}

// The line under a shortened list of records.
std::string More(size_t count) {
  return Fill(texts::kMoreRecords, {std::to_string(count)});
}

std::string Where(uint32_t line) {
  return line ? "Zeile " + std::to_string(line) : std::string("Allgemein");
}

// A value of the preview as the import reads it, with the database's field names around it.
std::string Text(const Value& value, const ValueConverter& converter) {
  return converter.ToText(value).value_or("");
}

void PrintRecord(const RecordPreview& record, const ValueConverter& converter) {
  std::cout << "  " << Where(record.line) << " (" << ActionText(record.action) << ")";
  if (!record.key.empty()) std::cout << " " << record.key;
  std::cout << '\n';
  for (const FieldChange& change : record.fields) {
    std::cout << "    " << change.field << ": ";
    if (record.action == RecordPreview::Action::Update)
      std::cout << "'" << Text(change.before, converter) << "' -> ";
    std::cout << "'" << Text(change.after, converter) << "'\n";
  }
}

void PrintPreview(const TestRunPreview& preview, const ValueConverter& converter) {
  for (const std::string& note : preview.notes) std::cout << note << '\n';
  if (!preview.firstRows.empty()) {
    std::cout << texts::kFirstRows << '\n';
    for (const RecordPreview& record : preview.firstRows) PrintRecord(record, converter);
  }
  if (!preview.changed.empty()) {
    std::cout << texts::kChangedRecords << '\n';
    for (const RecordPreview& record : preview.changed) PrintRecord(record, converter);
    if (preview.moreChanged) std::cout << More(preview.moreChanged) << '\n';
  }
  if (!preview.duplicates.empty()) {
    std::cout << texts::kDuplicateKeys << '\n';
    for (const DuplicateKey& duplicate : preview.duplicates) {
      std::cout << "  " << duplicate.key << ": Zeilen";
      for (uint32_t line : duplicate.lines) std::cout << ' ' << line;
      std::cout << '\n';
    }
    if (preview.moreDuplicates) std::cout << More(preview.moreDuplicates) << '\n';
  }
}

void PrintEntries(const ImportReport& report) {
  for (const ReportEntry& entry : report.Entries()) {
    std::cerr << Where(entry.line);
    if (!entry.column.empty()) std::cerr << ", Spalte '" << entry.column << "'";
    if (!entry.field.empty()) std::cerr << ", Feld " << entry.field;
    if (!entry.value.empty()) std::cerr << ", Wert '" << entry.value << "'";
    std::cerr << ": " << entry.reason << '\n';
  }
  if (report.EntryCount() > report.Entries().size())
    std::cerr << Fill(texts::kMoreEntries,
                      {std::to_string(report.EntryCount() - report.Entries().size())})
              << '\n';
}

nlohmann::json RecordJson(const RecordPreview& record, const ValueConverter& converter) {
  nlohmann::json fields = nlohmann::json::array();
  for (const FieldChange& change : record.fields)
    fields.push_back({{"field", change.field},
                      {"before", Text(change.before, converter)},
                      {"after", Text(change.after, converter)}});
  return {{"row", record.row},
          {"line", record.line},
          {"action", ActionText(record.action)},
          {"key", record.key},
          {"fields", fields}};
}

nlohmann::json PreviewJson(const TestRunPreview& preview, const ValueConverter& converter) {
  nlohmann::json first = nlohmann::json::array(), changed = nlohmann::json::array(),
                 duplicates = nlohmann::json::array();
  for (const RecordPreview& record : preview.firstRows)
    first.push_back(RecordJson(record, converter));
  for (const RecordPreview& record : preview.changed)
    changed.push_back(RecordJson(record, converter));
  for (const DuplicateKey& duplicate : preview.duplicates)
    duplicates.push_back({{"key", duplicate.key}, {"lines", duplicate.lines}});
  return {{"firstRows", first},
          {"changed", changed},
          {"moreChanged", preview.moreChanged},
          {"duplicates", duplicates},
          {"moreDuplicates", preview.moreDuplicates},
          {"notes", preview.notes}};
}

std::string Duration(double seconds) {
  const long total = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

}  // namespace

void PrintResult(const RunOutput& output) {
  const ImportResult& result = output.result;
  const ImportReport& report = result.report;
  std::cout << output.text << '\n';
  if (!result.testRun) std::cout << report.Summary(output.rows) << '\n';
  if (result.testRun) PrintPreview(result.preview, ValueConverter(output.regional));
  PrintEntries(report);
}

void PrintJson(const RunOutput& output, const ProfileFit& fit, const RejectOutcome& reject) {
  const ImportResult& result = output.result;
  const ImportReport& report = result.report;
  nlohmann::json entries = nlohmann::json::array();
  for (const ReportEntry& entry : report.Entries())
    entries.push_back({{"row", entry.row},
                       {"line", entry.line},
                       {"column", entry.column},
                       {"field", entry.field},
                       {"value", entry.value},
                       {"reason", entry.reason}});
  nlohmann::json out = {{"status", StatusName(result.status)},
                        {"testRun", result.testRun},
                        {"message", result.message},
                        {"text", output.text},
                        {"rows", output.rows},
                        {"written", report.rowsWritten},
                        {"added", report.added},
                        {"updated", report.updated},
                        {"unchanged", report.unchanged},
                        {"rejected", report.rowsRejected},
                        {"rowsWithEntries", report.RowsWithEntries().size()},
                        {"entryCount", report.EntryCount()},
                        {"entries", entries},
                        {"profile",
                         {{"missing", fit.missing},
                          {"notInProfile", fit.notInProfile},
                          {"unknownFields", fit.unknownFields}}}};
  if (result.testRun) out["preview"] = PreviewJson(result.preview, ValueConverter(output.regional));
  if (!reject.path.empty())
    out["rejectFile"] = {{"path", reject.path}, {"rows", reject.rows}, {"error", reject.error}};
  // Invalid UTF-8 from a source must not abort the output.
  std::cout << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void ProgressLine::Show(size_t row, size_t rows) {
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && row != rows && now - shown_ < std::chrono::milliseconds(100)) return;
  shown_ = now;
  drawn_ = true;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(row) / seconds : 0;
  constexpr int kWidth = 30;
  const int filled = rows ? static_cast<int>(kWidth * row / rows) : 0;
  std::cerr << "\r[" << std::string(static_cast<size_t>(filled), '#')
            << std::string(static_cast<size_t>(kWidth - filled), '.') << "] " << row << " von "
            << rows << " Zeilen, " << static_cast<long>(rate) << " Zeilen/s";
  if (rate > 0 && row < rows)
    std::cerr << ", noch " << Duration(static_cast<double>(rows - row) / rate);
  std::cerr << "\033[K" << std::flush;
}

void ProgressLine::ShowText(const std::string& text) {
  std::cerr << "\r" << text << "\033[K" << std::flush;
  drawn_ = true;
}

void ProgressLine::Clear() {
  if (drawn_) std::cerr << "\r\033[K" << std::flush;
  drawn_ = false;
}

}  // namespace velra::cli
