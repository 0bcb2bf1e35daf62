#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "db/Connection.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class SqliteBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = Connection::Open(connectionString_, Connection::OpenMode::CreateIfMissing);
    db_->ExecuteScript(
        "CREATE TABLE Articles (ID INTEGER PRIMARY KEY AUTOINCREMENT, ArticleNumber TEXT COLLATE "
        "NOCASE, ShortText TEXT, NetPrice REAL, Active BOOLEAN, Stock INTEGER, DateCreation "
        "DATETIME, "
        "Picture BLOB)");
  }
  TempDir dir_;
  std::string connectionString_ =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + (dir_ / "Muster.mdb") +
      ";Jet OLEDB:Database Password=418273";
  std::unique_ptr<Connection> db_;
};

TEST_F(SqliteBackendTest, ValuesComeBackWithTheirTypes) {
  const Bytes picture{0, 1, 2, 255};
  const DateTime created{2026, 12, 4, 13, 5, 9};
  db_->Execute(
      "INSERT INTO Articles (ArticleNumber, ShortText, NetPrice, Active, Stock, DateCreation, "
      "Picture) "
      "VALUES (?, ?, ?, ?, ?, ?, ?)",
      {"4711", "Schraube 'M6' \"verzinkt\" – Ø 6 mm", 12.35, true, int64_t{9007199254740993},
       created, picture});
  db_->Execute("INSERT INTO Articles (ArticleNumber) VALUES (?)", {Value()});

  Rows rows = db_->Query("SELECT * FROM Articles ORDER BY ID");
  ASSERT_EQ(rows.Size(), 2u);
  EXPECT_EQ(rows.Get(0, "ArticleNumber"), Value("4711"));
  EXPECT_EQ(rows.Get(0, "shorttext"), Value("Schraube 'M6' \"verzinkt\" – Ø 6 mm"));
  EXPECT_EQ(rows.Get(0, "NetPrice"), Value(12.35));
  EXPECT_EQ(rows.Get(0, "ACTIVE"), Value(true));
  EXPECT_EQ(rows.Get(0, "Stock"), Value(int64_t{9007199254740993}));
  EXPECT_EQ(rows.Get(0, "DateCreation"), Value(created));
  EXPECT_EQ(rows.Get(0, "Picture"), Value(picture));
  EXPECT_TRUE(rows.Get(1, "ArticleNumber").IsNull());
  EXPECT_TRUE(rows.Get(1, "NoSuchField").IsNull());
  // A file company stores true as the suite's -1.
  EXPECT_EQ(db_->QueryValue("SELECT CAST(Active AS INTEGER) FROM Articles WHERE ID = 1"),
            Value(int64_t{-1}));
}

TEST_F(SqliteBackendTest, ColumnsAreFoundIgnoringLetterCase) {
  auto column = db_->FindColumn("articles", "NETPRICE");
  ASSERT_TRUE(column.has_value());
  EXPECT_EQ(column->name, "NetPrice");
  EXPECT_EQ(column->type, Value::Type::Double);
  EXPECT_EQ(db_->FindColumn("Articles", "Active")->type, Value::Type::Boolean);
  EXPECT_EQ(db_->FindColumn("Articles", "DateCreation")->type, Value::Type::Date);
  EXPECT_TRUE(db_->FindColumn("Articles", "ID")->primaryKey);
  EXPECT_FALSE(db_->FindColumn("Articles", "Missing").has_value());
  EXPECT_TRUE(db_->HasTable("ARTICLES"));
  EXPECT_TRUE(db_->Columns("Nope").empty());
}

TEST_F(SqliteBackendTest, KeysCompareIgnoringCaseAndQuotesAreValues) {
  db_->Execute("INSERT INTO Articles (ArticleNumber) VALUES (?)",
               {"AB-1'; DROP TABLE Articles; --"});
  EXPECT_EQ(db_->QueryValue("SELECT COUNT(*) FROM Articles WHERE ArticleNumber = ?",
                            {"ab-1'; drop table articles; --"}),
            Value(int64_t{1}));
  EXPECT_EQ(db_->Quote("Key"), "\"Key\"");
  EXPECT_EQ(db_->Quote("a\"b"), "\"a\"\"b\"");
}

TEST_F(SqliteBackendTest, ATransactionThatIsNotCommittedLeavesNothing) {
  {
    Transaction transaction = db_->Begin();
    db_->Execute("INSERT INTO Articles (ArticleNumber) VALUES ('1')");
  }
  EXPECT_EQ(db_->QueryValue("SELECT COUNT(*) FROM Articles"), Value(int64_t{0}));
  Transaction transaction = db_->Begin();
  db_->Execute("INSERT INTO Articles (ArticleNumber) VALUES ('2')");
  transaction.Commit();
  EXPECT_EQ(db_->QueryValue("SELECT COUNT(*) FROM Articles"), Value(int64_t{1}));
}

TEST_F(SqliteBackendTest, ALockedDatabaseWaitsThenFailsWithAMessage) {
  Transaction writer = db_->Begin();
  db_->Execute("INSERT INTO Articles (ArticleNumber) VALUES ('1')");
  auto other = Connection::Open(connectionString_ + ";Busy Timeout=50");
  // Readers still see the last committed state (WAL).
  EXPECT_EQ(other->QueryValue("SELECT COUNT(*) FROM Articles"), Value(int64_t{0}));
  try {
    Transaction second = other->Begin();
    FAIL() << "the second writer got the lock";
  } catch (const DbError& e) {
    EXPECT_EQ(e.GetKind(), DbError::Kind::Locked);
    EXPECT_NE(std::string(e.what()).find("gesperrt"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("Muster.mdb"), std::string::npos);
  }
}

TEST_F(SqliteBackendTest, StatementErrorsNameTheDatabase) {
  try {
    db_->Execute("INSERT INTO Missing VALUES (1)");
    FAIL();
  } catch (const DbError& e) {
    EXPECT_EQ(e.GetKind(), DbError::Kind::Statement);
    EXPECT_NE(std::string(e.what()).find("Muster.mdb"), std::string::npos);
  }
}

// Opening failures, each with a German sentence naming the file.
std::string OpenFailure(const std::string& connectionString) {
  try {
    Connection::Open(connectionString);
  } catch (const DbError& e) {
    return e.what();
  }
  return "geöffnet";
}

TEST(SqliteOpen, RefusesWhatIsNoCompanyDatabase) {
  TempDir dir;
  const std::string prefix = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
  EXPECT_NE(OpenFailure(prefix + (dir / "fehlt.mdb")).find("fehlt.mdb"), std::string::npos);

  WriteBytes(dir / "access.mdb",
             std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20) + std::string(2000, '\0'));
  std::string access = OpenFailure(prefix + (dir / "access.mdb"));
  EXPECT_NE(access.find("Microsoft-Access"), std::string::npos) << access;
  EXPECT_NE(access.find("access.mdb"), std::string::npos);

  WriteBytes(dir / "text.mdb", std::string(4096, 'x'));
  std::string garbage = OpenFailure(prefix + (dir / "text.mdb"));
  EXPECT_NE(garbage.find("ist beschädigt"), std::string::npos) << garbage;

  EXPECT_NE(OpenFailure("Provider=Oracle;Data Source=x").find("unbekannt"), std::string::npos);
  EXPECT_NE(OpenFailure("Provider=Microsoft.Jet.OLEDB.4.0").find("Data Source"), std::string::npos);
}

// A company database of some pages, closed so that everything is in the file itself.
std::string CompanyDatabase(const TempDir& dir) {
  const std::string path = dir / "Firma.mdb";
  auto db = Connection::Open("Provider=SQLite;Data Source=" + path,
                             Connection::OpenMode::CreateIfMissing);
  db->ExecuteScript("CREATE TABLE Articles (ID INTEGER PRIMARY KEY, ShortText TEXT)");
  Statement insert = db->Prepare("INSERT INTO Articles (ShortText) VALUES (?)");
  for (int i = 0; i < 2000; ++i) insert.Bind(1, Value("Artikel " + std::to_string(i))).Execute();
  return path;
}

class BrokenCompanyDatabase : public ::testing::TestWithParam<test::DatabaseDamage> {};

// A broken file is named with what is wrong with it, and left exactly as it was.
TEST_P(BrokenCompanyDatabase, IsRefusedWithTheReasonAndLeftAlone) {
  TempDir dir;
  const std::string path = CompanyDatabase(dir);
  GetParam().apply(path);
  const std::string before = ReadBytes(path);
  const std::string message = OpenFailure("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
  EXPECT_NE(message.find(GetParam().says), std::string::npos) << message;
  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(path), before);
}

INSTANTIATE_TEST_SUITE_P(Damages, BrokenCompanyDatabase,
                         ::testing::ValuesIn(test::DatabaseDamages()),
                         [](const auto& param) { return std::string(param.param.name); });

// A file this user may read but not write: root may write any file, so root tries it as nobody.
TEST(SqliteOpen, AReadOnlyDatabaseSaysSoAtOnce) {
  TempDir dir;
  const std::string path = CompanyDatabase(dir);
  ::chmod(path.c_str(), 0444);
  ::chmod(dir.Path().c_str(), 0755);
  const std::string connection = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path;
  std::string message;
  if (::geteuid() != 0) {
    message = OpenFailure(connection);
  } else {
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    pid_t child = ::fork();
    if (child == 0) {
      ::close(pipe[0]);
      std::string text = ::setgid(65534) == 0 && ::setuid(65534) == 0 ? OpenFailure(connection)
                                                                      : "kein Benutzerwechsel";
      [[maybe_unused]] ssize_t written = ::write(pipe[1], text.data(), text.size());
      ::_exit(0);
    }
    ::close(pipe[1]);
    char buffer[1024];
    ssize_t n;
    while ((n = ::read(pipe[0], buffer, sizeof buffer)) > 0)
      message.append(buffer, static_cast<size_t>(n));
    ::close(pipe[0]);
    ::waitpid(child, nullptr, 0);
  }
  EXPECT_NE(message.find("ist schreibgeschützt"), std::string::npos) << message;
}

TEST(SqliteOpen, RefusesARealAccessFileFromTheSuite) {
  const std::string fixture = std::string(VELRA_FIXTURES_DIR) + "/mdb/testV2003.mdb";
  if (!std::ifstream(fixture)) GTEST_SKIP() << "Access fixtures not found at " << fixture;
  std::string message = OpenFailure("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + fixture);
  EXPECT_NE(message.find("Microsoft-Access"), std::string::npos) << message;
}

}  // namespace
}  // namespace velra
