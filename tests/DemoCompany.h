#pragma once
// The wizard on the demo's file company or on a server company, with a grid made in the test
// standing for a loaded file, its columns carrying the captions the user assigned: the tests of
// the import runs.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ScriptedDialogs.h"
#include "ServerCompany.h"
#include "TestSupport.h"
#include "db/Connection.h"
#include "demo/DemoEnvironment.h"
#include "shell/Wizard.h"

namespace velra::test {

using Strings = std::vector<std::string>;

class DemoCompany {
 public:
  // Creates the demo environment in `folder` and starts the wizard on the file company, or on a
  // server company on `server`. False with the reason in `error`.
  bool Start(const std::string& folder, const std::optional<DemoServer>& server,
             std::string& error);

  Wizard& GetWizard() { return wizard_; }
  ImportSession& Session() { return wizard_.Session(); }
  WizardControls& C() { return wizard_.Controls(); }
  ScriptedDialogs& Dialogs() { return dialogs_; }
  const ImportResult& Result() { return wizard_.Session().LastImport; }
  const ImportReport& Report() { return wizard_.Session().LastImport.report; }
  Connection& Db() { return *db_; }
  const std::string& CompanyName() const { return company_; }

  void Kind(int value);
  // The grid: source column names, the caption each is assigned (empty: none), and the rows; a
  // cell "<null>" is left empty, as a cell a file does not have, and a cell "<%>0.19" holds the
  // number of a spreadsheet cell shown as a percentage.
  void Grid(const Strings& names, const Strings& captions, const std::vector<Strings>& rows);
  void Sync(const std::string& caption);
  void Run();

  // SQL of the test with its names quoted for the company's engine (see QuoteNames).
  Rows Query(const std::string& sql, const std::vector<Value>& parameters = {});
  void Execute(const std::string& sql) { db_->Execute(QuoteNames(sql, *db_)); }
  int64_t Count(const std::string& table);
  // The rows of the grid whose report entries say that they were not imported.
  std::vector<uint32_t> RowsNotImported();

 private:
  ScriptedDialogs dialogs_;
  Wizard wizard_{dialogs_};
  ServerCompany server_;
  std::string company_;
  std::unique_ptr<Connection> db_;
};

// A test that runs on the demo's file company ("Datei") and on a server company ("Server"),
// skipped there without a test server; instantiate it with VELRA_ON_BOTH_COMPANIES.
class OnBothCompanies : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override;

  TempDir dir_;
  DemoCompany company_;
};

}  // namespace velra::test

#define VELRA_ON_BOTH_COMPANIES(suite)                     \
  INSTANTIATE_TEST_SUITE_P(                                \
      Firmen, suite, ::testing::Values("Datei", "Server"), \
      [](const ::testing::TestParamInfo<std::string>& company) { return company.param; })
