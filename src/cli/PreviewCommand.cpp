#include <unistd.h>

#include <iostream>

#include "app/DataKinds.h"
#include "app/ImportRequest.h"
#include "app/SourceMapping.h"
#include "base/Regional.h"
#include "base/Text.h"
#include "cli/CliContext.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/SourceOptions.h"
#include "cli/UsageErrors.h"
#include "import/ValueConversion.h"
#include "source/SourceError.h"
#include "source/SourceOpening.h"

namespace velra::cli {

namespace {

// A value as the import reads it: numbers and dates in the regional form, binary data by its
// size. A backslash, a tab and a line break appear as \\, \t and \n, so that every row stays one
// tab-separated line and reads back unchanged.
std::string Shown(const Value& value, const ValueConverter& converter) {
  if (value.GetType() == Value::Type::Binary)
    return "<" + std::to_string(value.AsBytes().size()) + " Bytes>";
  std::string text =
      value.IsText() || value.IsNull() ? NzText(value) : converter.ToText(value).value_or("");
  text = ReplaceAll(text, "\\", "\\\\");
  text = ReplaceAll(text, "\r\n", "\n");
  text = ReplaceAll(text, "\r", "\n");
  text = ReplaceAll(text, "\n", "\\n");
  return ReplaceAll(text, "\t", "\\t");
}

ProgressCallback TerminalProgress() {
  if (!::isatty(STDERR_FILENO)) return {};
  return [](uint64_t done, uint64_t total) {
    if (total > 0)
      std::cerr << '\r' << Fill(texts::kReading, {std::to_string(done * 100 / total)})
                << std::flush;
    return true;
  };
}

void PrintTable(const SourceTable& table, size_t rows, const std::vector<GridColumn>* mapping,
                const RegionalSettings& regional) {
  const ValueConverter converter(regional);
  std::vector<std::string> line;
  for (const std::string& name : table.ColumnNames()) line.push_back(Shown(Value(name), converter));
  std::cout << Join(line, "\t") << '\n';
  if (mapping) {
    line.clear();
    for (const GridColumn& column : *mapping)
      line.push_back(column.TargetField.empty() ? "-" : column.TargetField);
    std::cout << Join(line, "\t") << '\n';
  }
  for (size_t row = 1; row <= table.RowCount() && row <= rows; ++row) {
    for (size_t column = 1; column <= table.ColumnCount(); ++column)
      std::cout << (column > 1 ? "\t" : "") << Shown(table.Get(column, row), converter);
    std::cout << '\n';
  }
}

void PrintWarnings(const LoadReport& report) {
  for (const SourceWarning& warning : report.warnings)
    std::cerr << Fill(texts::kPreviewNote, {std::to_string(warning.line), warning.text}) << '\n';
  if (report.moreWarnings > 0)
    std::cerr << Fill(texts::kPreviewMoreNotes, {std::to_string(report.moreWarnings)}) << '\n';
}

struct PreviewOptions {
  SourceOptions source;
  std::string kind;
  size_t rows = 10;
};

// Without a kind only the file is read; no company is needed. With a kind the file is loaded
// and mapped for the company as an import would.
int Preview(const GlobalOptions& global, const PreviewOptions& options) {
  ImportRequest request;
  request.source = SourceRequestOf(options.source);
  request.source.text.progress = TerminalProgress();
  std::optional<SessionContext> context;
  if (!options.kind.empty()) {
    std::optional<DataKind> kind = KindOption(options.kind);
    if (!kind) return kUsage;
    context.emplace();
    if (!OpenSession(global, *context)) return kCannotOpen;
    request.settings = DefaultSettings(*kind);
  }
  LoadedSource loaded;
  try {
    if (context)
      loaded = LoadAndMap(*context, request, LayoutFile::Load(context->LayoutFile), true);
    else
      LoadSource(request.source, loaded.table, loaded.notes);
  } catch (const SourceError& e) {
    if (request.source.text.progress) std::cerr << "\r\033[K";
    std::cerr << e.Message() << '\n';
    return kCannotOpen;
  }
  if (request.source.text.progress) std::cerr << "\r\033[K";
  PrintProblems(loaded.problems);
  PrintTable(loaded.table, options.rows, context ? &request.columns : nullptr,
             context ? context->Regional : RegionalSettings::FromSystem());
  PrintWarnings(loaded.notes);
  return kOk;
}

}  // namespace

void AddPreviewCommand(CLI::App& app, const GlobalOptions& global, int& exitCode) {
  auto* command = app.add_subcommand(
      "preview",
      "Zeigt die Spalten und die ersten Zeilen einer Importdatei, durch Tabulatoren getrennt.");
  auto options = std::make_shared<PreviewOptions>();
  AddSourceOptions(*command, options->source);
  command->add_option("--rows", options->rows, "Anzahl der Zeilen (Vorgabe: 10)")
      ->check(WholeNumber(0));
  command->add_option(
      "--kind", options->kind,
      "Datenart (z. B. \"Artikel\" oder 1): zeigt unter den Spaltennamen die Felder der "
      "automatischen Feldzuordnung");
  command->callback([&global, options, &exitCode] { exitCode = Preview(global, *options); });
}

}  // namespace velra::cli
