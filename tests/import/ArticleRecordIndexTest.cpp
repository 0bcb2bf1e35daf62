// The records that hang off an article are found by an index of their keys read once per run:
// it must answer as the database's own comparison would, on the file company and on a server
// company, and know the records the run wrote or took back since.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ServerCompany.h"
#include "TestSupport.h"
#include "db/Connection.h"
#include "db/Schema.h"
#include "demo/DemoEnvironment.h"
#include "import/ArticleLookup.h"
#include "import/ArticleRecordIndex.h"
#include "import/ArticleRecords.h"
#include "import/KeyFolding.h"

namespace velra {
namespace {

TEST(KeyFolding, FoldsCaseAndTrailingSpacesOfTheCharactersItKnows) {
  EXPECT_EQ(FoldedKey("Ab-1 "), "ab-1");
  EXPECT_EQ(FoldedKey(" Ab"), " ab");  // leading spaces count everywhere
  EXPECT_EQ(FoldedKey("ÄÖÜÉÇÑäöüÿ"), "äöüéçñäöüÿ");
  EXPECT_EQ(FoldedKey(""), "");
  for (const char* odd :
       {"Straße", "ÆBLE", "Øre", "A\u0308pfel", "a\tb", "n\u00A0b", "Ÿ", "\xC3", "\xC3\x28", "Ａ"})
    EXPECT_EQ(FoldedKey(odd), std::nullopt) << odd;
}

// Texts on which the databases' comparisons differ: letter case inside and outside ASCII,
// trailing and leading spaces, letters that may be spelt out ("ß", "Æ"), decomposed accents,
// controls, the non-breaking space, full-width letters.
const std::vector<std::string> kTrickyTexts = {
    "A-1",   "a-1",   "A-1 ",  " A-1",        "Straße", "STRASSE", "strasse",
    "Äpfel", "äpfel", "ÄPFEL", "A\u0308pfel", "Apfel",  "ÆBLE",    "aeble",
    "AEBLE", "x\tY",  "X\ty",  "n\u00A0b",    "n b",    "N B",     "ÿ",
    "Ÿ",     "ＡＢ",  "AB",    "ab",          "Müller", "MÜLLER",  "mueller"};

// Stores the texts in `table` in an order of IDs other than the order of writing, with a record
// without a number, so that the first record in table order is not simply the first written.
void StoreTexts(Connection& db, const std::string& table, const std::vector<std::string>& more) {
  const std::string insert = test::QuoteNames(
      "INSERT INTO " + table + " (ID, ArticleNumber" + (more.empty() ? "" : ", Supplier") +
          ") VALUES (?, ?" + (more.empty() ? "" : ", ?") + ")",
      db);
  int64_t id = 1000;
  for (size_t i = 0; i < kTrickyTexts.size(); ++i) {
    id += i % 2 ? 7 : -3;  // up and down
    std::vector<Value> values{Value(id), Value(kTrickyTexts[i])};
    if (!more.empty()) values.push_back(Value(more[i % more.size()]));
    db.Execute(insert, values);
  }
  std::vector<Value> nothing{Value(int64_t{1})};
  nothing.resize(more.empty() ? 2 : 3);
  db.Execute(insert, nothing);
}

// For every lookup the index must find the record the database's own statement finds.
void ExpectTheDatabasesAnswers(Connection& db) {
  StoreTexts(db, "ArticleWebshop", {});
  StoreTexts(db, "ArticleSuppliers", {"Alt", "alt", "Müller", "MÜLLER", "Straße "});
  for (const auto& [table, more] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"ArticleWebshop", {}}, {"ArticleSuppliers", {"Supplier"}}}) {
    TargetTable target(db, table);
    RowRecord record(target);
    ArticleRecordIndex index(db, target, more);
    ArticleLookup lookup(db, table, "ID", more);
    const std::vector<std::string> suppliers =
        more.empty() ? std::vector<std::string>{""}
                     : std::vector<std::string>{"Alt",    "ALT",     "müller", "Müller",
                                                "Straße", "STRASSE", "Neu"};
    for (const std::string& number : kTrickyTexts)
      for (const std::string& supplier : suppliers) {
        std::vector<std::string> keys{number};
        if (!more.empty()) keys.push_back(supplier);
        const int64_t expected =
            lookup.FirstId(number, std::vector<std::string>(keys.begin() + 1, keys.end()));
        const int64_t found = index.Load(record, keys) ? record.Id() : 0;
        EXPECT_EQ(found, expected) << table << ": '" << number << "' '" << supplier << "'";
      }
  }
}

TEST(ArticleRecordIndex, AnswersAsTheFileCompanyCompares) {
  test::TempDir dir;
  auto db = Connection::Open("Provider=SQLite;Data Source=" + (dir / "f.db"),
                             Connection::OpenMode::CreateIfMissing);
  CreateCompanySchema(*db);
  ExpectTheDatabasesAnswers(*db);
}

TEST(ArticleRecordIndex, AnswersAsAServerCompanyCompares) {
  std::optional<DemoServer> server = test::TestServer();
  if (!server) GTEST_SKIP() << test::kNoTestServer;
  test::TempDir dir;
  ASSERT_NO_THROW(CreateDemoEnvironment(dir.Path(), false));
  test::ServerCompany company;
  ASSERT_NO_THROW(company.Create(dir.Path(), *server));
  auto db = Connection::Open(company.ConnectionString());
  ExpectTheDatabasesAnswers(*db);
}

class ArticleRecordsInARun : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = Connection::Open("Provider=SQLite;Data Source=" + (dir_ / "f.db"),
                           Connection::OpenMode::CreateIfMissing);
    CreateCompanySchema(*db_);
  }
  Rows Suppliers() {
    return db_->Query(
        "SELECT ID, ArticleNumber, Supplier, OrderNumber FROM ArticleSuppliers "
        "ORDER BY ID");
  }
  test::TempDir dir_;
  std::unique_ptr<Connection> db_;
};

TEST_F(ArticleRecordsInARun, ALaterRowFindsTheRecordAnEarlierRowWrote) {
  SupplierRecords suppliers(*db_);
  WebshopRecords webshop(*db_);
  suppliers.Create("4711", "Neu", "70001", "N-1", "Schraube", 1.25, "1", "Stk");
  webshop.Prepare("4711", "Schraube", "");
  db_->Execute("UPDATE ArticleWebshop SET Active = 0, Keywords = 'Eisen'");
  suppliers.Create("4711", "Neu", "70001", "N-2", "Schraube", 1.5, "1", "Stk");
  suppliers.Create("4711", "neu", "70001", "N-3", "Schraube", 1.5, "1", "Stk");
  webshop.Prepare("4711", "Schraube lang", "");

  Rows rows = Suppliers();
  ASSERT_EQ(rows.Size(), 2u);  // the supplier's name compares by its letter case
  EXPECT_EQ(rows.Get(0, "OrderNumber"), Value("N-2"));
  EXPECT_EQ(rows.Get(1, "Supplier"), Value("neu"));
  Rows shop = db_->Query("SELECT Active, Keywords, ShortText FROM ArticleWebshop");
  ASSERT_EQ(shop.Size(), 1u);
  EXPECT_EQ(shop.Get(0, "Active"), Value(true));
  EXPECT_EQ(shop.Get(0, "Keywords"), Value("Eisen"));
  EXPECT_EQ(shop.Get(0, "ShortText"), Value("Schraube"));
}

// A row taken back takes its records with it, and the next record may get the same ID.
TEST_F(ArticleRecordsInARun, ARecordOfARowTakenBackIsNotFound) {
  SupplierRecords suppliers(*db_);
  Transaction batch = db_->Begin();
  db_->Savepoint();
  suppliers.Create("X-1", "Alt", "70001", "taken back", "", 1.0, "1", "Stk");
  const int64_t takenBack = Suppliers().Get(0, "ID").AsInteger();
  db_->RollbackToSavepoint();
  db_->Savepoint();
  suppliers.Create("Y-1", "Alt", "70001", "Y", "", 1.0, "1", "Stk");
  db_->ReleaseSavepoint();
  ASSERT_EQ(Suppliers().Get(0, "ID").AsInteger(), takenBack);  // the same ID once more
  suppliers.Create("X-1", "Alt", "70001", "X", "", 1.0, "1", "Stk");
  batch.Commit();

  Rows rows = Suppliers();
  ASSERT_EQ(rows.Size(), 2u);
  EXPECT_EQ(rows.Get(0, "ArticleNumber"), Value("Y-1"));
  EXPECT_EQ(rows.Get(0, "OrderNumber"), Value("Y"));
  EXPECT_EQ(rows.Get(1, "ArticleNumber"), Value("X-1"));
  EXPECT_EQ(rows.Get(1, "OrderNumber"), Value("X"));
}

}  // namespace
}  // namespace velra
