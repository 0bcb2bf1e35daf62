#pragma once
// The source formats the wizard offers, in the order of its format list.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velra {

enum class SourceFormat { Xls = 0, Dbf = 1, Mdb = 2, Txt = 3, Csv = 4, Xlsx = 5 };

struct FormatInfo {
  SourceFormat format;
  const char* code;       // "XLS", "DBF", "MDB", "TXT", "CSV", "XLSX"
  const char* listText;   // entry of the format list
  int dialogFilterIndex;  // filter of the file dialog (1 is "Alle Datenbanken")
  bool isDatabase;        // tables to choose from (frame "Einstellungen für (XLS, DBF oder MDB)")
};

// The entries of the format list, index = list position.
const std::vector<FormatInfo>& SourceFormats();
const FormatInfo& InfoOf(SourceFormat format);
std::optional<SourceFormat> FormatOfIndex(int index);
std::optional<SourceFormat> FormatOfCode(std::string_view code);
// The format a file name selects by its extension (letter case ignored); nullopt leaves the
// format as it was.
std::optional<SourceFormat> FormatOfFileName(std::string_view path);
// The file dialog's filter text, "Text (*.x) |*.x|..." with "Alle Datenbanken" first.
std::string FileDialogFilter();

// True when a picture reference names a web address: it starts with a scheme (http://, https://,
// ftp://) or with "www.". Local paths, which contain "/" here, are no web addresses.
bool IsWebAddress(std::string_view text);

}  // namespace velra
