#include "source/Formats.h"

#include "base/Text.h"

namespace velra {

const std::vector<FormatInfo>& SourceFormats() {
  static const std::vector<FormatInfo> formats = {
      {SourceFormat::Xls, "XLS", "Microsoft Excel (XLS)", 2, true},
      {SourceFormat::Dbf, "DBF", "DBase (DBF)", 3, true},
      {SourceFormat::Mdb, "MDB", "Microsoft Access (MDB)", 4, true},
      {SourceFormat::Txt, "TXT", "Text (TXT)", 5, false},
      {SourceFormat::Csv, "CSV", "CSV (CSV)", 6, false},
      {SourceFormat::Xlsx, "XLSX", "Microsoft Excel 2007-2019 (XLSX)", 7, true},
  };
  return formats;
}

const FormatInfo& InfoOf(SourceFormat format) {
  return SourceFormats()[static_cast<size_t>(format)];
}

std::optional<SourceFormat> FormatOfIndex(int index) {
  if (index < 0 || index >= static_cast<int>(SourceFormats().size())) return std::nullopt;
  return SourceFormats()[static_cast<size_t>(index)].format;
}

std::optional<SourceFormat> FormatOfCode(std::string_view code) {
  for (const FormatInfo& info : SourceFormats())
    if (EqualsIgnoreCase(info.code, code)) return info.format;
  return std::nullopt;
}

std::optional<SourceFormat> FormatOfFileName(std::string_view path) {
  size_t dot = path.find_last_of("./\\");
  if (dot == std::string_view::npos || path[dot] != '.') return std::nullopt;
  const std::string_view extension = path.substr(dot + 1);
  // A workbook with macros is the same package with one more part; the macros are never read.
  if (EqualsIgnoreCase(extension, "xlsm")) return SourceFormat::Xlsx;
  return FormatOfCode(extension);
}

std::string FileDialogFilter() {
  return "Alle Datenbanken (*.*) |*.xls;*.xlsx;*.xlsm;*.dbf;*.mdb;*.txt;*.csv|"
         "Microsoft Excel (*.xls) |*.xls|dBase (*.dbf) |*.dbf|Microsoft Access (*.mdb) |*.mdb|"
         "Textdatei (*.txt) |*.txt|CSV-Format (*.csv) |*.csv|"
         "Microsoft Excel 2007-2019 (*.xlsx, *.xlsm) |*.xlsx;*.xlsm";
}

bool IsWebAddress(std::string_view text) {
  std::string lower = ToLowerAscii(text.substr(0, 8));
  return lower.starts_with("http://") || lower.starts_with("https://") ||
         lower.starts_with("ftp://") || lower.starts_with("www.");
}

}  // namespace velra
