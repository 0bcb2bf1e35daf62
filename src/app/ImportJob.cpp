#include "app/ImportJob.h"

#include <filesystem>

#include "app/AppTexts.h"
#include "base/Text.h"
#include "config/SuiteFiles.h"
#include "import/RejectTarget.h"

namespace velra {

namespace {

// The folder of the import file as a whole path (a dBase source may name its folder itself), so
// that the run finds picture names beside the file whatever the working folder.
std::string SourceFolder(const std::string& sourceFile) {
  if (sourceFile.empty()) return {};
  std::error_code ignored;
  std::filesystem::path path = std::filesystem::absolute(sourceFile, ignored);
  if (!std::filesystem::is_directory(path, ignored)) path = path.parent_path();
  return path.lexically_normal().string();
}

// The files a reject file must never replace: the suite's, and the selected company's also when
// the registry can no longer be read.
std::vector<std::string> ProtectedFiles(const SessionContext& context) {
  std::vector<std::string> files = SuiteFiles(context.Env);
  for (const std::string& file : {context.OptionsFile, context.LayoutFile}) files.push_back(file);
  if (context.DatabaseType == DatabaseType::File) files.push_back(context.DatabasePath);
  return files;
}

}  // namespace

ImportResult RunJob(const SessionContext& context, const ImportRequest& request,
                    const SourceTable& source, const RowProgress& progress,
                    const std::atomic<bool>& cancel, RunOptions options) {
  ImportSettings settings = request.settings;
  settings.sourceFolder = SourceFolder(request.source.path);
  options.deleteFirst = request.deleteFirst;
  return RunImport(context, settings, source, request.columns, progress, cancel, options);
}

RejectSave SaveRejectedRows(const SessionContext& context, const ImportRequest& request,
                            const SourceTable& source, const LoadReport& loadNotes,
                            const ImportReport& report, const std::string& path) {
  RejectSave save;
  if (std::optional<std::string> problem =
          RejectTargetProblem(path, request.source.path, ProtectedFiles(context))) {
    save.written.error = *problem;
  } else if (report.RowsRejected().empty()) {
    save.message = texts::kNoRejectedRows;
    return save;
  } else {
    save.written = WriteRejectFile(
        path, source, report,
        RejectFormatFor(InfoOf(request.source.format).code, request.source.text, loadNotes));
  }
  if (!save.written.error.empty()) {
    save.failed = true;
    save.message = save.written.error;
    return save;
  }
  save.message = Fill(texts::kRejectedRowsSaved, {std::to_string(save.written.rows), path});
  if (!save.written.note.empty()) save.message += "\r\n" + save.written.note;
  return save;
}

}  // namespace velra
