#pragma once
// A complete suite environment for trying the wizard without the suite: environment file, company
// registry, the file company "Musterfirma" with database, options, layout file and the matching
// file, and a registry entry for the server company "MusterfirmaServer".

#include <string>

namespace velra {

inline constexpr const char* kDemoCompany = "Musterfirma";
inline constexpr const char* kDemoServerCompany = "MusterfirmaServer";

// Creates the environment in `folder` (made when missing). A folder that already holds an
// environment file is refused unless `replace` is set; then the demo's own files are replaced.
// False with a German reason in `error` on failure.
bool CreateDemoEnvironment(const std::string& folder, bool replace, std::string* error);

}  // namespace velra
