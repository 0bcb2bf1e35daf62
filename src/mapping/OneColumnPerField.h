#pragma once
// A field takes the values of one column: two columns on one field would overwrite each other
// row by row.

#include <optional>
#include <string>
#include <vector>

#include "mapping/FieldList.h"
#include "mapping/GridColumns.h"

namespace velra {

// After the automatic mapping: a field that several columns got stays with the column the user
// assigned by hand, else the column named exactly like the field's caption, else the first; the
// others lose it. One German note per column left out.
std::vector<std::string> KeepOneColumnPerField(std::vector<GridColumn>& columns);

// Before a run: the German sentence naming two columns on the same field, if there are any.
std::optional<std::string> TwoColumnsOnOneField(const std::vector<GridColumn>& columns);

// The fields the field list offers, as the database spells them: the only ones any rule of the
// automatic mapping may assign.
std::vector<std::string> OfferedFields(const FieldList& list);

}  // namespace velra
