// Prices per customer type: the prices are computed with the tax key of their article.

#include "import/ArticleLookup.h"
#include "import/ImportTexts.h"
#include "import/run/PriceComputation.h"
#include "import/run/RecordWriter.h"

namespace velra {

namespace {

class PriceWriter : public RecordWriter {
 public:
  explicit PriceWriter(const WriterSetup& setup)
      : scope_(setup.scope), prices_(setup.settings.priceMode, setup.scope) {
    if (!prices_.On()) return;
    taxes_ = TaxRates::Load(setup.connection);
    articleTaxKeys_ = std::make_unique<ArticleLookup>(setup.connection, "Articles", "VatCode");
  }

  void Complete(uint32_t row) override {
    if (!prices_.On()) return;
    const std::string article = scope_.Text("ArticleNumber");
    std::optional<Value> taxKey = articleTaxKeys_->First(article);
    if (!taxKey)
      scope_.Note(row, "ArticleNumber", article, import_texts::kPricesNoArticle);
    else
      prices_.Compute(row, NzText(*taxKey), taxes_);
  }

 private:
  RowScope& scope_;
  PriceComputation prices_;
  TaxRates taxes_;
  std::unique_ptr<ArticleLookup> articleTaxKeys_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakePriceWriter(const WriterSetup& setup) {
  return std::make_unique<PriceWriter>(setup);
}

}  // namespace velra
