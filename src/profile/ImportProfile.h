#pragma once
// Import profiles: everything the wizard asks for a repeated (say monthly) import of the same kind
// of file, kept in a JSON file the user picks, so the next run needs no setting and no mapping by
// hand.

#include <optional>
#include <string>
#include <vector>

#include "import/ImportSettings.h"

namespace velra {

struct ProfileColumn {
  std::string column;  // the column's name in the source
  std::string field;   // the database field it goes to
};

struct ImportProfile {
  static constexpr int kVersion = 2;
  DataKind datenart = DataKind::Articles;  // kept as its number, the index the kind list shows
  std::string kindName;  // the kind's text ("Artikel"), for people reading the file
  // The source.
  std::string format = "CSV";  // CSV, TXT, XLS, XLSX, DBF, MDB
  std::string table;           // table or sheet; empty: the first one
  std::string separator = ";";
  std::string qualifier = "\"";
  std::string lineBreakToken = "<br/>";
  bool firstRowHasNames = true;
  std::string encoding = "auto";  // auto, utf-8, windows-1252
  // The settings page. `settings.table` is not stored (it follows from the kind), nor
  // `settings.datenart` (a loaded profile carries `datenart` there too);
  // settings.synchronisationField is the database field of the key.
  ImportSettings settings;
  bool deleteAll = false;  // "Vor dem Import alle vorhandenen Datensätze löschen"
  // Only assigned columns: every entry has a name and a field, no name occurs twice.
  std::vector<ProfileColumn> columns;
};

struct ProfileLoad {
  std::optional<ImportProfile> profile;  // nullopt when the file cannot be used
  std::string error;                     // German, names the file; empty on success
  int fileVersion = 0;                   // the version the file was written with (0: unknown)
  bool migrated() const { return profile && fileVersion < ImportProfile::kVersion; }
};

// Reads a profile file (UTF-8, at most 4 MiB). Never throws; every problem comes back in `error`.
ProfileLoad LoadProfile(const std::string& path);

// Writes atomically (a temporary file in the same folder, then rename), so that a crash leaves the
// old or the new file. A profile that LoadProfile would refuse (a value out of range, a column
// without name or field, a column twice, text that is not UTF-8) is not written. Empty string on
// success, else a German sentence naming the file.
std::string SaveProfile(const std::string& path, const ImportProfile& profile);

// The profile as JSON text (what SaveProfile writes) and back; used by tests and by --json output.
// The format is written in capitals, the encoding in small letters.
std::string ProfileToJson(const ImportProfile& profile);
ProfileLoad ProfileFromJson(const std::string& text, const std::string& nameForMessages);

}  // namespace velra
