#include "shell/ImportEnding.h"

#include "base/Text.h"
#include "shell/ShellTexts.h"

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
             ReplaceAll(ReplaceAll(texts::kRowsSaved, "%1", std::to_string(report.rowsWritten)),
                        "%2", std::to_string(rows));
    }
    case ImportResult::Status::Finished:
      break;
  }
  if (rows > 0 && report.rowsWritten == 0)
    return ReplaceAll(ReplaceAll(texts::kNothingImported, "%1", entries), "%2",
                      std::to_string(rows));
  if (report.Empty()) return texts::kImported;
  return ReplaceAll(texts::kImportedWithNotes, "%1", entries);
}

bool ImportFailed(const ImportResult& result, size_t rows) {
  return result.status == ImportResult::Status::NotStarted ||
         result.status == ImportResult::Status::Stopped ||
         (rows > 0 && result.report.rowsWritten == 0);
}

}  // namespace velra
