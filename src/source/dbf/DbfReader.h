#pragma once
// dBase tables: the folder of the chosen file is the database, its .dbf files are the tables.

#include <memory>
#include <string>

#include "source/SourceReader.h"

namespace velra {

// Opens the folder of `fileInFolder`; throws SourceError when it cannot be read.
std::unique_ptr<SourceReader> OpenDbfFolder(const std::string& fileInFolder);

}  // namespace velra
