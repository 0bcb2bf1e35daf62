#pragma once
// The grid's columns that are imported, and writing them into the row's record: each value
// converted by its field's class, a picture stored once and referred to by its ID.

#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/TargetTable.h"
#include "import/Pictures.h"
#include "import/ValueConversion.h"
#include "import/run/RowScope.h"
#include "mapping/GridColumns.h"

namespace velra {

// A column of the grid that is imported.
struct PlannedColumn {
  size_t sourceColumn;  // from 1
  int field;            // index in the target table
  std::string name;     // the column's name in the source
  std::string fieldName;
  Value::Type type;
  TypeClass typeClass;  // the picture class: a file or web address, stored as a picture record
};

class ColumnWriter {
 public:
  // Plans the columns; a column whose field the table lacks is reported and left out.
  ColumnWriter(const std::vector<GridColumn>& columns, const TargetTable& table,
               ImportReport& report);

  // Prepares the picture store when a column carries pictures; names without a whole path are
  // found in `sourceFolder`.
  void Prepare(Connection& connection, const ValueConverter& converter,
               const std::string& sourceFolder);

  const std::vector<PlannedColumn>& Planned() const { return planned_; }
  // Whether rows write picture records besides their own.
  bool WritesPictures() const { return pictures_ != nullptr; }

  // Writes the row's values into the record; a value that cannot be taken is reported.
  void Write(uint32_t row, RowScope& scope);

 private:
  void WritePicture(uint32_t row, const PlannedColumn& column, const Value& value, RowScope& scope);

  std::vector<PlannedColumn> planned_;
  Downloader downloader_;
  std::unique_ptr<PictureStore> pictures_;
};

}  // namespace velra
