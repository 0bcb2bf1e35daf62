#pragma once
// Customers, suppliers and articles: records with a number of their own, a creation date and
// the import note. A new record gets its number from the range or from the file; a found one
// keeps its own. The record keeps the number it was given, whatever a column wrote into its
// number field.

#include <cstdint>
#include <optional>

#include "import/run/RecordWriter.h"

namespace velra {

class MasterRecord {
 public:
  // `copyField`: a field that holds the number as well; nullptr for none.
  explicit MasterRecord(const WriterSetup& setup, const char* copyField = nullptr);

  // The number, the creation date, the time of the change and the import note; a refusal when
  // the row gets no number.
  std::optional<Refusal> Start(uint32_t row);
  // After the mapped columns: the number given at the start again.
  void KeepNumber() { WriteNumber(); }

 private:
  std::optional<Refusal> GiveNumber(uint32_t row);
  void WriteNumber();

  const WriterSetup setup_;
  const Field dateCreation_, worksOnLastOf_, number_;
  const std::optional<Field> copy_;
};

}  // namespace velra
