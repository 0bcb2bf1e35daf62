#include "source/dbf/DbfReader.h"

#include "source/SourceError.h"

namespace velra {

std::unique_ptr<SourceReader> OpenDbfFolder(const std::string& fileInFolder) {
  throw SourceError(SourceErrorCode::Unsupported, "Dieses Format kann noch nicht gelesen werden.");
}

}  // namespace velra
