#pragma once
// Opening and loading a source of any format.

#include <memory>
#include <string>

#include "source/Formats.h"
#include "source/SourceReader.h"
#include "source/csv/CsvReader.h"

namespace velra {

// Opens a database-like source (XLS, XLSX, DBF, MDB); `password` serves Access databases.
// Throws SourceError.
std::unique_ptr<SourceReader> OpenDatabaseSource(SourceFormat format, const std::string& path,
                                                 const std::string& password = {});

struct SourceRequest {
  SourceFormat format = SourceFormat::Csv;
  std::string path;
  std::string table;     // database formats; empty: the chosen dBase file, else the first table
  std::string password;  // Access databases
  TextOptions text;      // text formats; its firstRowHasNames, encoding and progress serve all
};

// Loads the requested source into `out` and returns the table it read (empty for text files).
// Throws SourceError (also for a table the source does not have).
std::string LoadSource(const SourceRequest& request, SourceTable& out, LoadReport& report);

}  // namespace velra
