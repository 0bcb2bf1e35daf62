#include <unistd.h>

#include <iostream>

#include "cli/Commands.h"
#include "config/Text.h"
#include "source/SourceError.h"
#include "source/SourceOpening.h"

namespace velra::cli {

namespace {

// Tabs and line breaks inside a value would break the tab-separated lines.
std::string Escaped(const Value& value) {
  std::string text = NzText(value);
  text = ReplaceAll(text, "\r\n", "\n");
  text = ReplaceAll(text, "\r", "\n");
  text = ReplaceAll(text, "\n", "\\n");
  return ReplaceAll(text, "\t", "\\t");
}

// "\t" and "tab" stand for the tab character, which a shell does not pass easily.
std::string SeparatorOption(const std::string& text) {
  return text == "\\t" || ToLowerAscii(text) == "tab" ? "\t" : text;
}

struct PreviewOptions {
  std::string file, table, separator = ";", qualifier = "\"", password;
  size_t rows = 10;
  bool noHeader = false;
};

}  // namespace

void AddPreviewCommand(CLI::App& app, int& exitCode) {
  auto* command = app.add_subcommand(
      "preview", "Zeigt die Spalten und die ersten Zeilen einer Importdatei, durch Tabulatoren getrennt.");
  auto options = std::make_shared<PreviewOptions>();
  command->add_option("--file", options->file, "Importdatei (XLS, XLSX, DBF, MDB, TXT oder CSV)")->required();
  command->add_option("--table", options->table, "Tabelle oder Tabellenblatt (Vorgabe: die erste)");
  command->add_option("--rows", options->rows, "Anzahl der Zeilen (Vorgabe: 10)");
  command->add_option("--separator", options->separator, "Trennzeichen von Textdateien (Vorgabe: ;)");
  command->add_option("--qualifier", options->qualifier, "Textqualifizierer von Textdateien (Vorgabe: \")");
  command->add_option("--password", options->password, "Kennwort einer Access-Datenbank");
  command->add_flag("--no-header", options->noHeader, "Die erste Zeile enthält keine Feldnamen");
  command->callback([options, &exitCode] {
    SourceRequest request;
    request.format = FormatOfFileName(options->file).value_or(SourceFormat::Csv);
    request.path = options->file;
    request.table = options->table;
    request.password = options->password;
    request.text.separator = SeparatorOption(options->separator);
    request.text.qualifier = options->qualifier;
    request.text.firstRowHasNames = !options->noHeader;
    if (::isatty(STDERR_FILENO))
      request.text.progress = [](uint64_t done, uint64_t total) {
        if (total > 0) std::cerr << "\rDatei wird gelesen: " << done * 100 / total << " %" << std::flush;
        return true;
      };
    SourceTable table;
    LoadReport report;
    try {
      LoadSource(request, table, report);
    } catch (const SourceError& e) {
      std::cerr << e.what() << '\n';
      exitCode = kCannotOpen;
      return;
    }
    if (request.text.progress) std::cerr << "\r\033[K";
    std::vector<std::string> names;
    for (const std::string& name : table.ColumnNames()) names.push_back(Escaped(Value(name)));
    std::cout << Join(names, "\t") << '\n';
    for (size_t row = 1; row <= table.RowCount() && row <= options->rows; ++row) {
      for (size_t column = 1; column <= table.ColumnCount(); ++column)
        std::cout << (column > 1 ? "\t" : "") << Escaped(table.Get(column, row));
      std::cout << '\n';
    }
    for (const SourceWarning& warning : report.warnings)
      std::cerr << "Zeile " << warning.line << ": " << warning.text << '\n';
    if (report.moreWarnings > 0) std::cerr << "... und " << report.moreWarnings << " weitere Hinweise\n";
    exitCode = kOk;
  });
}

}  // namespace velra::cli
