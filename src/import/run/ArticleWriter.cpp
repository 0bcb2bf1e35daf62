// Articles: the number, the defaults of the settings page, the tax key of an imported rate, the
// label, the prices, and the records that hang off the article (its webshop record, its
// supplier).

#include <iterator>

#include "base/Text.h"
#include "import/ArticleRecords.h"
#include "import/ArticleSteps.h"
#include "import/ImportTexts.h"
#include "import/run/MasterRecord.h"
#include "import/run/PriceComputation.h"
#include "import/run/RecordWriter.h"

namespace velra {

namespace {

// The fields the writer reads or sets on every row, named in the same order.
enum ArticleField {
  kActive,
  kRebateAble,
  kPosAble,
  kBuildBy,
  kArticleType,
  kVatCode,
  kUnit,
  kStorage,
  kLabel,
  kWebshop,
  kArticleNumber,
  kShortText,
  kLongText,
  kSupplier,
  kSupplierNumber,
  kOrderNumber,
  kPurchasePrice
};
constexpr const char* kArticleFields[] = {
    "Active",   "RebateAble", "POSAble",        "BuildBy",     "ArticleType",   "VatCode",
    "Unit",     "Storage",    "Label",          "Webshop",     "ArticleNumber", "ShortText",
    "LongText", "Supplier",   "SupplierNumber", "OrderNumber", "PurchasePrice"};
static_assert(std::size(kArticleFields) == kPurchasePrice + 1);

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
  std::string Text(ArticleField field) const { return scope_.Text(fields_[field]); }
  void SetFixed(ArticleField field, Value value) {
    scope_.SetFixed(fields_[field], std::move(value));
  }

  const ImportSettings& settings_;
  RowScope& scope_;
  const RecordFields fields_;
  const ArticleLabel label_;
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
      fields_(setup.scope.Table(), kArticleFields),
      label_(setup.scope.Table()),
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
  SetFixed(kActive, Value(settings_.active));
  SetFixed(kRebateAble, Value(settings_.rebate));
  SetFixed(kPosAble, Value(settings_.pos));
  SetFixed(kBuildBy, Value("velra"));
  return std::nullopt;
}

void ArticleWriter::Complete(uint32_t row) {
  master_.KeepNumber();
  std::string taxKey = TaxKey(row);
  ApplyDefaults();
  if (settings_.defaultTaxKey) taxKey = settings_.taxKey;
  if (!Text(kShortText).empty())
    SetFixed(kLabel, Value(label_.Of(scope_.Record(), scope_.Converter())));
  prices_.Compute(row, taxKey, taxes_);
  if (suppliers_) CreateSupplier(row, taxKey);
  if (webshop_) {
    webshop_->Prepare(Text(kArticleNumber), Text(kShortText), Text(kLongText));
    SetFixed(kWebshop, Value(true));
  }
}

// The tax key belongs to this row alone: from the imported rate; empty without one.
std::string ArticleWriter::TaxKey(uint32_t row) {
  const std::string rate = Text(kVatCode);
  if (rate.empty()) return {};
  const std::string taxKey = VatRateCode(rate, scope_.Converter());
  if (TaxKeyRefused(row, rate, taxKey)) return {};
  SetFixed(kVatCode, Value(taxKey));
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
  if (settings_.defaultArticleType) SetFixed(kArticleType, Value(settings_.articleType));
  if (settings_.defaultTaxKey) SetFixed(kVatCode, Value(settings_.taxKey));
  if (settings_.defaultUnit) SetFixed(kUnit, Value(settings_.unit));
  if (settings_.defaultStorage) SetFixed(kStorage, Value(settings_.storage));
}

void ArticleWriter::CreateSupplier(uint32_t row, const std::string& taxKey) {
  const std::string article = Text(kArticleNumber), supplier = Text(kSupplier),
                    order = Text(kOrderNumber);
  if (article.empty() || supplier.empty() || order.empty()) return;
  std::optional<double> price =
      scope_.Converter().ToDouble(fields_[kPurchasePrice].Of(scope_.Record()));
  if (!price)
    scope_.Note(row, "PurchasePrice", Text(kPurchasePrice), import_texts::kSupplierWithoutPrices);
  suppliers_->Create(article, supplier, Text(kSupplierNumber), order, Text(kShortText), price,
                     taxKey, Text(kUnit));
}

}  // namespace

std::unique_ptr<RecordWriter> MakeArticleWriter(const WriterSetup& setup) {
  return std::make_unique<ArticleWriter>(setup);
}

}  // namespace velra
