#include "source/xlsx/XlsxReader.h"

#include "source/SourceError.h"

namespace velra {

std::unique_ptr<SourceReader> OpenXlsxWorkbook(const std::string& path) {
  throw SourceError(SourceErrorCode::Unsupported, "Dieses Format kann noch nicht gelesen werden.");
}

}  // namespace velra
