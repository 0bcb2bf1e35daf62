#pragma once
// The file company's database: an SQLite file where the suite on Windows kept an Access file.

#include <memory>

#include "db/Backend.h"
#include "db/ConnectionParameters.h"

namespace velra {

// Opens "Data Source" of the parameters. Without `create` the file must exist. A real Access
// file or a file that is no SQLite database is refused with a message naming the file.
// The optional parameter "Busy Timeout" (milliseconds, default 5000) sets how long a locked
// database is waited for.
std::unique_ptr<Backend> OpenSqliteBackend(const ConnectionParameters& parameters, bool create);

}  // namespace velra
