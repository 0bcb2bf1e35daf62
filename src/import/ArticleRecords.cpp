#include "import/ArticleRecords.h"

#include <iterator>

#include "base/Text.h"

namespace velra {

namespace {

// The fields of a webshop record set from the article, named in the same order.
enum WebshopField {
  kWebshopArticleNumber,
  kWebshopNumber,
  kCaption,
  kWebshopShortText,
  kWebshopLongText,
  kSynchronise,
  kActive
};
constexpr const char* kWebshopFields[] = {
    "ArticleNumber", "ArticleNumberWebshop", "Caption", "ShortText",
    "LongText",      "Synchronise",          "Active"};
static_assert(std::size(kWebshopFields) == kActive + 1);

// What a new webshop record holds before anything is entered for the shop.
std::vector<std::pair<const char*, Value>> ShopDefaults() {
  const Value empty(""), zero(int64_t{0});
  return {{"FSK18", Value(false)},
          {"RebateAllowed", zero},
          {"URLManufacturer", empty},
          {"URLShop", empty},
          {"PublicationDate", Value()},  // no date: the column holds dates, not text
          {"SequenceCategory", Value("0")},
          {"Keywords", empty},
          {"StartPage", Value(false)},
          {"SequenceStartpage", Value("0")},
          {"TemplateDetails", Value("default")},
          {"TemplateOptions", Value("default")},
          {"MetaTitle", empty},
          {"MetaDescription", empty},
          {"MetaKeywords", empty},
          {"PackingUnit", Value("0")},
          {"PackingUnitValue", zero},
          {"PackingUnitStatus", Value(false)},
          {"StockScaling", zero},
          {"StockQuantity", zero},
          {"DeliveryStatus", Value("0")},
          {"Deliverable", Value(true)},
          {"StockValues", empty}};
}

// The fields of an article supplier, named in the same order.
enum SupplierField {
  kArticleNumber,
  kSupplier,
  kSupplierNumber,
  kOrderNumber,
  kBarcode,
  kShortText,
  kListPrice,
  kRebate,
  kPurchasePrice,
  kUnit,
  kVatCode,
  kStandard,
  kArticleNumberVariant
};
constexpr const char* kSupplierFields[] = {
    "ArticleNumber",       "Supplier", "SupplierNumber", "OrderNumber", "Barcode", "ShortText",
    "ListPrice",           "Rebate",   "PurchasePrice",  "Unit",        "VatCode", "Standard",
    "ArticleNumberVariant"};
static_assert(std::size(kSupplierFields) == kArticleNumberVariant + 1);

}  // namespace

std::string WebshopCaption(const std::string& shortText) {
  if (CharacterCount(shortText) < 65) return shortText;
  return FirstCharacters(shortText, 61) + "...";
}

WebshopRecords::WebshopRecords(Connection& connection)
    : table_(connection, kWebshopTable),
      record_(table_),
      index_(connection, table_),
      fields_(table_, kWebshopFields) {
  for (auto& [field, value] : ShopDefaults())
    if (const int index = table_.IndexOf(field); index >= 0)
      defaults_.emplace_back(index, std::move(value));
}

void WebshopRecords::Prepare(const std::string& articleNumber, const std::string& shortText,
                             const std::string& longText) {
  if (articleNumber.empty()) return;
  if (index_.Load(record_, {articleNumber})) {
    // What the shop has of the article was entered for it: only the marks are set again.
    fields_.Set(record_, kSynchronise, Value(true));
    fields_.Set(record_, kActive, Value(true));
    record_.Save();
    return;
  }
  record_.StartNew();
  fields_.Set(record_, kWebshopArticleNumber, Value(articleNumber));
  fields_.Set(record_, kWebshopNumber, Value(articleNumber));
  fields_.Set(record_, kCaption, Value(WebshopCaption(shortText)));
  fields_.Set(record_, kWebshopShortText, Value(shortText));
  fields_.Set(record_, kWebshopLongText, Value(longText));
  fields_.Set(record_, kSynchronise, Value(true));
  fields_.Set(record_, kActive, Value(true));
  for (const auto& [index, value] : defaults_) record_.SetAt(index, value);
  record_.Save();
  index_.Saved(record_);
}

SupplierRecords::SupplierRecords(Connection& connection)
    : table_(connection, kArticleSuppliersTable),
      record_(table_),
      index_(connection, table_, {"Supplier"}),
      fields_(table_, kSupplierFields) {}

void SupplierRecords::Create(const std::string& articleNumber, const std::string& supplier,
                             const std::string& supplierNumber, const std::string& orderNumber,
                             const std::string& shortText, std::optional<double> price,
                             const std::string& vatCode, const std::string& unit) {
  if (articleNumber.empty() || supplier.empty() || orderNumber.empty()) return;
  if (!index_.Load(record_, {articleNumber, supplier})) record_.StartNew();
  fields_.Set(record_, kArticleNumber, Value(articleNumber));
  fields_.Set(record_, kSupplier, Value(supplier));
  fields_.Set(record_, kSupplierNumber, Value(supplierNumber));
  fields_.Set(record_, kOrderNumber, Value(orderNumber));
  fields_.Set(record_, kBarcode, Value(""));
  fields_.Set(record_, kShortText, Value(shortText));
  fields_.Set(record_, kListPrice, price ? Value(*price) : Value());
  fields_.Set(record_, kRebate, Value(int64_t{0}));
  fields_.Set(record_, kPurchasePrice, price ? Value(*price) : Value());
  fields_.Set(record_, kUnit, Value(unit));
  fields_.Set(record_, kVatCode, Value(vatCode));
  fields_.Set(record_, kStandard, Value(true));
  fields_.Set(record_, kArticleNumberVariant, Value(articleNumber));
  record_.Save();
  index_.Saved(record_);
}

}  // namespace velra
