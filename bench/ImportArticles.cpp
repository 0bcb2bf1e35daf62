// Imports an article file into a company as the wizard does and prints the time of the run, the
// rate and the peak memory of the process.
//   bench-import PROGRAM_DIR FILE [--sync] [--auto-numbers] [--complete] [--company NAME]
// --complete turns every article completion on: article type, unit and storage defaults, label,
// prices from net to gross, supplier and webshop records.

#include <chrono>
#include <cstdio>
#include <string>

#include "PeakMemory.h"
#include "cli/CliDialogs.h"
#include "shell/Wizard.h"

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
  velra::cli::CliDialogs dialogs;  // messages to stderr, no questions
  velra::Wizard wizard(dialogs);
  velra::StartOptions start;
  start.programPath = argv[1];
  start.singleInstance = false;
  start.regional = velra::RegionalSettings::ForLocale("de_DE");
  if (!company.empty()) start.commandLine = "/client:" + company;
  if (!wizard.Load(start)) return 3;
  wizard.DataKindClick(1);  // Artikel
  velra::WizardControls& controls = wizard.Controls();
  controls.chkAutoNummer.Value = autoNumbers ? 1 : 0;
  if (sync) wizard.ChkSynchronisierenClick(1);
  if (complete) {
    wizard.ChkArtikeltypClick(1);
    controls.cboArtikeltyp.SetText("Handelsware");
    wizard.ChkEinheitClick(1);
    controls.cboEinheit.SetText("Stk");
    wizard.ChkLagerortClick(1);
    controls.txtLagerort.Text = "1-B-03";
    wizard.CboBerechnungsartClick(1);
    controls.chkLieferant.Value = 1;
    controls.chkWebshop.Value = 1;
  }
  wizard.LightClick(3);
  wizard.FileChosen(argv[2]);
  auto loadStart = std::chrono::steady_clock::now();
  wizard.WeiterClick();
  auto loadEnd = std::chrono::steady_clock::now();
  const size_t rows = wizard.Session().SourceData.RowCount();
  wizard.OkClick();
  auto runEnd = std::chrono::steady_clock::now();
  const velra::ImportReport& report = wizard.Session().LastImport.report;
  double load = std::chrono::duration<double>(loadEnd - loadStart).count();
  double run = std::chrono::duration<double>(runEnd - loadEnd).count();
  std::printf(
      "rows %zu load %.3f s import %.3f s rate %.0f rows/s added %zu updated %zu report %zu peak "
      "%.1f MB\n",
      rows, load, run, static_cast<double>(rows) / run, report.added, report.updated,
      report.EntryCount(), static_cast<double>(PeakRssKiB()) / 1024.0);
  return report.rowsWritten == rows ? 0 : 1;
}
