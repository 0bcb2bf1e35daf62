#include "source/xls/XlsReader.h"

#include "source/SourceError.h"

namespace velra {

std::unique_ptr<SourceReader> OpenXlsWorkbook(const std::string& path) {
  throw SourceError(SourceErrorCode::Unsupported, "Dieses Format kann noch nicht gelesen werden.");
}

}  // namespace velra
