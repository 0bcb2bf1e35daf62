#pragma once
// The fields of a target table that can be assigned: those the layout file gives a caption.

#include <string>
#include <vector>

#include "mapping/LayoutFile.h"

namespace velra {

struct FieldChoice {
  std::string Field;    // as the database spells it
  std::string Caption;  // from the layout file
};

struct FieldList {
  std::vector<FieldChoice> choices;  // in the table's field order
  std::vector<std::string> fields;   // every field of the table, captioned or not
  std::string error;                 // German reason when the table could not be read
};

// The caption under which the list offers `field` (letter case aside), the field's own name where
// it offers none: how the window names a field to the user.
std::string CaptionOf(const FieldList& list, const std::string& field);

// Reads the fields of `table` in the company database; fields without a caption are not offered.
FieldList ReadFieldList(const std::string& connectionString, const std::string& table,
                        const LayoutFile& layout);

}  // namespace velra
