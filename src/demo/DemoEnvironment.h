#pragma once
// A complete suite environment for trying the wizard without the suite: environment file, company
// registry, the file company "Musterfirma" with database, options, layout file and the matching
// file, a registry entry for the server company "MusterfirmaServer", and sample source files of
// every kind of data.

#include <string>

namespace velra {

inline constexpr const char* kDemoCompany = "Musterfirma";
inline constexpr const char* kDemoServerCompany = "MusterfirmaServer";
// The folder of the sample source files, below the environment's folder.
inline constexpr const char* kDemoSampleFolder = "Beispieldaten/";

// Creates the environment in `folder` (made when missing). A folder that already holds an
// environment file is refused unless `replace` is set; then the demo's own files are replaced.
// False with a German reason in `error` on failure.
bool CreateDemoEnvironment(const std::string& folder, bool replace, std::string* error);

}  // namespace velra
