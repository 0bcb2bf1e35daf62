#include "app/ColumnMapping.h"

#include <algorithm>

#include "app/AppTexts.h"
#include "base/Text.h"
#include "config/ConfigError.h"
#include "mapping/AutoMapping.h"
#include "mapping/OneColumnPerField.h"
#include "profile/LearnedMappings.h"

namespace velra {

namespace {

const FieldChoice* ChoiceOfField(const FieldList& fields, const std::string& field) {
  for (const FieldChoice& choice : fields.choices)
    if (EqualsIgnoreCase(choice.Field, field)) return &choice;
  return nullptr;
}

const ProfileColumn* ProfileColumnNamed(const ImportProfile& profile, const std::string& name) {
  const ProfileColumn* loose = nullptr;
  for (const ProfileColumn& column : profile.columns) {
    if (column.column == name) return &column;
    if (!loose && EqualsIgnoreCase(Trim(column.column), Trim(name))) loose = &column;
  }
  return loose;
}

// The column shows that it has no field: its name with the mark, the look of a column left out.
void LeaveOut(GridColumn& column) {
  column.FieldCaption = texts::kUnassignedMark + column.SourceName;
  column.TargetField.clear();
  column.CellStyle = kCellsNone;
  column.HeaderStyle = kHeaderNone;
}

void Bind(GridColumn& column, const FieldChoice& choice) {
  column.FieldCaption = choice.Caption;
  column.TargetField = choice.Field;
  column.CellStyle = kCellsBound;
  column.HeaderStyle = kHeaderBound;
}

}  // namespace

std::string LearnedMappingsPath(const std::string& path) {
  return path.empty() ? LearnedMappings::DefaultPath() : path;
}

std::vector<GridColumn> MapColumns(const std::vector<std::string>& sourceNames,
                                   const MappingRules& rules, std::vector<std::string>& problems) {
  const std::vector<std::string> offered = OfferedFields(rules.fields);
  std::vector<GridColumn> columns = BuildGridColumns(sourceNames, rules.layout, &offered);
  AutoMap(columns, rules, problems);
  return columns;
}

void AutoMap(std::vector<GridColumn>& columns, const MappingRules& rules,
             std::vector<std::string>& problems) {
  // Without a matching file the environment has said so at start-up.
  const std::string& matchingPath = rules.context.Env.MatchingFile;
  MatchingFile matching;
  try {
    if (!matchingPath.empty()) matching = MatchingFile::Load(matchingPath);
  } catch (const ConfigError& e) {
    problems.push_back(e.what());
  }
  const std::vector<std::string> offered = OfferedFields(rules.fields);
  AutoMapColumns(columns, matching, rules.layout, &offered);
  const std::string path = LearnedMappingsPath(rules.learnedPath);
  if (rules.useLearned && !path.empty()) {
    LearnedMappings learned = LearnedMappings::Load(path);
    if (!learned.Problem().empty()) problems.push_back(learned.Problem());
    ApplyLearnedMappings(columns, learned, rules.context.CompanyName, NumberOf(rules.kind),
                         rules.fields.choices);
  }
  for (std::string& note : KeepOneColumnPerField(columns)) problems.push_back(std::move(note));
}

void AssignField(GridColumn& column, const FieldChoice& choice) {
  Bind(column, choice);
  column.ByHand = true;
}

void RemoveField(GridColumn& column) {
  LeaveOut(column);
  column.ByHand = false;
}

const FieldChoice* ChoiceOfCaption(const FieldList& fields, const std::string& caption) {
  for (const FieldChoice& choice : fields.choices)
    if (choice.Caption == caption) return &choice;
  return nullptr;
}

ProfileFit ApplyProfileColumns(std::vector<GridColumn>& columns, const ImportProfile& profile,
                               const FieldList& fields) {
  ProfileFit fit;
  std::vector<const ProfileColumn*> used;
  for (GridColumn& column : columns) {
    column.ByHand = false;
    const ProfileColumn* wanted = ProfileColumnNamed(profile, column.SourceName);
    const FieldChoice* choice = wanted ? ChoiceOfField(fields, wanted->field) : nullptr;
    if (wanted) used.push_back(wanted);
    if (wanted && !choice) fit.unknownFields.push_back(wanted->column + " → " + wanted->field);
    if (choice) {
      Bind(column, *choice);
      continue;
    }
    // The profile decides: a column it does not name is not imported.
    if (!wanted) fit.notInProfile.push_back(column.SourceName);
    LeaveOut(column);
  }
  for (const ProfileColumn& column : profile.columns)
    if (std::find(used.begin(), used.end(), &column) == used.end())
      fit.missing.push_back(column.column);
  return fit;
}

std::string ProfileFit::Text() const {
  std::string text;
  auto list = [&text](const char* heading, const std::vector<std::string>& names) {
    if (names.empty()) return;
    text += (text.empty() ? "" : "\r\n") + std::string(heading) + " " + Join(names, ", ");
  };
  list(texts::kProfileColumnsMissing, missing);
  list(texts::kFileColumnsNotInProfile, notInProfile);
  list(texts::kProfileFieldsMissing, unknownFields);
  return text;
}

std::optional<std::string> RememberHandMappings(const std::vector<GridColumn>& columns,
                                                const std::string& company, DataKind kind,
                                                const std::string& learnedPath) {
  const std::string path = LearnedMappingsPath(learnedPath);
  const bool any = std::any_of(columns.begin(), columns.end(), [](const GridColumn& column) {
    return column.ByHand && !column.TargetField.empty();
  });
  if (!any || path.empty()) return std::nullopt;
  LearnedMappings learned = LearnedMappings::Load(path);
  // A store that cannot be read is not overwritten: what it holds may still be repaired.
  std::string error = learned.Problem();
  if (error.empty()) {
    for (const GridColumn& column : columns)
      if (column.ByHand && !column.TargetField.empty())
        learned.Remember(company, NumberOf(kind), column.SourceName, column.TargetField);
    try {
      learned.Save(path);
      return std::nullopt;
    } catch (const ConfigError& e) {
      error = e.what();
    }
  }
  return texts::kLearnedNotSaved + error;
}

}  // namespace velra
