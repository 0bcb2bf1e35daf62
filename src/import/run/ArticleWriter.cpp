// Articles: the number, the defaults of the settings page, the tax key of an imported rate, the
// label, the prices, and the records that hang off the article (its webshop record, its
// supplier).

#include "base/Text.h"
#include "import/ArticleRecords.h"
#include "import/ArticleSteps.h"
#include "import/ImportTexts.h"
#include "import/run/MasterRecord.h"
#include "import/run/PriceComputation.h"
#include "import/run/RecordWriter.h"

namespace velra {

namespace {

class ArticleWriter : public RecordWriter {
 public:
  explicit ArticleWriter(const WriterSetup& setup);
  std::optional<Refusal> Start(uint32_t row) override;
  void Complete(uint32_t row) override;
  bool WritesOtherRecords() const override { return webshop_ || suppliers_; }

 private:
  std::string TaxKey(uint32_t row);
  bool TaxKeyRefused(uint32_t row, const std::string& rate, const std::string& taxKey);
  void ApplyDefaults();
  void CreateSupplier(uint32_t row, const std::string& taxKey);
  std::string Text(const char* field) const { return scope_.Text(field); }

  const ImportSettings& settings_;
  RowScope& scope_;
  MasterRecord master_;
  PriceComputation prices_;
  const PlannedColumn* vatColumn_ = nullptr;  // the column of the article's tax rate
  TaxRates taxes_;
  std::unique_ptr<WebshopRecords> webshop_;
  std::unique_ptr<SupplierRecords> suppliers_;
};

ArticleWriter::ArticleWriter(const WriterSetup& setup)
    : settings_(setup.settings),
      scope_(setup.scope),
      master_(setup, "ArticleNumberVariant"),
      prices_(setup.settings.priceMode, setup.scope) {
  for (const PlannedColumn& column : setup.columns)
    if (EqualsIgnoreCase(column.fieldName, "VatCode")) vatColumn_ = &column;
  if (prices_.On() || vatColumn_) taxes_ = TaxRates::Load(setup.connection);
  if (settings_.webshop) webshop_ = std::make_unique<WebshopRecords>(setup.connection);
  if (settings_.createSupplier) suppliers_ = std::make_unique<SupplierRecords>(setup.connection);
}

std::optional<Refusal> ArticleWriter::Start(uint32_t row) {
  if (std::optional<Refusal> refusal = master_.Start(row)) return refusal;
  scope_.SetFixed("Active", Value(settings_.active));
  scope_.SetFixed("RebateAble", Value(settings_.rebate));
  scope_.SetFixed("POSAble", Value(settings_.pos));
  scope_.SetFixed("BuildBy", Value("velra"));
  return std::nullopt;
}

void ArticleWriter::Complete(uint32_t row) {
  master_.KeepNumber();
  std::string taxKey = TaxKey(row);
  ApplyDefaults();
  if (settings_.defaultTaxKey) taxKey = settings_.taxKey;
  if (!Text("ShortText").empty())
    scope_.SetFixed("Label", Value(ArticleLabel(scope_.Record(), scope_.Converter())));
  prices_.Compute(row, taxKey, taxes_);
  if (suppliers_) CreateSupplier(row, taxKey);
  if (webshop_) {
    webshop_->Prepare(Text("ArticleNumber"), Text("ShortText"), Text("LongText"));
    scope_.SetFixed("Webshop", Value(true));
  }
}

// The tax key belongs to this row alone: from the imported rate; empty without one.
std::string ArticleWriter::TaxKey(uint32_t row) {
  const std::string rate = Text("VatCode");
  if (rate.empty()) return {};
  const std::string taxKey = VatRateCode(rate, scope_.Converter());
  if (TaxKeyRefused(row, rate, taxKey)) return {};
  scope_.SetFixed("VatCode", Value(taxKey));
  return taxKey;
}

// An imported tax rate must lead to a tax key the company uses now; otherwise the field keeps
// what it held and the report names the value. A code the record held already is not judged,
// nor a rate that the default tax key replaces anyway.
bool ArticleWriter::TaxKeyRefused(uint32_t row, const std::string& rate,
                                  const std::string& taxKey) {
  if (!vatColumn_ || settings_.defaultTaxKey || taxes_.IsActive(taxKey)) return false;
  scope_.Record().Unset("VatCode");
  scope_.Report().Add({row, scope_.LineOf(row), vatColumn_->name, vatColumn_->fieldName, rate,
                       import_texts::kTaxKeyNotActive});
  return true;
}

// The defaults of the settings page, in the order the page lists them.
void ArticleWriter::ApplyDefaults() {
  if (settings_.defaultArticleType) scope_.SetFixed("ArticleType", Value(settings_.articleType));
  if (settings_.defaultTaxKey) scope_.SetFixed("VatCode", Value(settings_.taxKey));
  if (settings_.defaultUnit) scope_.SetFixed("Unit", Value(settings_.unit));
  if (settings_.defaultStorage) scope_.SetFixed("Storage", Value(settings_.storage));
}

void ArticleWriter::CreateSupplier(uint32_t row, const std::string& taxKey) {
  const std::string article = Text("ArticleNumber"), supplier = Text("Supplier"),
                    order = Text("OrderNumber");
  if (article.empty() || supplier.empty() || order.empty()) return;
  std::optional<double> price = scope_.Converter().ToDouble(scope_.Record().Get("PurchasePrice"));
  if (!price)
    scope_.Note(row, "PurchasePrice", Text("PurchasePrice"), import_texts::kSupplierWithoutPrices);
  suppliers_->Create(article, supplier, Text("SupplierNumber"), order, Text("ShortText"), price,
                     taxKey, Text("Unit"));
}

}  // namespace

std::unique_ptr<RecordWriter> MakeArticleWriter(const WriterSetup& setup) {
  return std::make_unique<ArticleWriter>(setup);
}

}  // namespace velra
