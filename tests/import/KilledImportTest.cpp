#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/IniFile.h"
#include "db/Connection.h"
#include "demo/DemoEnvironment.h"

namespace velra {
namespace {

// An import killed in the middle leaves a consistent company: whole rows, no number twice, and a
// stored counter beyond every number used.
TEST(KilledImport, LeavesWholeRowsAndUnusedNumbers) {
  test::TempDir dir;
  ASSERT_NO_THROW(CreateDemoEnvironment(dir.Path(), false));
  constexpr int kRows = 100000;
  test::WriteBytes(dir / "artikel.csv", test::ArticlesCsv(kRows));

  const std::string database = dir / "Firmen/Musterfirma/Musterfirma.mdb";
  const std::string connection = "Provider=SQLite;Data Source=" + database;
  const pid_t pid = test::StartCli(
      {"--program-dir", dir.Path(), "import", "--kind", "Artikel", "--file", dir / "artikel.csv"});

  // Kill it once some batches are committed.
  auto reader = Connection::Open(connection);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    int64_t count = reader->QueryValue("SELECT COUNT(*) FROM Articles")->AsInteger();
    if (count >= 2500) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status))
      << "the import ended before it could be killed: " << WEXITSTATUS(status);
  reader.reset();

  auto db = Connection::Open(connection);
  EXPECT_EQ(db->QueryValue("PRAGMA integrity_check")->AsText(), "ok");
  const int64_t count = db->QueryValue("SELECT COUNT(*) FROM Articles")->AsInteger();
  EXPECT_GT(count, 0);
  EXPECT_LT(count, kRows);
  // Whole rows, and exactly the first rows of the file.
  EXPECT_EQ(db->QueryValue("SELECT COUNT(*) FROM Articles WHERE ShortText = 'Artikel ' || ID AND "
                           "VatCode = '1' AND NetPrice = ID + 0.5 AND ArticleNumber <> '' AND "
                           "ArticleNumberVariant = ArticleNumber AND DateCreation IS NOT NULL")
                ->AsInteger(),
            count);
  EXPECT_EQ(db->QueryValue("SELECT MAX(ID) FROM Articles")->AsInteger(), count);
  EXPECT_EQ(db->QueryValue("SELECT COUNT(DISTINCT ArticleNumber) FROM Articles")->AsInteger(),
            count);
  const int64_t highest =
      db->QueryValue("SELECT MAX(CAST(ArticleNumber AS INTEGER)) FROM Articles")->AsInteger();
  const std::string stored =
      ReadProfileString(dir / "Firmen/Musterfirma/Musterfirma.afk", "NumberRange", "Article");
  EXPECT_GT(std::stoll(stored), highest);
}

}  // namespace
}  // namespace velra
