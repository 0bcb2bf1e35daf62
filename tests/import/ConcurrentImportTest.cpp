#include <sys/wait.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "DemoCompany.h"
#include "import/ImportLock.h"

namespace velra {
namespace {

// Two users importing into the same table of a company at the same time, as two processes: the
// second run waits for the first, so that numbers and keys are never handed out twice.
class ConcurrentImportTest : public test::OnBothCompanies {
 protected:
  std::vector<std::string> Import(const std::string& file, const std::vector<std::string>& more) {
    std::vector<std::string> arguments = {
        "--program-dir", dir_.Path(), "--company", company_.CompanyName(), "import", "--kind",
        "Artikel",       "--file",    file};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
  }
  static int ExitCode(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int64_t Value(const std::string& sql) { return company_.Query(sql).rows.at(0).at(0).AsInteger(); }
};

VELRA_ON_BOTH_COMPANIES(ConcurrentImportTest);

constexpr int kRows = 4000;

TEST_P(ConcurrentImportTest, TwoRunsAtOnceHandOutNoNumberAndAddNoKeyTwice) {
  const std::string numbered = dir_ / "neu.csv", keyed = dir_ / "sync.csv";
  test::WriteBytes(numbered, test::ArticlesCsv(kRows));
  std::string csv = "Nr;Bezeichnung;MwSt\n";
  for (int i = 1; i <= kRows; ++i) csv += "A" + std::to_string(i) + ";Artikel;19\n";
  test::WriteBytes(keyed, csv);

  // Automatic numbers from the company's number range.
  pid_t first = test::StartCli(Import(numbered, {}));
  pid_t second = test::StartCli(Import(numbered, {}));
  EXPECT_EQ(ExitCode(first), 0);
  EXPECT_EQ(ExitCode(second), 0);
  EXPECT_EQ(company_.Count("Articles"), 2 * kRows);
  EXPECT_EQ(Value("SELECT COUNT(DISTINCT ArticleNumber) FROM Articles"), 2 * kRows);

  // The same file synchronised twice: each article once.
  company_.Execute("DELETE FROM Articles");
  const std::vector<std::string> sync = {"--sync", "--no-autonumber", "--map", "Nr=Artikel-Nr."};
  first = test::StartCli(Import(keyed, sync));
  second = test::StartCli(Import(keyed, sync));
  EXPECT_EQ(ExitCode(first), 0);
  EXPECT_EQ(ExitCode(second), 0);
  EXPECT_EQ(company_.Count("Articles"), kRows);
  EXPECT_EQ(Value("SELECT COUNT(DISTINCT ArticleNumber) FROM Articles"), kRows);
}

TEST_P(ConcurrentImportTest, ASecondRunWaitsOrWithNoWaitDoesNotStart) {
  const std::string file = dir_ / "neu.csv";
  test::WriteBytes(file, test::ArticlesCsv(10));
  const SessionContext& context = company_.GetWizard().Session().Context;
  auto holder = Connection::Open(context.ConnectionString);
  ImportLock held = LockImport(*holder, context.DatabasePath, "Articles", {false, {}, nullptr});
  ASSERT_EQ(held.state, ImportLock::State::Taken);

  std::string out;
  std::vector<std::string> arguments = Import(file, {"--no-wait"});
  std::string command;
  for (const std::string& argument : arguments) command += "'" + argument + "' ";
  EXPECT_EQ(test::RunCli(command, out), 3);
  EXPECT_NE(out.find("Ein anderer Import in die Firma '" + company_.CompanyName() +
                     "' läuft gerade; der Import wurde nicht gestartet."),
            std::string::npos)
      << out;

  const pid_t waiting = test::StartCli(Import(file, {}));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  int status = 0;
  EXPECT_EQ(::waitpid(waiting, &status, WNOHANG), 0) << "the second run did not wait";
  EXPECT_EQ(company_.Count("Articles"), 0);
  held = {};
  holder.reset();  // ends the server session and with it its lock
  EXPECT_EQ(ExitCode(waiting), 0);
  EXPECT_EQ(company_.Count("Articles"), 10);
}

// An article run that writes webshop records as well waits for a run into the webshop table, so
// that neither adds a webshop record the other does not know of.
TEST_P(ConcurrentImportTest, ARunWaitsForTheTablesItWritesBesidesItsOwn) {
  const std::string file = dir_ / "neu.csv";
  test::WriteBytes(file, test::ArticlesCsv(10));
  const SessionContext& context = company_.GetWizard().Session().Context;
  auto holder = Connection::Open(context.ConnectionString);
  ImportLock held =
      LockImport(*holder, context.DatabasePath, "ArticleWebshop", {false, {}, nullptr});
  ASSERT_EQ(held.state, ImportLock::State::Taken);
  std::string out;
  auto command = [&](const std::vector<std::string>& more) {
    std::string text;
    for (const std::string& argument : Import(file, more)) text += "'" + argument + "' ";
    return text;
  };
  EXPECT_EQ(test::RunCli(command({"--no-wait", "--webshop"}), out), 3) << out;
  EXPECT_EQ(company_.Count("Articles"), 0);
  EXPECT_EQ(test::RunCli(command({"--no-wait"}), out), 0) << out;
  EXPECT_EQ(company_.Count("Articles"), 10);
}

}  // namespace
}  // namespace velra
