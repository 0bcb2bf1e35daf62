#pragma once
// Delimited text files (CSV and TXT) into the source table.

#include <string>

#include "source/SourceReader.h"

namespace velra {

struct TextOptions {
  std::string separator = ";";         // one character; empty: every line is one value
  std::string qualifier = "\"";        // one character; empty: no text is qualified
  std::string lineBreakToken = "<br/>";  // replaced by CR LF in every value; empty: none
  bool firstRowHasNames = true;
  ProgressCallback progress;  // bytes done of the file size
};

// Replaces the content of `out` with the file. A value that starts with the qualifier runs to the
// closing qualifier: separators and line breaks inside it do not split, a doubled qualifier stands
// for one. The file is UTF-8 when it carries a BOM or is valid UTF-8, otherwise Windows-1252;
// lines end at CR LF, LF or CR. Without names the columns are "Spalte 1", ... as many as the
// longest row has values. Throws SourceError when the file cannot be read.
void LoadTextFile(const std::string& path, const TextOptions& options, SourceTable& out,
                  LoadReport& report);

}  // namespace velra
