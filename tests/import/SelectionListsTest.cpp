#include "import/SelectionLists.h"

#include <filesystem>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "db/Connection.h"
#include "db/Schema.h"

namespace velra {
namespace {

using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;
const std::string kEdit = "Liste bearbeiten...";

class SelectionListsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = Connection::Open(connectionString_, Connection::OpenMode::CreateIfMissing);
    CreateCompanySchema(*db_);
  }

  void AddEntry(const std::string& table, const Value& description, int16_t active) {
    db_->Execute("INSERT INTO " + db_->Quote(table) + " (Description, Active) VALUES (?, ?)",
                 {description, active});
  }

  void AddTax(const Value& key, const Value& description, int16_t active) {
    db_->Execute("INSERT INTO Taxes (TaxKeyNumber, Description, Active) VALUES (?, ?, ?)",
                 {key, description, active});
  }

  // The settings page's calls at start-up.
  LookupList Lookup(const std::string& table, bool addEdit = false, bool addEmpty = true) {
    return FillLookupCombo(connectionString_, table, "Description", true, kTrue, addEdit, addEmpty);
  }
  TaxList Taxes(bool addEmpty = false, bool selectFirst = false) {
    return FillTaxCombo(connectionString_, "Taxes", "TaxKeyNumber", "Description", true, kTrue,
                        addEmpty, selectFirst);
  }

  TempDir dir_;
  std::string connectionString_ = "Provider=SQLite;Data Source=" + (dir_ / "Musterfirma.mdb");
  std::unique_ptr<Connection> db_;
};

TEST_F(SelectionListsTest, ArticleTypesListTheActiveOnesAfterTheEmptyEntry) {
  AddEntry("ArticleTypes", "Handelsware", kTrue);
  AddEntry("ArticleTypes", "Dienstleistung", kTrue);
  AddEntry("ArticleTypes", "Fremdleistung", kFalse);
  AddEntry("ArticleTypes", "Montage", 1);  // true as a server stores it

  LookupList list = Lookup("ArticleTypes");
  EXPECT_THAT(list.entries, ElementsAre("", "Dienstleistung", "Handelsware"));
  EXPECT_THAT(list.error, IsEmpty());

  EXPECT_THAT(
      FillLookupCombo(connectionString_, "ArticleTypes", "Description", true, 1, false, false)
          .entries,
      ElementsAre("Montage"));
  EXPECT_THAT(
      FillLookupCombo(connectionString_, "ArticleTypes", "Description", false, kTrue, false, false)
          .entries,
      ElementsAre("Dienstleistung", "Fremdleistung", "Handelsware", "Montage"));
}

TEST_F(SelectionListsTest, UnitsAppearOnceInGermanOrderAfterTheOptionalEntries) {
  AddEntry("Units", "Stück", kTrue);
  AddEntry("Units", "Zoll", kTrue);
  AddEntry("Units", Value(), kTrue);
  AddEntry("Units", "Stück", kTrue);
  AddEntry("Units", "", kTrue);
  AddEntry("Units", "karton", kTrue);
  AddEntry("Units", "Öse", kTrue);
  AddEntry("Units", "Meter", kTrue);

  EXPECT_THAT(Lookup("Units", false, false).entries,
              ElementsAre("karton", "Meter", "Öse", "Stück", "Zoll"));
  EXPECT_THAT(Lookup("Units", true, true).entries,
              ElementsAre("", kEdit, "karton", "Meter", "Öse", "Stück", "Zoll"));
}

TEST_F(SelectionListsTest, NamesAreQuotedAndMatchedIgnoringCase) {
  db_->ExecuteScript("CREATE TABLE \"Order\" (Description TEXT, Active BOOLEAN)");
  AddEntry("Order", "Eilauftrag", kTrue);
  EXPECT_THAT(
      FillLookupCombo(connectionString_, "order", "DESCRIPTION", true, kTrue, false, false).entries,
      ElementsAre("Eilauftrag"));
}

TEST_F(SelectionListsTest, UnreadableListsKeepOnlyTheOptionalEntriesAndSayWhy) {
  LookupList noTable = Lookup("Verpackungen", true, true);
  EXPECT_THAT(noTable.entries, ElementsAre("", kEdit));
  EXPECT_THAT(noTable.error, HasSubstr("'Verpackungen'"));

  const std::string missing = dir_ / "Fehlt.mdb";
  LookupList noDatabase = FillLookupCombo("Provider=SQLite;Data Source=" + missing, "Units",
                                          "Description", true, kTrue, false, true);
  EXPECT_THAT(noDatabase.entries, ElementsAre(""));
  EXPECT_THAT(noDatabase.error, HasSubstr("Fehlt.mdb"));
  EXPECT_FALSE(std::filesystem::exists(missing)) << "reading a list must not create a database";

  TaxList noTaxes = FillTaxCombo("Provider=SQLite;Data Source=" + missing, "Taxes", "TaxKeyNumber",
                                 "Description", true, kTrue, true, true);
  EXPECT_EQ(noTaxes.items.size(), 1u);
  EXPECT_THAT(noTaxes.error, HasSubstr("Fehlt.mdb"));
}

TEST_F(SelectionListsTest, TaxItemsCarryTheirKeyBetweenSignsInKeyOrder) {
  AddTax("30", "7 % Gastronomie", kTrue);
  AddTax("1", "19 %", kTrue);
  AddTax("10", "0 % innergemeinschaftlich", kTrue);
  AddTax(Value(), "16 %", kTrue);
  AddTax("2", "7 %", kTrue);
  AddTax("4", Value(), kTrue);
  AddTax("1", "19 %", kTrue);
  AddTax("3", "16 % alt", kFalse);

  TaxList list = Taxes();
  EXPECT_THAT(list.error, IsEmpty());
  EXPECT_EQ(list.selected, -1);
  ASSERT_EQ(list.items.size(), 4u);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"1", "19 %"}, {"2", "7 %"}, {"10", "0 % innergemeinschaftlich"}, {"30", "7 % Gastronomie"}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(list.items[i].key, "¤" + expected[i].first + "¤");
    EXPECT_EQ(list.items[i].text, expected[i].second);
    EXPECT_EQ(TaxKeyOfItem(list.items[i].key), expected[i].first);
  }
}

TEST_F(SelectionListsTest, TaxListPutsTheEmptyEntryFirstAndSelectsOnlyAnExistingItem) {
  EXPECT_EQ(Taxes(false, true).selected, -1);
  AddTax("1", "19 %", kTrue);
  TaxList list = Taxes(true, true);
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.items[0].key, "¤¤");
  EXPECT_EQ(list.items[0].text, "");
  EXPECT_EQ(list.selected, 0);
}

TEST(TaxKeyOfItemTest, TakesTheTextBetweenTheFirstTwoSignsAndIsEmptyOtherwise) {
  EXPECT_EQ(TaxKeyOfItem("¤Ä1¤"), "Ä1");
  EXPECT_EQ(TaxKeyOfItem("¤1¤2¤"), "1");
  EXPECT_EQ(TaxKeyOfItem("x¤12¤"), "12");
  for (const std::string key : {"", "¤", "¤¤", "¤12", "12", "\xC2", "1\xC2\xA4"})
    EXPECT_EQ(TaxKeyOfItem(key), "") << key;
}

}  // namespace
}  // namespace velra
