#include "app/ImportEnding.h"

#include "app/AppTexts.h"
#include "base/Text.h"

namespace velra {

namespace {

// The reason on one line, ending like a sentence.
std::string AsSentence(const std::string& reason) {
  std::string text = Trim(ReplaceAll(ReplaceAll(reason, "\r\n", " "), "\n", " "));
  if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?') text += '.';
  return text;
}

}  // namespace

std::string ImportEndingText(const ImportResult& result, size_t rows) {
  const ImportReport& report = result.report;
  const std::string entries = std::to_string(report.EntryCount());
  switch (result.status) {
    case ImportResult::Status::NotStarted:
      return texts::kImportNotStarted;
    case ImportResult::Status::Cancelled:
      return texts::kImportCancelled;
    case ImportResult::Status::Stopped: {
      const std::string reason = AsSentence(result.message);
      return std::string(texts::kImportStopped) + (reason.empty() ? "." : ": " + reason) + " " +
             Fill(texts::kRowsSaved, {std::to_string(report.rowsWritten), std::to_string(rows)});
    }
    case ImportResult::Status::Finished:
      break;
  }
  if (rows > 0 && report.rowsWritten == 0)
    return Fill(texts::kNothingImported, {entries, std::to_string(rows)});
  if (report.Empty()) return texts::kImported;
  return Fill(texts::kImportedWithNotes, {entries});
}

RunEnding EndingOf(const ImportResult& result, size_t rows) {
  using Status = ImportResult::Status;
  RunEnding ending;
  if (result.testRun) {
    if (result.status == Status::NotStarted || result.status == Status::Stopped) {
      ending.statusText = texts::kReady;
      ending.error = result.status == Status::Stopped
                         ? std::string(texts::kTestRunStopped) + result.message
                         : result.message;
    } else {
      ending.statusText = result.status == Status::Cancelled
                              ? std::string(texts::kImportCancelled)
                              : Fill(texts::kTestRunDone, {result.report.Summary(rows)});
    }
    return ending;
  }
  ending.statusText = ImportEndingText(result, rows);
  if (result.status == Status::NotStarted) ending.error = result.message;
  if (result.deleted > 0) ending.note = texts::kDeleted;
  if (result.status == Status::Stopped) ending.error = ending.statusText;
  return ending;
}

bool ImportFailed(const ImportResult& result, size_t rows) {
  return result.status == ImportResult::Status::NotStarted ||
         result.status == ImportResult::Status::Stopped ||
         (rows > 0 && result.report.rowsWritten == 0);
}

}  // namespace velra
