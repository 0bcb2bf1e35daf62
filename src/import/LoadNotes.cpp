#include "import/LoadNotes.h"

#include <unordered_map>

#include "base/Text.h"
#include "import/ImportTexts.h"

namespace velra {

void AddLoadNotes(const LoadReport& notes, const SourceTable& source, ImportReport& report) {
  if (notes.warnings.empty()) return;
  std::unordered_map<uint32_t, uint32_t> rowOfLine;
  for (size_t row = 1; row <= source.RowCount(); ++row)
    rowOfLine.try_emplace(source.SourceLine(row), static_cast<uint32_t>(row));
  for (const SourceWarning& warning : notes.warnings) {
    auto found = warning.line ? rowOfLine.find(warning.line) : rowOfLine.end();
    const uint32_t row = found == rowOfLine.end() ? 0 : found->second;
    std::string column;
    if (warning.column > 0)
      column = warning.column <= source.ColumnCount() ? source.ColumnNames()[warning.column - 1]
                                                      : GeneratedColumnName(warning.column);
    report.Add({row, warning.line, column, "", warning.value,
                Fill(import_texts::kLoadNote, {warning.text})});
  }
  if (notes.moreWarnings > 0)
    report.Add({0, 0, "", "", "",
                Fill(import_texts::kMoreLoadNotes, {std::to_string(notes.moreWarnings)})});
}

}  // namespace velra
