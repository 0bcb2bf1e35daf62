#include <cstdio>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/CompanyRegistry.h"
#include "config/IniFile.h"
#include "config/Paths.h"
#include "config/SessionContext.h"
#include "config/Text.h"
#include "config/TextFile.h"
#include "db/Connection.h"
#include "demo/DemoEnvironment.h"
#include "source/SourceOpening.h"

namespace velra {
namespace {

using test::TempDir;

class DemoEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CreateDemoEnvironment(dir_.Path(), false, &error)) << error;
    std::vector<std::string> problems;
    session_ = StartSession(dir_.Path(), RegionalSettings::ForLocale("de_DE"), problems);
    ASSERT_TRUE(problems.empty()) << problems.front();
    ASSERT_TRUE(SelectCompany(session_, kDemoCompany, problems));
    ASSERT_TRUE(problems.empty()) << problems.front();
    db_ = Connection::Open(session_.ConnectionString);
    layout_ = *IniDocument::Load(session_.LayoutFile);
  }
  std::string Caption(const std::string& field) const {
    return layout_.Read("Positionstabellen", field, kProfileRoomLong);
  }
  std::string FieldOfCaption(const std::string& caption) const { return Caption(caption); }

  TempDir dir_;
  SessionContext session_;
  std::unique_ptr<Connection> db_;
  IniDocument layout_;
};

TEST_F(DemoEnvironmentTest, RegistryListsTheFileAndTheServerCompany) {
  CompanyListResult list =
      FillCompanyList(session_.Env.CompanyRegistryFile, session_.Env.ProgramPath,
                      session_.Env.DatabaseType, true, true);
  EXPECT_EQ(list.Names, (std::vector<std::string>{kDemoCompany, kDemoServerCompany}));
  EXPECT_TRUE(list.Problems.empty());
  EXPECT_EQ(session_.Env.DefaultCompany, kDemoCompany);
  EXPECT_EQ(session_.Env.ProviderSql, "PostgreSQL");
  EXPECT_TRUE(IsRegularFile(session_.Env.MatchingFile));
}

TEST_F(DemoEnvironmentTest, EveryFieldHasACaptionThatLeadsBackToIt) {
  for (const std::string& table : db_->Tables()) {
    for (const ColumnInfo& column : db_->Columns(table)) {
      if (column.name == "ID") continue;  // never offered for mapping
      std::string caption = Caption(column.name);
      ASSERT_FALSE(caption.empty()) << table << "." << column.name;
      EXPECT_TRUE(EqualsIgnoreCase(FieldOfCaption(caption), column.name))
          << table << "." << column.name << " -> " << caption << " -> " << FieldOfCaption(caption);
    }
  }
}

TEST_F(DemoEnvironmentTest, EveryMandatoryCaptionIsAFieldOfItsKindsTable) {
  const std::map<std::string, std::vector<std::string>> mandatory = {
      {"Contacts", {"Kunden-Nr.", "Suchname"}},
      {"Articles", {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz"}},
      {"Suppliers", {"Lieferanten-Nr.", "Suchname"}},
      {"ArticleSuppliers", {"Artikel-Nr."}},
      {"ServiceEquipments", {"Seriennummer"}},
      {"PositionsServiceEquipments", {"Equipmentnummer"}},
      {"Warehouse", {"Artikel-Nr.", "Lagernummer", "Verfügbar"}},
      {"StorageStructure", {"Lagernummer", "Beschreibung"}},
      {"ArticleCustomerTypePrices", {"Artikel-Nr.", "Kundentyp"}},
      {"ArticleWebshop", {"Artikel-Nr.", "Bezeichnung"}},
      {"AccountSystem", {"Kontonummer", "Beschreibung"}}};
  for (const auto& [table, captions] : mandatory)
    for (const std::string& caption : captions)
      EXPECT_TRUE(db_->FindColumn(table, FieldOfCaption(caption)).has_value())
          << caption << " in " << table;
}

TEST_F(DemoEnvironmentTest, TheTablesHoldEveryFieldTheImportWrites) {
  const std::map<std::string, std::vector<std::string>> written = {
      {"Contacts",
       {"CustomerNumber", "DateCreation", "DateUpdate", "WorksOnLastOf", "BankCode",
        "AccountNumber", "InvoiceAddress", "DeliveryAddress", "Company", "Salutation", "Title",
        "Surname", "Name", "Street", "Zip", "Town", "Country", "Matchcode"}},
      {"Articles", {"ArticleNumber", "ArticleNumberVariant",
                    "Active",        "RebateAble",
                    "POSAble",       "BuildBy",
                    "VatCode",       "ArticleType",
                    "Unit",          "Storage",
                    "ShortText",     "LongText",
                    "Barcode",       "WeightNet",
                    "WeightGross",   "NetPrice",
                    "GrossPrice",    "VatAmount",
                    "PurchasePrice", "Label",
                    "Supplier",      "SupplierNumber",
                    "OrderNumber",   "webshop",
                    "Graphic",       "DateCreation",
                    "DateUpdate",    "WorksOnLastOf"}},
      {"Suppliers", {"SupplierNumber", "Address", "BankCode", "AccountNumber", "Matchcode"}},
      {"ArticleSuppliers",
       {"ArticleNumber", "Supplier", "SupplierNumber", "OrderNumber", "Barcode", "ShortText",
        "ListPrice", "Rebate", "PurchasePrice", "Unit", "VatCode", "Standard",
        "ArticleNumberVariant"}},
      {"PositionsServiceEquipments", {"LineItemNumber", "ValidTo"}},
      {"Warehouse",
       {"StockingNumber", "Blocked", "BlockedBy", "BlockedAt", "ReasonBlocking", "Date",
        "DateCreation", "DateUpdate", "WorksOnLastOf"}},
      {"StorageStructure",
       {"Category", "SubCategory", "Description", "Symbol", "number", "Warehouseman", "Address"}},
      {"ArticleCustomerTypePrices",
       {"ArticleNumber", "CustomerType", "NetPrice", "GrossPrice", "VatAmount"}},
      {"ArticleWebshop", {"ArticleNumber",    "ArticleNumberWebshop",
                          "Caption",          "ShortText",
                          "LongText",         "Synchronise",
                          "Active",           "FSK18",
                          "RebateAllowed",    "URLManufacturer",
                          "URLShop",          "PublicationDate",
                          "SequenceCategory", "Keywords",
                          "StartPage",        "SequenceStartpage",
                          "TemplateDetails",  "TemplateOptions",
                          "MetaTitle",        "MetaDescription",
                          "MetaKeywords",     "PackingUnit",
                          "PackingUnitValue", "PackingUnitStatus",
                          "StockScaling",     "StockQuantity",
                          "DeliveryStatus",   "Deliverable",
                          "StockValues"}},
      {"AccountSystem", {"AccountNumber", "Description"}},
      {"Taxes", {"TaxKeyNumber", "Description", "Percentage", "Active"}},
      {"ArticlePictures", {"filename", "FileSize", "Measure", "Date", "Path", "Picture"}},
      {"Options", {"Section", "Key", "Value"}}};
  for (const auto& [table, fields] : written)
    for (const std::string& field : fields)
      EXPECT_TRUE(db_->FindColumn(table, field).has_value()) << table << "." << field;
}

TEST_F(DemoEnvironmentTest, TaxKeysCoverEveryCodeOfTheRateTable) {
  const std::map<std::string, double> percentages = {
      {"0", 0}, {"1", 19}, {"2", 7}, {"30", 8}, {"31", 3.8}, {"32", 2.5}, {"40", 20}, {"41", 10}};
  for (const auto& [key, percent] : percentages) {
    auto value =
        db_->QueryValue("SELECT Percentage FROM Taxes WHERE TaxKeyNumber = ? AND Active = ?",
                        {Value(key), Value(true)});
    ASSERT_TRUE(value.has_value()) << key;
    EXPECT_DOUBLE_EQ(value->AsDouble(), percent) << key;
  }
  // Inactive entries exist, so that the lists can be seen to leave them out.
  for (const char* table : {"Taxes", "ArticleTypes", "Units"})
    EXPECT_GT(db_->QueryValue("SELECT COUNT(*) FROM " + std::string(table) + " WHERE Active = 0")
                  ->AsInteger(),
              0)
        << table;
}

TEST_F(DemoEnvironmentTest, NumberRangesAndProgramOptionsAreSet) {
  for (const char* range : {"Customer", "Article", "Supplier", "Stocking"}) {
    EXPECT_FALSE(session_.GetOption("NumberRange", range).empty()) << range;
    EXPECT_FALSE(session_.GetOption("Formatting", range).empty()) << range;
    EXPECT_FALSE(session_.GetOption("Token", range).empty()) << range;
  }
  for (const char* key :
       {"PositionFormat", "Country", "StorageToken", "DocumentNumberFormat", "DateFormatting"})
    EXPECT_FALSE(session_.GetOption("Program", key).empty()) << key;
  EXPECT_EQ(session_.GetOption("Formatting", "Customer"), "Kürzel;-;Nr.;Leer;Leer");
}

TEST_F(DemoEnvironmentTest, TheMatchingFileNamesOnlyKnownCaptions) {
  std::optional<TextDocument> matching = ReadTextFile(session_.Env.MatchingFile);
  ASSERT_TRUE(matching.has_value());
  EXPECT_EQ(matching->encoding, TextEncoding::Windows1252);
  std::set<std::string> aliases;
  for (const std::string& line : matching->lines) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string caption = line.substr(0, equals);
    EXPECT_FALSE(FieldOfCaption(caption).empty()) << caption;
    for (const std::string& alias : Split(line.substr(equals + 1), ";"))
      EXPECT_TRUE(aliases.insert(alias).second) << "alias listed twice: " << alias;
  }
  for (const char* alias : {"ArtNr", "Artikelnummer", "SKU", "EAN", "Bezeichnung", "Kurztext",
                            "VK brutto", "PLZ", "Strasse", "E-Mail"})
    EXPECT_TRUE(aliases.count(alias)) << alias;
}

TEST_F(DemoEnvironmentTest, AnExistingEnvironmentIsOnlyReplacedOnRequest) {
  std::string error;
  EXPECT_FALSE(CreateDemoEnvironment(dir_.Path(), false, &error));
  EXPECT_NE(error.find("velra.var"), std::string::npos);
  db_->Execute("INSERT INTO Contacts (CustomerNumber) VALUES ('1')");
  db_.reset();
  ASSERT_TRUE(CreateDemoEnvironment(dir_.Path(), true, &error)) << error;
  EXPECT_EQ(
      Connection::Open(session_.ConnectionString)->QueryValue("SELECT COUNT(*) FROM Contacts"),
      Value(int64_t{0}));
}

TEST_F(DemoEnvironmentTest, TheSampleFilesLoadWithTheirTypes) {
  const std::string samples = dir_ / kDemoSampleFolder;
  auto load = [&](const std::string& name) {
    SourceRequest request;
    request.format = FormatOfFileName(name).value();
    request.path = samples + name;
    SourceTable table;
    LoadReport report;
    LoadSource(request, table, report);
    EXPECT_TRUE(report.warnings.empty()) << name << ": " << report.warnings.front().text;
    EXPECT_GT(table.RowCount(), 3u) << name;
    return table;
  };
  for (const char* csv :
       {"Kunden.csv", "Lieferanten.csv", "Artikellieferanten.csv", "Lagerbestand.csv",
        "Lagerorte.csv", "Kundentyp-Preise.csv", "Webshop.csv", "Kontenrahmen.csv"})
    load(csv);

  SourceTable csv = load("Artikel.csv");
  EXPECT_EQ(csv.Get(2, 1), Value("Schraube M6 x 40 verzinkt"));
  EXPECT_EQ(csv.Get(3, 1),
            Value("Sechskantschraube DIN 933, Festigkeitsklasse 8.8;\r\ngalvanisch verzinkt"));
  EXPECT_EQ(csv.Get(7, 1), Value("0,14"));

  SourceTable xlsx = load("Artikel.xlsx");
  EXPECT_EQ(xlsx.ColumnNames(), csv.ColumnNames());
  EXPECT_EQ(xlsx.Get(1, 1), Value(10001.0));
  EXPECT_EQ(xlsx.Get(7, 1), Value(0.14));
  EXPECT_EQ(xlsx.Get(2, 20), Value("Tür-Drückergarnitur Edelstahl"));

  SourceTable dbf = load("Artikel.dbf");
  ASSERT_EQ(dbf.RowCount(), csv.RowCount());
  EXPECT_EQ(dbf.Get(1, 1), Value("10001"));
  EXPECT_EQ(dbf.Get(7, 1), Value(0.14));
  EXPECT_EQ(dbf.Get(11, 1), Value("Würth & Söhne"));
  EXPECT_EQ(dbf.Get(16, 1), Value(DateTime{2026, 12, 1}));
  EXPECT_EQ(dbf.Get(17, 1), Value(true));
  EXPECT_TRUE(dbf.Get(5, 14).IsNull());  // a service has no purchase price
}

}  // namespace
}  // namespace velra
