#include "import/ArticleRecords.h"

#include "base/Text.h"

namespace velra {

std::string WebshopCaption(const std::string& shortText) {
  if (CharacterCount(shortText) < 65) return shortText;
  return FirstCharacters(shortText, 61) + "...";
}

WebshopRecords::WebshopRecords(Connection& connection)
    : table_(connection, "ArticleWebshop"), record_(table_), index_(connection, table_) {}

void WebshopRecords::Prepare(const std::string& articleNumber, const std::string& shortText,
                             const std::string& longText) {
  if (articleNumber.empty()) return;
  if (index_.Load(record_, {articleNumber})) {
    // What the shop has of the article was entered for it: only the marks are set again.
    record_.Set("Synchronise", Value(true));
    record_.Set("Active", Value(true));
    record_.Save();
    return;
  }
  record_.StartNew();
  const Value empty(""), zero(int64_t{0});
  record_.Set("ArticleNumber", Value(articleNumber));
  record_.Set("ArticleNumberWebshop", Value(articleNumber));
  record_.Set("Caption", Value(WebshopCaption(shortText)));
  record_.Set("ShortText", Value(shortText));
  record_.Set("LongText", Value(longText));
  record_.Set("Synchronise", Value(true));
  record_.Set("Active", Value(true));
  record_.Set("FSK18", Value(false));
  record_.Set("RebateAllowed", zero);
  record_.Set("URLManufacturer", empty);
  record_.Set("URLShop", empty);
  record_.Set("PublicationDate", Value());  // no date: the column holds dates, not text
  record_.Set("SequenceCategory", Value("0"));
  record_.Set("Keywords", empty);
  record_.Set("StartPage", Value(false));
  record_.Set("SequenceStartpage", Value("0"));
  record_.Set("TemplateDetails", Value("default"));
  record_.Set("TemplateOptions", Value("default"));
  record_.Set("MetaTitle", empty);
  record_.Set("MetaDescription", empty);
  record_.Set("MetaKeywords", empty);
  record_.Set("PackingUnit", Value("0"));
  record_.Set("PackingUnitValue", zero);
  record_.Set("PackingUnitStatus", Value(false));
  record_.Set("StockScaling", zero);
  record_.Set("StockQuantity", zero);
  record_.Set("DeliveryStatus", Value("0"));
  record_.Set("Deliverable", Value(true));
  record_.Set("StockValues", empty);
  record_.Save();
  index_.Saved(record_);
}

SupplierRecords::SupplierRecords(Connection& connection)
    : table_(connection, "ArticleSuppliers"),
      record_(table_),
      index_(connection, table_, {"Supplier"}) {}

void SupplierRecords::Create(const std::string& articleNumber, const std::string& supplier,
                             const std::string& supplierNumber, const std::string& orderNumber,
                             const std::string& shortText, std::optional<double> price,
                             const std::string& vatCode, const std::string& unit) {
  if (articleNumber.empty() || supplier.empty() || orderNumber.empty()) return;
  if (!index_.Load(record_, {articleNumber, supplier})) record_.StartNew();
  record_.Set("ArticleNumber", Value(articleNumber));
  record_.Set("Supplier", Value(supplier));
  record_.Set("SupplierNumber", Value(supplierNumber));
  record_.Set("OrderNumber", Value(orderNumber));
  record_.Set("Barcode", Value(""));
  record_.Set("ShortText", Value(shortText));
  record_.Set("ListPrice", price ? Value(*price) : Value());
  record_.Set("Rebate", Value(int64_t{0}));
  record_.Set("PurchasePrice", price ? Value(*price) : Value());
  record_.Set("Unit", Value(unit));
  record_.Set("VatCode", Value(vatCode));
  record_.Set("Standard", Value(true));
  record_.Set("ArticleNumberVariant", Value(articleNumber));
  record_.Save();
  index_.Saved(record_);
}

}  // namespace velra
