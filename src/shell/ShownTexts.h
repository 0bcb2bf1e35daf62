#pragma once
// How the window names the fields of the target table and writes their values for the user: a
// field by the caption the wizard's field list offers for it (from the company's layout file),
// its database name only where it has none; a value in the regional form the import reads. The
// run's results keep the database names and the values as stored, for the command line and its
// JSON.

#include <string>
#include <utility>

#include "base/Regional.h"
#include "import/ValueConversion.h"
#include "mapping/FieldList.h"

namespace velra {

class ShownTexts {
 public:
  ShownTexts(FieldList fields, const RegionalSettings& regional)
      : fields_(std::move(fields)), converter_(regional) {}

  std::string FieldName(const std::string& field) const { return CaptionOf(fields_, field); }
  std::string ValueText(const Value& value, const std::string& field) const {
    return converter_.ToShownText(value, TypeClassOf(field));
  }

 private:
  FieldList fields_;
  ValueConverter converter_;
};

}  // namespace velra
