#include "import/RejectTarget.h"

#include <filesystem>

#include "base/Text.h"
#include "config/Messages.h"
#include "import/ImportTexts.h"

namespace velra {

namespace {

namespace fs = std::filesystem;

// The same file: for two existing files by their identity (links, other spellings of the path),
// otherwise by their paths with links and "." and ".." resolved as far as they exist.
bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error);
  const fs::path left = fs::weakly_canonical(fs::absolute(a, error), error);
  if (error) return false;
  const fs::path right = fs::weakly_canonical(fs::absolute(b, error), error);
  return !error && left == right;
}

}  // namespace

std::optional<std::string> RejectTargetProblem(const std::string& path,
                                               const std::string& sourceFile,
                                               const std::vector<std::string>& suiteFiles) {
  if (path.empty()) return std::nullopt;  // the writer says that no file is named
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (fs::exists(status) && !fs::is_regular_file(status)) return messages::NotARegularFile(path);
  if (!sourceFile.empty() && SameFile(path, sourceFile))
    return std::string(import_texts::kRejectsOverSource);
  for (const std::string& file : suiteFiles)
    if (!file.empty() && SameFile(path, file))
      return Fill(import_texts::kRejectsOverSuiteFile, {path});
  return std::nullopt;
}

}  // namespace velra
