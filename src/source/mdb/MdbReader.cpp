#include "source/mdb/MdbReader.h"

#include "source/SourceError.h"

namespace velra {

std::string StoredAccessPassword(const std::string&) { return {}; }

std::unique_ptr<SourceReader> OpenAccessDatabase(const std::string&, const std::string&) {
  throw SourceError(SourceErrorCode::Unsupported, "Dieses Format kann noch nicht gelesen werden.");
}

AccessOpenResult OpenAccessWithPassword(const std::string&, std::string&, PasswordPrompter&) {
  return {};
}

}  // namespace velra
