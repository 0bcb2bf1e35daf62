// Imports an article file into a company through the import steps the front ends use, and
// prints the time of the run, the rate and the peak memory of the process.
//   bench-import PROGRAM_DIR FILE [--sync] [--auto-numbers] [--complete] [--company NAME]
// --complete turns every article completion on: article type, unit and storage defaults, label,
// prices from net to gross, supplier and webshop records.

#include <chrono>
#include <cstdio>
#include <string>

#include "PeakMemory.h"
#include "app/ImportJob.h"
#include "app/SourceMapping.h"

namespace {

void Print(const std::vector<std::string>& problems) {
  for (const std::string& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: bench-import PROGRAM_DIR FILE [--sync] [--auto-numbers] [--complete] "
                 "[--company NAME]\n");
    return 2;
  }
  bool sync = false, autoNumbers = false, complete = false;
  std::string company;
  for (int i = 3; i < argc; ++i) {
    if (std::string(argv[i]) == "--company" && i + 1 < argc) company = argv[++i];
    sync = sync || std::string(argv[i]) == "--sync";
    autoNumbers = autoNumbers || std::string(argv[i]) == "--auto-numbers";
    complete = complete || std::string(argv[i]) == "--complete";
  }
  std::vector<std::string> problems;
  velra::SessionContext context =
      velra::StartSession(argv[1], velra::RegionalSettings::ForLocale("de_DE"), problems);
  if (!velra::SelectCompany(context, company.empty() ? context.Env.DefaultCompany : company,
                            problems)) {
    Print(problems);
    return 3;
  }
  velra::ImportRequest request;
  request.settings = velra::DefaultSettings(velra::DataKind::Articles);
  velra::ImportSettings& s = request.settings;
  s.autoNumber = autoNumbers;
  s.synchronise = sync;
  if (complete) {
    s.defaultArticleType = s.defaultUnit = s.defaultStorage = true;
    s.articleType = "Handelsware";
    s.unit = "Stk";
    s.storage = "1-B-03";
    s.priceMode = 1;
    s.createSupplier = s.webshop = true;
  }
  request.source.format = velra::FormatOfFileName(argv[2]).value_or(velra::SourceFormat::Csv);
  request.source.path = argv[2];
  const velra::LayoutFile layout = velra::LayoutFile::Load(context.LayoutFile);
  request.synchronisationCaption = layout.Lookup(s.synchronisationField);
  auto loadStart = std::chrono::steady_clock::now();
  velra::LoadedSource loaded = velra::LoadAndMap(context, request, layout, false);
  auto loadEnd = std::chrono::steady_clock::now();
  Print(loaded.problems);
  const size_t rows = loaded.table.RowCount();
  const std::atomic<bool> never{false};
  velra::RunOptions options;
  options.loadNotes = &loaded.notes;
  const velra::ImportResult result =
      velra::RunJob(context, request, loaded.table, {}, never, options);
  auto runEnd = std::chrono::steady_clock::now();
  const velra::ImportReport& report = result.report;
  if (!result.message.empty()) std::fprintf(stderr, "%s\n", result.message.c_str());
  double load = std::chrono::duration<double>(loadEnd - loadStart).count();
  double run = std::chrono::duration<double>(runEnd - loadEnd).count();
  std::printf(
      "rows %zu load %.3f s import %.3f s rate %.0f rows/s added %zu updated %zu report %zu peak "
      "%.1f MB\n",
      rows, load, run, static_cast<double>(rows) / run, report.added, report.updated,
      report.EntryCount(), static_cast<double>(PeakRssKiB()) / 1024.0);
  return report.rowsWritten == rows ? 0 : 1;
}
