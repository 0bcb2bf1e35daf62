#include <gtest/gtest.h>

#include "TestSupport.h"
#include "db/Connection.h"
#include "db/Schema.h"
#include "import/run/RecordWriter.h"

namespace velra {
namespace {

using Cells = std::vector<std::pair<std::string, std::string>>;  // field, cell text

// The writers of the families alone, on a company with the demo's reference data: one row of
// the grid through the writer's start, the mapped columns and its completion, without the run.
class RecordWritersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = Connection::Open("Provider=SQLite;Data Source=" + (dir_ / "f.db"),
                           Connection::OpenMode::CreateIfMissing);
    CreateCompanySchema(*db_);
    InsertDemoReferenceData(*db_);
    context_.Country = "DE";
  }

  // The record of `kind` as the row `cells` (each cell mapped to its field) leaves it.
  const RowRecord& Write(DataKind kind, const Cells& cells) {
    const DataKindInfo& info = Describe(kind);
    table_ = std::make_unique<TargetTable>(*db_, info.table);
    record_ = std::make_unique<RowRecord>(*table_);
    std::vector<std::string> names;
    grid_.clear();
    for (const auto& [field, text] : cells) {
      names.push_back(field);
      GridColumn& column = grid_.emplace_back();
      column.SourceName = column.FieldCaption = column.TargetField = field;
    }
    source_.Reset(names);
    for (size_t i = 0; i < cells.size(); ++i) source_.SetText(i + 1, cells[i].second);
    source_.FinishRow(2);
    report_ = ImportReport();
    scope_ = std::make_unique<RowScope>(*record_, *table_, source_, converter_, report_);
    ColumnWriter columns(grid_, *table_, report_);
    RecordNumbers numbers(info, grid_, *scope_);  // from the file
    std::unique_ptr<RecordWriter> writer = MakeRecordWriter(
        {context_, settings_, info, *db_, *scope_, numbers, columns.Planned(), Today()});
    record_->StartNew();
    EXPECT_FALSE(writer->Start(1));
    columns.Write(1, *scope_);
    writer->Complete(1);
    return *record_;
  }

  std::vector<std::string> Reasons() const {
    std::vector<std::string> reasons;
    for (const ReportEntry& entry : report_.Entries()) reasons.push_back(entry.reason);
    return reasons;
  }

  test::TempDir dir_;
  std::unique_ptr<Connection> db_;
  SessionContext context_;
  ImportSettings settings_;
  ValueConverter converter_{RegionalSettings::ForLocale("de_DE")};
  std::unique_ptr<TargetTable> table_;
  std::unique_ptr<RowRecord> record_;
  std::vector<GridColumn> grid_;
  SourceTable source_;
  ImportReport report_;
  std::unique_ptr<RowScope> scope_;
};

TEST_F(RecordWritersTest, TheArticleWriterComputesPricesOrSaysWhyNot) {
  db_->Execute(
      "INSERT INTO Taxes (TaxKeyNumber, Description, Percentage, Active) "
      "VALUES ('99', 'unmöglich', -100, -1)");
  struct Case {
    int priceMode;
    std::string defaultTaxKey, rate, price;
    double vatAmount;  // 0: no prices
    std::string note;  // after "Die Preise wurden nicht berechnet: "
  };
  const std::vector<Case> cases = {
      {1, "", "19", "100", 19, ""},
      {2, "", "7", "107", 7, ""},
      {1, "9", "19", "100", 0, "Den Steuerschlüssel gibt es in der Firma nicht."},
      {2, "", "19", "", 0, "Der Bruttopreis ist leer oder keine Zahl."},
      {2, "", "99", "10", 0, "Mit diesem Steuersatz lassen sie sich nicht rechnen."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate + " " + c.price + " " + c.note);
    settings_.priceMode = c.priceMode;
    settings_.defaultTaxKey = !c.defaultTaxKey.empty();
    settings_.taxKey = c.defaultTaxKey;
    const char* base = c.priceMode == 1 ? "NetPrice" : "GrossPrice";
    const RowRecord& article = Write(DataKind::Articles, {{"ArticleNumber", "4711"},
                                                          {"ShortText", "Schraube"},
                                                          {"VatCode", c.rate},
                                                          {base, c.price}});
    EXPECT_EQ(article.Get("ArticleNumber"), Value("4711"));
    if (c.note.empty()) {
      EXPECT_TRUE(report_.Empty()) << Reasons().front();
      EXPECT_DOUBLE_EQ(article.Get("VatAmount").AsDouble(), c.vatAmount);
      EXPECT_DOUBLE_EQ(article.Get("GrossPrice").AsDouble() - article.Get("NetPrice").AsDouble(),
                       c.vatAmount);
    } else {
      EXPECT_EQ(Reasons(),
                std::vector<std::string>{"Die Preise wurden nicht berechnet: " + c.note});
      EXPECT_TRUE(article.Get("VatAmount").IsNull());
    }
  }
}

// The address block replaces the imported address only when the settings page asks for it.
TEST_F(RecordWritersTest, AddressWritersFillTheirAddressFieldOnlyWhenAsked) {
  settings_.searchNameMode = 2;  // the company
  for (const bool generate : {true, false}) {
    settings_.generateAddress = generate;
    for (const auto& [kind, number, addressField] :
         {std::tuple{DataKind::Customers, "CustomerNumber", "InvoiceAddress"},
          std::tuple{DataKind::Suppliers, "SupplierNumber", "Address"}}) {
      SCOPED_TRACE(std::string(addressField) + (generate ? " erzeugt" : " importiert"));
      const RowRecord& record = Write(kind, {{number, "K1"},
                                             {"Company", "Nord GmbH"},
                                             {"Name", "Meier"},
                                             {addressField, "Postfach 7"},
                                             {"BankCode", "100 500 00"}});
      EXPECT_EQ(record.Get(addressField),
                Value(generate ? "Nord GmbH\r\nMeier\r\n\r\n\r\n" : "Postfach 7"));
      EXPECT_EQ(record.Get("Matchcode"), Value("Nord GmbH"));
      EXPECT_EQ(record.Get("BankCode"), Value("10050000"));
      EXPECT_EQ(record.Get("WorksOnLastOf"), Value(context_.ImportNote));
      EXPECT_TRUE(report_.Empty()) << Reasons().front();
    }
  }
}

}  // namespace
}  // namespace velra
