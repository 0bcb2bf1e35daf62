#pragma once
// Which column of the source goes to which field: the automatic mapping of a loaded source,
// fields given and taken by the user, a profile's mapping, and the pairs learned from runs.

#include <optional>
#include <string>
#include <vector>

#include "company/SessionContext.h"
#include "import/DataKind.h"
#include "mapping/FieldList.h"
#include "mapping/GridColumns.h"
#include "mapping/LayoutFile.h"
#include "profile/ImportProfile.h"

namespace velra {

struct MappingRules {
  const SessionContext& context;
  DataKind kind;
  const FieldList& fields;  // the target table's fields the kind offers
  const LayoutFile& layout;
  bool useLearned = true;   // the mappings learned from earlier runs
  std::string learnedPath;  // their store; empty: the user's
};

// The store of learned mappings `path` names, else the user's.
std::string LearnedMappingsPath(const std::string& path);

// The columns of a loaded source, each on the field the automatic mapping gives it (see
// AutoMap).
std::vector<GridColumn> MapColumns(const std::vector<std::string>& sourceNames,
                                   const MappingRules& rules, std::vector<std::string>& problems);

// The automatic mapping over the columns: the matching file's aliases, then the mappings learned
// for the company and kind, then one column per field. `problems` gets a German line per file
// that could not be read and per column that lost its field.
void AutoMap(std::vector<GridColumn>& columns, const MappingRules& rules,
             std::vector<std::string>& problems);

// The user gives `column` the field of `choice`, or takes its field away.
void AssignField(GridColumn& column, const FieldChoice& choice);
void RemoveField(GridColumn& column);
// The offered field of `caption`; nullptr when the list has none.
const FieldChoice* ChoiceOfCaption(const FieldList& fields, const std::string& caption);

// How a profile's columns fit the loaded file.
struct ProfileFit {
  std::vector<std::string> missing;        // columns of the profile the file lacks
  std::vector<std::string> notInProfile;   // columns of the file the profile does not name
  std::vector<std::string> unknownFields;  // "column → field" whose field the table lacks
  // German, one line per kind of misfit; empty when everything fits.
  std::string Text() const;
};

// The profile's mapping on the columns: a column the profile names gets its field, the others
// none.
ProfileFit ApplyProfileColumns(std::vector<GridColumn>& columns, const ImportProfile& profile,
                               const FieldList& fields);

// After a run that wrote rows, the pairs the user set by hand are remembered for the company and
// kind. The German reason when they could not be saved.
std::optional<std::string> RememberHandMappings(const std::vector<GridColumn>& columns,
                                                const std::string& company, DataKind kind,
                                                const std::string& learnedPath);

}  // namespace velra
