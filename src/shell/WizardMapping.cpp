// The mapping page: activating columns, assigning fields, removing assignments, automatic mapping.

#include "base/Text.h"
#include "mapping/OneColumnPerField.h"
#include "shell/ShellTexts.h"
#include "shell/Wizard.h"

namespace velra {

bool Wizard::IsFieldCaption(const std::string& text) const {
  for (const std::string& item : Controls().cboDatenbankfelder.Items)
    if (item == text) return true;
  return false;
}

void Wizard::HeaderClick(int column) {
  WizardControls& c = Controls();
  if (column < 1 || column > static_cast<int>(c.columns.size())) return;
  session_.CurrentColumn = column;
  GridColumn& grid = c.columns[static_cast<size_t>(column - 1)];
  std::string name = Trim(ReplaceAll(grid.FieldCaption, "×", ""));
  c.Focus("cboDatenbankfelder");
  if (!IsFieldCaption(name)) grid.FieldCaption = texts::kUnassignedMark + name;
  ShowCurrentColumn();
}

void Wizard::ShowCurrentColumn() {
  WizardControls& c = Controls();
  const int current = session_.CurrentColumn;
  if (current < 1 || current > static_cast<int>(c.columns.size())) {
    c.lbSpalte.Caption = texts::kNoColumn;
    c.cboDatenbankfelder.Select(c.cboDatenbankfelder.Items.empty() ? -1 : 0);
    return;
  }
  const GridColumn& grid = c.columns[static_cast<size_t>(current - 1)];
  const std::string name = Trim(ReplaceAll(grid.FieldCaption, "×", ""));
  c.lbSpalte.Caption = name;
  if (grid.TargetField.empty() || !c.cboDatenbankfelder.SetText(name))
    c.cboDatenbankfelder.Select(0);
}

void Wizard::FieldPicked(int listIndex) {
  WizardControls& c = Controls();
  Combo& fields = c.cboDatenbankfelder;
  const int current = session_.CurrentColumn;
  if (current < 1 || current > static_cast<int>(c.columns.size())) return;
  if (listIndex < 0 || listIndex >= static_cast<int>(fields.Items.size())) return;
  fields.Select(listIndex);
  GridColumn& grid = c.columns[static_cast<size_t>(current - 1)];
  if (listIndex == 0) {
    grid.CellStyle = kCellsUnBound;
    grid.HeaderStyle = kHeaderUnBound;
    return;
  }
  const std::string caption = fields.Items[static_cast<size_t>(listIndex)];
  for (size_t i = 0; i < c.columns.size(); ++i) {
    if (static_cast<int>(i + 1) == current || c.columns[i].FieldCaption != caption) continue;
    std::string question = std::string(texts::kDuplicateStart) + caption + texts::kDuplicateMiddle +
                           std::to_string(i + 1) + texts::kDuplicateEnd;
    if (!dialogs_.Ask(question, texts::kHinweis, true)) {
      ShowCurrentColumn();
      return;
    }
  }
  grid.FieldCaption = caption;
  grid.TargetField.clear();
  for (const FieldChoice& choice : session_.TargetFields.choices)
    if (choice.Caption == caption) grid.TargetField = choice.Field;
  c.lbSpalte.Caption = caption;
  grid.CellStyle = kCellsBound;
  grid.HeaderStyle = kHeaderBound;
  grid.ByHand = true;
}

void Wizard::RemoveMapping() {
  WizardControls& c = Controls();
  const int current = session_.CurrentColumn;
  if (current < 1 || current > static_cast<int>(c.columns.size())) return;
  GridColumn& grid = c.columns[static_cast<size_t>(current - 1)];
  grid.FieldCaption = texts::kUnassignedMark + grid.SourceName;
  grid.TargetField.clear();
  grid.CellStyle = kCellsNone;
  grid.HeaderStyle = kHeaderNone;
  grid.ByHand = false;
  ShowCurrentColumn();
}

void Wizard::AutoMapColumns() {
  // Without a matching file the environment has said so at start-up.
  const std::string& matchingPath = session_.Context.Env.MatchingFile;
  MatchingFile matching;
  try {
    if (!matchingPath.empty()) matching = MatchingFile::Load(matchingPath);
  } catch (const ConfigError& e) {
    session_.Problems.push_back(e.what());
  }
  const std::vector<std::string> offered = OfferedFields(session_.TargetFields);
  velra::AutoMapColumns(Controls().columns, matching, Layout(), &offered);
  const std::string path = LearnedMappingsPath();
  if (session_.UseLearnedMappings && !path.empty()) {
    LearnedMappings learned = LearnedMappings::Load(path);
    if (!learned.Problem().empty()) session_.Problems.push_back(learned.Problem());
    ApplyLearnedMappings(Controls().columns, learned, session_.Context.CompanyName,
                         NumberOf(session_.Datenart), session_.TargetFields.choices);
  }
  for (std::string& note : KeepOneColumnPerField(Controls().columns))
    session_.Problems.push_back(std::move(note));
}

std::string Wizard::LearnedMappingsPath() const {
  return session_.LearnedMappingsFile.empty() ? LearnedMappings::DefaultPath()
                                              : session_.LearnedMappingsFile;
}

void Wizard::RememberHandMappings() {
  const std::string path = LearnedMappingsPath();
  bool any = false;
  for (const GridColumn& column : Controls().columns)
    any = any || (column.ByHand && !column.TargetField.empty());
  if (!any || path.empty()) return;
  LearnedMappings learned = LearnedMappings::Load(path);
  // A store that cannot be read is not overwritten: what it holds may still be repaired.
  std::string error = learned.Problem();
  if (error.empty()) {
    for (const GridColumn& column : Controls().columns)
      if (column.ByHand && !column.TargetField.empty())
        learned.Remember(session_.Context.CompanyName, NumberOf(session_.Datenart),
                         column.SourceName, column.TargetField);
    try {
      learned.Save(path);
      return;
    } catch (const ConfigError& e) {
      error = e.what();
    }
  }
  session_.Problems.push_back(texts::kLearnedNotSaved + error);
}

}  // namespace velra
