// Faults in the middle of a run: another writer holds the company database, the disk runs full,
// the server goes away, the process is killed. Each run ends with a clear message, a consistent
// database and a report whose written rows are exactly those in the database; every row that was
// not written is named.

#include <signal.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DemoCompany.h"
#include "base/Text.h"

namespace velra {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Clock = std::chrono::steady_clock;

// Accounts 1..n with a text in the grid, the simplest kind that writes one record per row.
void GridOfAccounts(test::DemoCompany& company, int rows, size_t textBytes = 12) {
  std::vector<test::Strings> grid;
  for (int i = 1; i <= rows; ++i) {
    std::string text = "Konto " + std::to_string(i);
    text.resize(std::max(text.size(), textBytes), '.');
    grid.push_back({std::to_string(i), text});
  }
  company.Kind(10);
  company.Grid({"Konto", "Text"}, {"Kontonummer", "Beschreibung"}, grid);
}

// The report's counts agree with the stored accounts: the written rows are the first rows of the
// grid that were not rejected, each row not written is named, and nothing else is in the table.
void ExpectReportMatchesTable(test::DemoCompany& company, int rows, const Rows& stored) {
  const ImportReport& report = company.Report();
  EXPECT_EQ(stored.Size(), report.rowsWritten);
  for (size_t i = 0; i < stored.Size(); ++i)
    EXPECT_EQ(stored.Get(i, "AccountNumber").ToText(), std::to_string(i + 1)) << "record " << i;
  const std::vector<uint32_t> missing = company.RowsNotImported();
  EXPECT_EQ(missing.size(), static_cast<size_t>(rows) - report.rowsWritten);
  EXPECT_EQ(report.rowsRejected, missing.size());
  if (!missing.empty()) {
    EXPECT_EQ(missing.front(), report.rowsWritten + 1);
    EXPECT_EQ(missing.back(), static_cast<uint32_t>(rows));
  }
}

void ExpectReportMatchesTable(test::DemoCompany& company, int rows) {
  ExpectReportMatchesTable(company, rows,
                           company.Query("SELECT AccountNumber FROM AccountSystem ORDER BY ID"));
}

// Another program that takes the write lock as soon as it can get it and holds it.
class SecondWriter {
 public:
  explicit SecondWriter(std::string path) : path_(std::move(path)) {}
  ~SecondWriter() { Release(); }
  void Start() {
    thread_ = std::thread([this] {
      sqlite3* db = nullptr;
      sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
      // No sleeping between tries: the run leaves the lock free only between two batches.
      deadline_ = Clock::now() + std::chrono::seconds(20);
      sqlite3_busy_handler(
          db,
          [](void* self, int) {
            auto* writer = static_cast<SecondWriter*>(self);
            return !writer->release_ && Clock::now() < writer->deadline_ ? 1 : 0;
          },
          this);
      trying_ = true;
      if (sqlite3_exec(
              db, "BEGIN IMMEDIATE; INSERT INTO AccountSystem (AccountNumber) VALUES ('fremd')",
              nullptr, nullptr, nullptr) == SQLITE_OK) {
        lockedAt_ = Clock::now();
        locked_ = true;
        while (!release_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      }
      sqlite3_close_v2(db);
    });
    while (!trying_) std::this_thread::yield();
  }
  void Release() {
    release_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool Locked() const { return locked_; }
  Clock::time_point LockedAt() const { return lockedAt_; }

 private:
  std::string path_;
  std::thread thread_;
  std::atomic<bool> trying_{false}, locked_{false}, release_{false};
  Clock::time_point deadline_, lockedAt_;
};

TEST(RunFaults, ALockedDatabaseStopsTheRunAfterTheBusyTime) {
  test::TempDir dir;
  test::UseOwnConfigFolder(dir);
  test::DemoCompany company;
  std::string error;
  ASSERT_TRUE(company.Start(dir.Path(), std::nullopt, error)) << error;
  // The run waits this long for the lock before it gives up.
  company.Session().Context.ConnectionString += ";Busy Timeout=1500";
  constexpr int kRows = 60000;
  GridOfAccounts(company, kRows);
  SecondWriter other(company.Session().Context.DatabasePath);
  company.GetWizard().importProgress = [&](size_t row, size_t) {
    if (row == 1000) other.Start();
  };
  company.Run();
  const Clock::time_point ended = Clock::now();
  ASSERT_TRUE(other.Locked()) << "the second writer never got the lock";
  other.Release();

  EXPECT_EQ(company.Result().status, ImportResult::Status::Stopped);
  ASSERT_FALSE(company.Dialogs().messages.empty());
  EXPECT_THAT(company.Dialogs().messages.back().text,
              StartsWith("Der Import wurde angehalten: Die Firmendatenbank '"));
  EXPECT_THAT(company.Dialogs().messages.back().text,
              HasSubstr("ist gesperrt, weil ein anderes Programm gerade in sie schreibt"));
  // The page ends with the same sentence, not with "imported".
  EXPECT_EQ(company.C().lbStatustext.Caption, company.Dialogs().messages.back().text);
  EXPECT_THAT(company.C().lbStatustext.Caption,
              EndsWith(". " + std::to_string(company.Report().rowsWritten) + " von " +
                       std::to_string(kRows) + " Zeilen wurden gespeichert."));
  EXPECT_GE(ended - other.LockedAt(), std::chrono::milliseconds(1400));
  EXPECT_GE(company.Report().rowsWritten, 1000u);
  EXPECT_LT(company.Report().rowsWritten, static_cast<size_t>(kRows));
  ExpectReportMatchesTable(company, kRows);
  // The rows not written go to the file of rejected rows, to be imported again later.
  RejectFileResult rejected = company.GetWizard().SaveRejectFile(dir / "abgewiesen.csv", false);
  EXPECT_EQ(rejected.rows, kRows - company.Report().rowsWritten) << rejected.error;
}

// A small tmpfs holds the company; a filler file takes all of it but what the test leaves free.
class FullDisk {
 public:
  explicit FullDisk(const std::string& folder) : folder_(folder) {
    std::filesystem::create_directories(folder);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64m") != 0)
      reason_ = std::string("tmpfs cannot be mounted here: ") + std::strerror(errno);
    else
      mounted_ = true;
  }
  ~FullDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  const std::string& Reason() const { return reason_; }
  // Fills the file system up to `free` bytes.
  void LeaveFree(size_t free) {
    const std::string filler = folder_ + "/filler";
    std::FILE* file = std::fopen(filler.c_str(), "wb");
    const std::string block(4096, 'f');
    for (;;) {
      std::error_code ignored;
      std::filesystem::space_info space = std::filesystem::space(folder_, ignored);
      if (space.available <= free + block.size()) break;
      if (std::fwrite(block.data(), 1, block.size(), file) != block.size()) break;
      std::fflush(file);
    }
    std::fclose(file);
  }
  void Empty() { std::filesystem::remove(folder_ + "/filler"); }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string reason_;
};

// Small rows reach the disk when their batch is committed; large ones already while the batch
// is written, when the page cache spills.
class FullDiskTest : public ::testing::TestWithParam<size_t> {};

INSTANTIATE_TEST_SUITE_P(RunFaults, FullDiskTest, ::testing::Values(200, 8000),
                         [](const ::testing::TestParamInfo<size_t>& size) {
                           return "Text" + std::to_string(size.param);
                         });

TEST_P(FullDiskTest, AFullDiskStopsTheRunWithTheReasonAndLeavesAConsistentDatabase) {
  test::TempDir dir;
  test::UseOwnConfigFolder(dir);
  FullDisk disk(dir / "klein");
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  test::DemoCompany company;
  std::string error;
  ASSERT_TRUE(company.Start(dir / "klein/", std::nullopt, error)) << error;
  constexpr int kRows = 20000;
  GridOfAccounts(company, kRows, GetParam());
  disk.LeaveFree(GetParam() * 2500);
  company.Run();

  EXPECT_EQ(company.Result().status, ImportResult::Status::Stopped);
  ASSERT_FALSE(company.Dialogs().messages.empty());
  EXPECT_THAT(company.Dialogs().messages.back().text, StartsWith("Der Import wurde angehalten: "));
  EXPECT_THAT(company.Dialogs().messages.back().text,
              HasSubstr("Auf dem Datenträger ist kein Platz mehr frei"));
  EXPECT_GT(company.Report().rowsWritten, 0u);
  // The run stops at the first full write instead of trying every remaining row.
  size_t full = 0;
  for (const ReportEntry& entry : company.Report().Entries())
    full += entry.reason.find("kein Platz") != std::string::npos;
  EXPECT_EQ(full, 0u);

  disk.Empty();
  EXPECT_EQ(company.Db().QueryValue("PRAGMA integrity_check")->AsText(), "ok");
  ExpectReportMatchesTable(company, kRows);
}

// A PostgreSQL of the test's own, so that stopping it hurts no other test.
class PrivateServer {
 public:
  PrivateServer() {
    std::FILE* pipe = ::popen((std::string(VELRA_POSTGRES_SCRIPT) + " start 2>&1").c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output_.append(buffer, n);
    if (::pclose(pipe) != 0) return;
    for (const char* name : {"VELRA_TEST_PG_DIR", "VELRA_TEST_PG_PORT"}) {
      size_t at = output_.find(std::string(name) + "=");
      if (at == std::string::npos) return;
      at += std::strlen(name) + 1;
      (std::string_view(name) == "VELRA_TEST_PG_DIR" ? dir_ : port_) =
          output_.substr(at, output_.find_first_of(" \n", at) - at);
    }
  }
  ~PrivateServer() {
    if (dir_.empty()) return;
    std::system(("VELRA_TEST_PG_DIR=" + dir_ + " " + VELRA_POSTGRES_SCRIPT + " stop").c_str());
  }
  bool Running() const { return !port_.empty(); }
  const std::string& Output() const { return output_; }
  DemoServer Server() const {
    DemoServer server;
    server.dataSource = "127.0.0.1," + port_;
    return server;
  }
  // pg_ctl as the cluster's owner.
  int PgCtl(const std::string& arguments) const {
    const std::string command =
        "bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1); "
        "if [ \"$(id -u)\" -eq 0 ]; then run='runuser -u postgres --'; else run=; fi; "
        "$run \"$bin/pg_ctl\" -D " +
        dir_ + "/data " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str());
  }
  // Stops the server the hard way, as a crash or a pulled cable would.
  int Kill() const { return PgCtl("-m immediate -w stop"); }
  int Restart() const {
    return PgCtl("-l " + dir_ + "/server.log -w -o \"-p " + port_ + " -k " + dir_ +
                 " -c listen_addresses=127.0.0.1 -c fsync=off\" start");
  }

 private:
  std::string output_, dir_, port_;
};

TEST(RunFaults, AServerThatGoesAwayStopsTheRunAndKeepsExactlyTheReportedRows) {
  PrivateServer postgres;
  if (!postgres.Running()) GTEST_SKIP() << "no PostgreSQL of its own: " << postgres.Output();
  {
    // Commits must be on disk when they are confirmed, or an immediate stop loses them.
    auto admin = Connection::Open(
        "Provider=PostgreSQL;User ID=velra;Password=velra;"
        "Initial Catalog=postgres;Data Source=" +
        postgres.Server().dataSource);
    // The server is started with asynchronous commits; a setting of the user wins over that.
    admin->Execute("ALTER ROLE velra SET synchronous_commit = on");
  }
  test::TempDir dir;
  test::UseOwnConfigFolder(dir);
  test::DemoCompany company;
  std::string error;
  ASSERT_TRUE(company.Start(dir.Path(), postgres.Server(), error)) << error;
  constexpr int kRows = 6000;
  GridOfAccounts(company, kRows);
  int stopped = -1;
  company.GetWizard().importProgress = [&](size_t row, size_t) {
    if (row == 2500) stopped = postgres.Kill();
  };
  const Clock::time_point start = Clock::now();
  company.Run();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  ASSERT_EQ(stopped, 0) << "the server could not be stopped";

  EXPECT_EQ(company.Result().status, ImportResult::Status::Stopped);
  ASSERT_FALSE(company.Dialogs().messages.empty());
  EXPECT_THAT(company.Dialogs().messages.back().text,
              StartsWith("Der Import wurde angehalten: Die Verbindung zur Firmendatenbank"));
  EXPECT_GT(company.Report().rowsWritten, 0u);
  EXPECT_LT(company.Report().rowsWritten, 2500u);

  ASSERT_EQ(postgres.Restart(), 0);
  std::string connection = company.Session().Context.ConnectionString;
  std::unique_ptr<Connection> reopened;
  for (int attempt = 0; attempt < 50 && !reopened; ++attempt) {
    try {
      reopened = Connection::Open(connection);
    } catch (const DbError&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  ASSERT_TRUE(reopened) << "the server did not come back";
  ExpectReportMatchesTable(company, kRows,
                           reopened->Query(test::QuoteNames(
                               "SELECT AccountNumber FROM AccountSystem ORDER BY ID", *reopened)));
}

// The approach of the file company's test, on a server company: the command line is killed while
// it imports, and the server keeps whole rows and numbers that are not used twice.
TEST(RunFaults, AKilledImportIntoAServerCompanyLeavesWholeRowsAndUnusedNumbers) {
  std::optional<DemoServer> server = test::TestServer();
  if (!server) GTEST_SKIP() << test::kNoTestServer;
  test::TempDir dir;
  ASSERT_NO_THROW(CreateDemoEnvironment(dir.Path(), false));
  test::ServerCompany company;
  ASSERT_NO_THROW(company.Create(dir.Path(), *server));
  constexpr int kRows = 100000;
  test::WriteBytes(dir / "artikel.csv", test::ArticlesCsv(kRows));

  const pid_t pid = test::StartCli({"--program-dir", dir.Path(), "--company", company.Name(),
                                    "import", "--kind", "Artikel", "--file", dir / "artikel.csv"});

  std::vector<std::string> problems;
  SessionContext session = StartSession(dir.Path(), RegionalSettings::ForLocale("de_DE"), problems);
  ASSERT_TRUE(SelectCompany(session, company.Name(), problems)) << Join(problems, "\n");
  auto db = Connection::Open(session.ConnectionString);
  const std::string countSql = test::QuoteNames("SELECT COUNT(*) FROM Articles", *db);
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (Clock::now() < deadline && db->QueryValue(countSql)->AsInteger() < 2500)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status))
      << "the import ended before it could be killed: " << WEXITSTATUS(status);

  auto query = [&](const std::string& sql) { return db->QueryValue(test::QuoteNames(sql, *db)); };
  const int64_t count = query("SELECT COUNT(*) FROM Articles")->AsInteger();
  EXPECT_GT(count, 0);
  EXPECT_LT(count, kRows);
  // Whole rows, and exactly the first rows of the file.
  EXPECT_EQ(query("SELECT COUNT(*) FROM Articles WHERE ShortText = 'Artikel ' || cast(ID as "
                  "varchar(20)) AND VatCode = '1' AND NetPrice = ID + 0.5 AND ArticleNumber <> '' "
                  "AND ArticleNumberVariant = ArticleNumber AND DateCreation IS NOT NULL")
                ->AsInteger(),
            count);
  EXPECT_EQ(query("SELECT MAX(ID) FROM Articles")->AsInteger(), count);
  EXPECT_EQ(query("SELECT COUNT(DISTINCT ArticleNumber) FROM Articles")->AsInteger(), count);
  const int64_t highest =
      query("SELECT MAX(cast(ArticleNumber as integer)) FROM Articles")->AsInteger();
  std::optional<Value> stored = db->QueryValue(
      test::QuoteNames("SELECT Value FROM Options WHERE Section = 'NumberRange' AND Key = "
                       "'Article'",
                       *db));
  ASSERT_TRUE(stored);
  EXPECT_GT(std::stoll(stored->ToText()), highest);
}

}  // namespace
}  // namespace velra
