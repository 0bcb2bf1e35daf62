#pragma once
// The files in which the suite keeps its data, which no file the import writes may replace.

#include <string>
#include <vector>

#include "config/Environment.h"

namespace velra {

// The environment file, the company registry, the matching file, and of every company of the
// registry whose settings can be read its layout file and, for a file company, its database (with
// the files SQLite keeps beside it) and options file. Files that do not exist yet are listed too.
std::vector<std::string> SuiteFiles(const Environment& env);

}  // namespace velra
