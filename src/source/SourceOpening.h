#pragma once
// Opening a source of any format.

#include <memory>
#include <string>

#include "source/Formats.h"
#include "source/SourceReader.h"

namespace velra {

// Opens a database-like source (XLS, XLSX, DBF, MDB without password); throws SourceError.
std::unique_ptr<SourceReader> OpenDatabaseSource(SourceFormat format, const std::string& path);

}  // namespace velra
