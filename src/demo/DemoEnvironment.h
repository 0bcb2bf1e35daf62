#pragma once
// A complete suite environment for trying the wizard without the suite: environment file, company
// registry, the file company "Musterfirma" with database, options, layout file and the matching
// file, a registry entry for the server company "MusterfirmaServer", and sample source files of
// every kind of data. On request the server company gets its database on a server as well.

#include <string>

#include "demo/DemoError.h"

namespace velra {

inline constexpr const char* kDemoCompany = "Musterfirma";
inline constexpr const char* kDemoServerCompany = "MusterfirmaServer";
// The folder of the sample source files, below the environment's folder.
inline constexpr const char* kDemoSampleFolder = "Beispieldaten/";

// Creates the environment in `folder` (made when missing). A folder that already holds an
// environment file is refused unless `replace` is set; then the demo's own files are replaced.
// Throws DemoError on failure.
void CreateDemoEnvironment(const std::string& folder, bool replace);

// The server that holds the demo's server company, as the environment file names it.
struct DemoServer {
  std::string dataSource;  // "HOST" or "HOST,PORT"
  std::string user = "velra";
  std::string password = "velra";
  std::string provider = "PostgreSQL";       // [Provider] sql: PostgreSQL or a SQL Server provider
  std::string company = kDemoServerCompany;  // the company, and so the name of its database
};

// Creates the database of the server company on the server for the environment in `folder` (made
// by CreateDemoEnvironment): the catalog named like the company, the tables, the reference data
// and, in the table Options, the options of the file company. Then the environment file names the
// server. A catalog of that name that already exists is dropped and made anew only when `replace`
// is set. A company other than the demo's own is added to the registry. Throws DemoError on
// failure; the environment file is then left as it was.
void CreateDemoServerCompany(const std::string& folder, const DemoServer& server, bool replace);

}  // namespace velra
