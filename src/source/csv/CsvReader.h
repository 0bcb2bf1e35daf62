#pragma once
// Delimited text files (CSV and TXT) into the source table.

#include <string>
#include <string_view>

#include "source/SourceEncoding.h"
#include "source/SourceReader.h"

namespace velra {

struct TextOptions {
  std::string separator = ";";           // one character; empty: every line is one value
  std::string qualifier = "\"";          // one character; empty: no text is qualified
  std::string lineBreakToken = "<br/>";  // replaced by CR LF in every value; empty: none
  bool firstRowHasNames = true;
  // "auto", "utf-8", "windows-1252" or "cp850" (see EncodingChoiceOf and LoadTextFile).
  std::string encoding = std::string(text_encoding::kAuto);
  ProgressCallback progress;  // bytes done of the file size
};

// Replaces the content of `out` with the file. A value that starts with the qualifier runs to the
// closing qualifier: separators and line breaks inside it do not split, a doubled qualifier stands
// for one. Lines end at CR LF, LF or CR. Without names the columns are "Spalte 1", ... as many as
// the longest row has values.
//
// The encoding: with "auto" the file is UTF-8 when it carries a BOM or is valid UTF-8, otherwise
// Windows-1252. "utf-8" and "windows-1252" read it so whatever its bytes look like; a UTF-8 BOM
// is dropped when reading UTF-8 and read as three characters (with a warning) when Windows-1252
// is forced. A UTF-16 BOM wins over every choice: such a file is always read as UTF-16. Bytes
// that are no valid UTF-8 in a file read as UTF-8 are taken as Windows-1252 characters, with a
// warning for their row, so that nothing is dropped. `report.encoding` tells how the file was
// read.
//
// Throws SourceError when the file cannot be read or the encoding is none of the above.
void LoadTextFile(const std::string& path, const TextOptions& options, SourceTable& out,
                  LoadReport& report);

}  // namespace velra
