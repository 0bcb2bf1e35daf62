// The mapping page: activating columns, assigning fields, removing assignments, automatic mapping.

#include "app/AppTexts.h"
#include "base/Text.h"
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
    const std::string question = Fill(texts::kDuplicateQuestion, {caption, std::to_string(i + 1)});
    if (!dialogs_.Ask(question, texts::kHinweis, true)) {
      ShowCurrentColumn();
      return;
    }
  }
  const FieldChoice* choice = ChoiceOfCaption(session_.TargetFields, caption);
  AssignField(grid, choice ? *choice : FieldChoice{"", caption});
  c.lbSpalte.Caption = caption;
}

void Wizard::RemoveMapping() {
  WizardControls& c = Controls();
  const int current = session_.CurrentColumn;
  if (current < 1 || current > static_cast<int>(c.columns.size())) return;
  RemoveField(c.columns[static_cast<size_t>(current - 1)]);
  ShowCurrentColumn();
}

MappingRules Wizard::Rules() {
  return {session_.Context, session_.Datenart,           session_.TargetFields,
          Layout(),         session_.UseLearnedMappings, session_.LearnedMappingsFile};
}

void Wizard::AutoMapColumns() {
  AutoMap(Controls().columns, Rules(), session_.Problems);
}

void Wizard::RememberHandMappings() {
  if (std::optional<std::string> problem =
          velra::RememberHandMappings(Controls().columns, session_.Context.CompanyName,
                                      session_.Datenart, session_.LearnedMappingsFile))
    session_.Problems.push_back(*problem);
}

}  // namespace velra
