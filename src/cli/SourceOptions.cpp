#include "cli/SourceOptions.h"

#include "base/Text.h"
#include "cli/UsageErrors.h"

namespace velra::cli {

namespace {

// "\t" and "tab" stand for the tab character, which a shell does not pass easily.
std::string SeparatorOption(const std::string& text) {
  return text == "\\t" || ToLowerAscii(text) == "tab" ? "\t" : text;
}

}  // namespace

void AddSourceOptions(CLI::App& command, SourceOptions& source) {
  command
      .add_option("--file", source.file, "Importdatei (XLS, XLSX, XLSM, DBF, MDB, TXT oder CSV)")
      ->required();
  command.add_option("--table", source.table,
                     "Tabelle oder Tabellenblatt (Vorgabe: die gewählte dBase-Datei, sonst die "
                     "erste)");
  command.add_option("--separator", source.separator, "Trennzeichen von Textdateien (Vorgabe: ;)");
  command.add_option("--qualifier", source.qualifier,
                     "Textqualifizierer von Textdateien (Vorgabe: \")");
  command.add_option("--password", source.password, "Kennwort einer Access-Datenbank");
  command
      .add_option("--encoding", source.encoding,
                  "Zeichensatz von Text- und dBase-Dateien: auto, utf-8, windows-1252 oder cp850 "
                  "(DOS)")
      ->check(OneOf({"auto", "utf-8", "windows-1252", "cp850"}));
  command.add_flag("--no-header", source.noHeader, "Die erste Zeile enthält keine Feldnamen");
}

SourceRequest SourceRequestOf(const SourceOptions& source) {
  SourceRequest request;
  request.format = FormatOfFileName(source.file).value_or(SourceFormat::Csv);
  request.path = source.file;
  request.table = source.table;
  request.password = source.password;
  // The text boxes of the window take one character, the line break token five.
  request.text.separator = FirstCharacters(SeparatorOption(source.separator), 1);
  request.text.qualifier = FirstCharacters(source.qualifier, 1);
  request.text.lineBreakToken = FirstCharacters(source.lineBreakToken, 5);
  request.text.firstRowHasNames = !source.noHeader;
  request.text.encoding = source.encoding;
  return request;
}

}  // namespace velra::cli
