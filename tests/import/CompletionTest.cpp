#include <gtest/gtest.h>

#include "TestSupport.h"
#include "db/Connection.h"
#include "db/Schema.h"
#include "import/Addresses.h"
#include "import/ArticleRecords.h"
#include "import/ArticleSteps.h"
#include "import/Prices.h"
#include "import/RecordCompletion.h"

namespace velra {
namespace {

TEST(Prices, TheFormulasGiveTheSuitesResults) {
  EXPECT_DOUBLE_EQ(VatFromNet(100, 19), 19);
  EXPECT_DOUBLE_EQ(GrossFromNet(100, 19), 119);
  EXPECT_DOUBLE_EQ(NetFromGross(107, 7), 100);
  EXPECT_DOUBLE_EQ(VatFromGross(107, 7), 7);
  // Unrounded, as they come out of the formulas.
  EXPECT_DOUBLE_EQ(NetFromGross(10, 19), 8.403361344537815);
  EXPECT_DOUBLE_EQ(VatFromGross(10, 19), 1.596638655462185);
  EXPECT_DOUBLE_EQ(GrossFromNet(12.5, 0), 12.5);
}

class RecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = Connection::Open("Provider=SQLite;Data Source=" + (dir_ / "f.db"),
                           Connection::OpenMode::CreateIfMissing);
    CreateCompanySchema(*db_);
    articles_ = std::make_unique<TargetTable>(*db_, "Articles");
    contacts_ = std::make_unique<TargetTable>(*db_, "Contacts");
  }
  test::TempDir dir_;
  std::unique_ptr<Connection> db_;
  std::unique_ptr<TargetTable> articles_, contacts_;
  ValueConverter converter_{RegionalSettings::ForLocale("de_DE")};
};

TEST_F(RecordTest, TaxCodesOfImportedRates) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"19", "1"},    {"7", "2"},   {"0", "0"},    {"8", "30"},     {"3,8", "31"},
      {"2,5", "32"},  {"20", "40"}, {"10", "41"},  {"19,00", "1"},  {"7,00", "2"},
      {"8,00", "30"}, {"16", "16"}, {"19 %", "1"}, {"MwSt 7", "2"}, {"frei", "frei"}};
  for (const auto& [rate, code] : cases) EXPECT_EQ(VatRateCode(rate, converter_), code) << rate;
}

TEST_F(RecordTest, TheLabelHasSixLinesInAGermanLocale) {
  RowRecord article(*articles_);
  article.StartNew();
  article.Set("ArticleNumber", Value("4711"));
  article.Set("ShortText", Value("Schraube M6"));
  article.Set("Barcode", Value("12345"));
  article.Set("Unit", Value("Stk"));
  article.Set("WeightNet", Value(0.5));
  article.Set("GrossPrice", Value(1234.5));
  const ArticleLabel label(*articles_);
  EXPECT_EQ(label.Of(article, converter_),
            "Artikel-Nr.: 4711\r\nSchraube M6\r\n\r\nEAN 12345\r\nStk Gewicht netto: 0,5 kg\r\nEUR "
            "1.234,50");
  article.Set("WeightGross", Value(0.75));
  article.Set("Barcode", Value());
  EXPECT_EQ(label.Of(article, converter_),
            "Artikel-Nr.: 4711\r\nSchraube M6\r\n\r\nStk Gewicht netto: 0,5 kg\r\nGewicht brutto: "
            "0,75 kg\r\n\r\n"
            "EUR 1.234,50");
  ValueConverter english(RegionalSettings::ForLocale("en_US"));
  EXPECT_NE(label.Of(article, english).find("EUR 1,234.50"), std::string::npos);
  // A credit rounds away from zero, as the stored amount does.
  article.Set("GrossPrice", Value(-2.345));
  EXPECT_TRUE(label.Of(article, converter_).ends_with("EUR -2,35"));
  // A price that is no number is shown as it is, a blank one not at all.
  article.Set("GrossPrice", Value(" auf Anfrage "));
  EXPECT_TRUE(label.Of(article, converter_).ends_with("\r\n\r\nEUR auf Anfrage"));
  article.Set("GrossPrice", Value("  "));
  EXPECT_TRUE(label.Of(article, converter_).ends_with("0,75 kg\r\n\r\n"));
}

TEST_F(RecordTest, AddressBlocksWithAndWithoutCompanyAndAForeignCountry) {
  RowRecord contact(*contacts_);
  contact.StartNew();
  for (auto [field, value] :
       std::vector<std::pair<const char*, const char*>>{{"Company", "Muster GmbH"},
                                                        {"Salutation", "Herr"},
                                                        {"Surname", "Hans"},
                                                        {"Name", "Meier"},
                                                        {"Street", "Hauptstr. 1"},
                                                        {"Zip", "12345"},
                                                        {"Town", "Berlin"}})
    contact.Set(field, Value(value));
  EXPECT_EQ(AddressBlock(contact, "DE"),
            "Muster GmbH\r\nHerr Hans Meier\r\nHauptstr. 1\r\n12345 Berlin\r\n");
  contact.Set("Company", Value());
  contact.Set("Country", Value("  at "));
  EXPECT_EQ(AddressBlock(contact, "DE"),
            "\r\nHerr Hans Meier\r\nHauptstr. 1\r\n12345 Berlin\r\nAT");
  contact.Set("Country", Value("DE"));
  EXPECT_EQ(AddressBlock(contact, "DE"), "\r\nHerr Hans Meier\r\nHauptstr. 1\r\n12345 Berlin\r\n");
  contact.Set("Country", Value("de"));
  EXPECT_TRUE(AddressBlock(contact, "DE").ends_with("Berlin\r\nDE"));  // "de" is not exactly "DE"
}

TEST_F(RecordTest, EverySearchNameMode) {
  RowRecord contact(*contacts_);
  contact.StartNew();
  contact.Set("Name", Value("Meier"));
  contact.Set("Surname", Value("Hans"));
  contact.Set("Town", Value("Berlin"));
  contact.Set("Company", Value("Muster GmbH"));
  contact.Set("Matchcode", Value("Müller's"));
  EXPECT_EQ(SearchName(contact, 0), "Müllers");
  EXPECT_EQ(SearchName(contact, 1), "Meier");
  EXPECT_EQ(SearchName(contact, 2), "Muster GmbH");
  EXPECT_EQ(SearchName(contact, 3), "Meier, Hans");
  EXPECT_EQ(SearchName(contact, 4), "Meier, Hans - Berlin");
  contact.Set("Surname", Value(""));
  EXPECT_EQ(SearchName(contact, 3), "Meier, ");
  EXPECT_EQ(SearchName(contact, 4), "Meier - Berlin");
  contact.Set("Surname", Value("Hans"));
  contact.Set("Town", Value());
  EXPECT_EQ(SearchName(contact, 4), "Meier, Hans");
  contact.Set("Name", Value("O'Brien"));
  EXPECT_EQ(SearchName(contact, 1), "OBrien");
  contact.Set("Company", Value());
  EXPECT_EQ(SearchName(contact, 2), std::nullopt);  // no value: the search name stays
}

TEST_F(RecordTest, BankDataAddressTextsAndPositions) {
  RowRecord contact(*contacts_);
  contact.StartNew();
  contact.Set("BankCode", Value("12 34"));
  contact.Set("AccountNumber", Value("  987 654"));
  contact.Set("InvoiceAddress", Value("Muster GmbH<br/>Hauptstr. 1<br/>12345 Musterstadt"));
  contact.Set("DeliveryAddress", Value("Lager<BR/>Tor 2"));
  CompleteBankData(contact);
  CompleteAddressTexts(contact);
  EXPECT_EQ(contact.Get("BankCode"), Value("1234"));
  EXPECT_EQ(contact.Get("AccountNumber"), Value("987654"));
  EXPECT_EQ(contact.Get("InvoiceAddress"),
            Value("Muster GmbH\r\nHauptstr. 1\r\n12345 Musterstadt"));
  EXPECT_EQ(contact.Get("DeliveryAddress"), Value("Lager<BR/>Tor 2"));  // the token's case counts
  EXPECT_TRUE(contact.Get("Phone").IsNull());

  TargetTable positions(*db_, "PositionsServiceEquipments");
  RowRecord position(positions);
  position.StartNew();
  position.Set("LineItemNumber", Value("7"));
  CompletePosition(position, "000", converter_);
  EXPECT_EQ(position.Get("LineItemNumber"), Value("007"));
  EXPECT_EQ(position.Get("ValidTo"), Value(DateTime{9999, 12, 31}));
  position.Set("ValidTo", Value(DateTime{2030, 6, 30}));
  CompletePosition(position, "", converter_);
  EXPECT_EQ(position.Get("ValidTo"), Value(DateTime{2030, 6, 30}));
  EXPECT_EQ(position.Get("LineItemNumber"), Value("007"));

  EXPECT_EQ(FormatWithPattern(Value("1234,5"), "#,##0.00", converter_), "1.234,50");
  EXPECT_EQ(FormatWithPattern(Value("12"), "Pos. 0000", converter_), "Pos. 0012");
  EXPECT_EQ(FormatWithPattern(Value("A7"), "000", converter_), "A7");
}

TEST_F(RecordTest, WebshopCaptionsAndSuppliersPerSupplier) {
  EXPECT_EQ(WebshopCaption(std::string(64, 'x')), std::string(64, 'x'));
  EXPECT_EQ(WebshopCaption(std::string(65, 'x')), std::string(61, 'x') + "...");
  EXPECT_EQ(WebshopCaption(std::string(70, 'a').replace(0, 2, "ä")),
            "ä" + std::string(60, 'a') + "...");

  db_->Execute(
      "INSERT INTO ArticleSuppliers (ArticleNumber, Supplier, OrderNumber, DeliveryTime) VALUES "
      "('4711', 'Alt', 'A-1', 3)");
  SupplierRecords suppliers(*db_);
  suppliers.Create("4711", "Neu", "70001", "N-1", "Schraube", 1.25, "1", "Stk");
  suppliers.Create("4711", "Alt", "70002", "A-2", "Schraube", 1.5, "1", "Stk");
  suppliers.Create("4712", "Neu", "70001", "", "ohne Bestellnummer", 1.0, "1", "Stk");
  Rows supplier = db_->Query("SELECT * FROM ArticleSuppliers ORDER BY ID");
  ASSERT_EQ(supplier.Size(), 2u);  // one record per supplier of the article
  EXPECT_EQ(supplier.Get(0, "Supplier"), Value("Alt"));
  EXPECT_EQ(supplier.Get(0, "OrderNumber"), Value("A-2"));
  EXPECT_EQ(supplier.Get(0, "PurchasePrice"), Value(1.5));
  EXPECT_EQ(supplier.Get(0, "DeliveryTime"), Value(int64_t{3}));
  EXPECT_EQ(supplier.Get(1, "Supplier"), Value("Neu"));
  EXPECT_EQ(supplier.Get(1, "ListPrice"), Value(1.25));
  EXPECT_EQ(supplier.Get(1, "PurchasePrice"), Value(1.25));
  EXPECT_EQ(supplier.Get(1, "Standard"), Value(true));
  EXPECT_EQ(supplier.Get(1, "ArticleNumberVariant"), Value("4711"));
}

}  // namespace
}  // namespace velra
