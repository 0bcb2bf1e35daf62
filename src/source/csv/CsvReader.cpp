#include "source/csv/CsvReader.h"

#include "source/SourceError.h"

namespace velra {

void LoadTextFile(const std::string&, const TextOptions&, SourceTable&, LoadReport&) {
  throw SourceError(SourceErrorCode::Unsupported, "noch nicht");
}

}  // namespace velra
