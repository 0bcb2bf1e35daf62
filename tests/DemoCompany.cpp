#include "DemoCompany.h"

#include "base/Text.h"

namespace velra::test {

namespace {
constexpr std::string_view kPercentage = "<%>";
}  // namespace

bool DemoCompany::Start(const std::string& folder, const std::optional<DemoServer>& server,
                        std::string& error) {
  try {
    CreateDemoEnvironment(folder, false);
    if (server) server_.Create(folder, *server);
  } catch (const DemoError& e) {
    error = e.what();
    return false;
  }
  StartOptions options;
  options.programPath = folder;
  options.regional = RegionalSettings::ForLocale("de_DE");
  options.singleInstance = false;
  company_ = kDemoCompany;
  if (server) {
    company_ = server_.Name();
    options.commandLine = "/client:" + company_;
  }
  if (!wizard_.Load(options) || !wizard_.Session().Context.Options) {
    error = "the wizard did not start: " + Join(wizard_.Session().Problems, "\n");
    return false;
  }
  db_ = Connection::Open(wizard_.Session().Context.ConnectionString);
  return true;
}

void DemoCompany::Kind(int value) {
  if (std::optional<DataKind> kind = DataKindOfNumber(value)) wizard_.ChooseDataKind(*kind);
}

void DemoCompany::Grid(const Strings& names, const Strings& captions,
                       const std::vector<Strings>& rows) {
  ImportSession& session = wizard_.Session();
  session.SourceData.Reset(names);
  uint32_t line = 2;
  for (const Strings& row : rows) {
    for (size_t c = 0; c < row.size(); ++c)
      if (row[c].starts_with(kPercentage))
        session.SourceData.SetPercentage(c + 1, std::stod(row[c].substr(kPercentage.size())));
      else if (row[c] != "<null>")
        session.SourceData.SetText(c + 1, row[c]);
    session.SourceData.FinishRow(line++);
  }
  LayoutFile layout = LayoutFile::Load(session.Context.LayoutFile);
  C().columns = BuildGridColumns(names, layout);
  for (size_t c = 0; c < captions.size(); ++c) {
    C().columns[c].FieldCaption = captions[c].empty() ? names[c] : captions[c];
    C().columns[c].TargetField = captions[c].empty() ? "" : layout.Lookup(captions[c]);
  }
}

void DemoCompany::Sync(const std::string& caption) {
  wizard_.ChkSynchronisierenClick(1);
  C().cboSynchronisierung.SetText(caption);
  wizard_.Session().Synchronisationsfeld =
      LayoutFile::Load(wizard_.Session().Context.LayoutFile).Lookup(caption);
}

void DemoCompany::Run() {
  wizard_.LightClick(5);
  wizard_.OkClick();
}

Rows DemoCompany::Query(const std::string& sql, const std::vector<Value>& parameters) {
  return db_->Query(QuoteNames(sql, *db_), parameters);
}

int64_t DemoCompany::Count(const std::string& table) {
  return db_->QueryValue(QuoteNames("SELECT COUNT(*) FROM " + table, *db_))->AsInteger();
}

void OnBothCompanies::SetUp() {
  UseOwnConfigFolder(dir_);
  std::optional<DemoServer> server;
  if (GetParam() == "Server") {
    server = TestServer();
    if (!server) GTEST_SKIP() << kNoTestServer;
  }
  std::string error;
  ASSERT_TRUE(company_.Start(dir_.Path(), server, error)) << error;
}

std::vector<uint32_t> DemoCompany::RowsNotImported() {
  std::vector<uint32_t> rows;
  for (const ReportEntry& entry : Report().Entries())
    if (entry.row > 0 && entry.reason.starts_with("Die Zeile wurde nicht importiert") &&
        (rows.empty() || rows.back() != entry.row))
      rows.push_back(entry.row);
  return rows;
}

}  // namespace velra::test
