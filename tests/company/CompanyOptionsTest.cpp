#include <gtest/gtest.h>

#include "TestSupport.h"
#include "company/CompanyOptions.h"
#include "company/SessionContext.h"
#include "db/Connection.h"
#include "db/Schema.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(FileOptions, ReadAndWriteTheOptionsFile) {
  TempDir dir;
  WriteBytes(dir / "Muster.afk",
             "[NumberRange]\r\nCustomer=00041\r\n[Token]\r\nCustomer=K\xFC\r\n");
  FileOptions options(dir / "Muster.afk");
  EXPECT_EQ(options.Get("numberrange", "customer"), "00041");
  EXPECT_EQ(options.Get("Token", "Customer"), "Kü");
  EXPECT_EQ(options.Get("Counting", "Customer"), "");
  options.Set("NumberRange", "Customer", "00042");
  options.Set("Counting", "Customer", "0");
  EXPECT_EQ(ReadBytes(dir / "Muster.afk"),
            "[NumberRange]\r\nCustomer=00042\r\n[Token]\r\nCustomer=K\xFC\r\n[Counting]"
            "\r\nCustomer=0\r\n");
}

class TableOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto connection = Connection::Open(connectionString_, Connection::OpenMode::CreateIfMissing);
    CreateCompanySchema(*connection);
    connection->Execute("INSERT INTO Options (Section, \"Key\", \"Value\") VALUES (?, ?, ?)",
                        {"Program", "Country", "DE"});
  }
  long long Rows(const std::string& section, const std::string& key) {
    auto connection = Connection::Open(connectionString_);
    return connection
        ->QueryValue("SELECT COUNT(*) FROM Options WHERE Section = ? AND \"Key\" = ?",
                     {Value(section), Value(key)})
        ->AsInteger();
  }
  TempDir dir_;
  std::string connectionString_ = "Provider=SQLite;Data Source=" + (dir_ / "company.db");
};

TEST_F(TableOptionsTest, ReadsTheTableIgnoringLetterCase) {
  auto options = TableOptions::Load(connectionString_);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->Get("PROGRAM", "country"), "DE");
  EXPECT_EQ(options->Get("Program", "PositionFormat"), "");
}

TEST_F(TableOptionsTest, ANewKeyAddsOneRowAndASecondWriteChangesIt) {
  auto options = TableOptions::Load(connectionString_);
  options->Set("NumberRange", "Customer", "00041");
  options->Set("numberrange", "CUSTOMER", "00042");
  EXPECT_EQ(Rows("NumberRange", "Customer"), 1);
  EXPECT_EQ(options->Get("NumberRange", "Customer"), "00042");
  EXPECT_EQ(TableOptions::Load(connectionString_)->Get("NumberRange", "Customer"), "00042");
}

TEST_F(TableOptionsTest, QuotesInSectionsAndKeysAreJustCharacters) {
  auto options = TableOptions::Load(connectionString_);
  options->Set("O'Brien", "Key' OR '1'='1", "v");
  EXPECT_EQ(Rows("O'Brien", "Key' OR '1'='1"), 1);
  EXPECT_EQ(TableOptions::Load(connectionString_)->Get("O'Brien", "Key' OR '1'='1"), "v");
  EXPECT_EQ(options->Get("Program", "Country"), "DE");
}

TEST_F(TableOptionsTest, ATableWithoutIdIsReadAndWrittenBySectionAndKey) {
  auto connection = Connection::Open(connectionString_);
  connection->ExecuteScript(
      "DROP TABLE Options; CREATE TABLE Options (Section TEXT, \"Key\" TEXT, \"Value\" TEXT);"
      "INSERT INTO Options VALUES ('NumberRange', 'Customer', '00041'), ('Program', 'Country', "
      "'DE')");
  auto options = TableOptions::Load(connectionString_);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->Get("numberrange", "customer"), "00041");
  options->Set("NUMBERRANGE", "Customer", "00042");
  options->Set("NumberRange", "Article", "1");
  auto again = TableOptions::Load(connectionString_);
  EXPECT_EQ(again->Get("NumberRange", "Customer"), "00042");
  EXPECT_EQ(again->Get("NumberRange", "Article"), "1");
  EXPECT_EQ(again->Get("Program", "Country"), "DE");
  EXPECT_EQ(Rows("NumberRange", "Customer"), 1);
}

TEST_F(TableOptionsTest, AnUnreadableDatabaseSaysWhy) {
  const std::string error = test::ThrownMessage<DbError>(
      [&] { TableOptions::Load("Provider=SQLite;Data Source=" + (dir_ / "missing.db")); });
  EXPECT_NE(error.find("missing.db"), std::string::npos) << error;
}

// Whoever stores an option learns which one could not be stored, and why.
TEST_F(TableOptionsTest, AnOptionThatCannotBeStoredIsNamed) {
  FileOptions inMissingFolder(dir_ / "fehlt/Muster.afk");
  auto table = TableOptions::Load(connectionString_);
  Connection::Open(connectionString_)->ExecuteScript("DROP TABLE Options");
  SessionContext noCompany;
  const std::pair<CompanyOptions*, const char*> cases[] = {
      {&inMissingFolder, "Die Sperrdatei"}, {table.get(), "Options"}, {nullptr, "keine Firma"}};
  for (const auto& [options, reason] : cases) {
    const std::string error = test::ThrownMessage<ConfigError>([&] {
      if (options)
        options->Set("NumberRange", "Customer", "00042");
      else
        noCompany.SetOption("NumberRange", "Customer", "00042");
    });
    EXPECT_TRUE(error.starts_with(
        "Die Firmeneinstellung [NumberRange] Customer konnte nicht gespeichert werden: "))
        << error;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace velra
