#pragma once
// The records that hang off an article: its webshop record and its article supplier. Written
// through the run's connection, inside the row's transaction. The fields are found in the table
// once, when the records are made.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "db/TargetTable.h"
#include "import/ArticleRecordIndex.h"
#include "import/RecordFields.h"
#include "import/RowRecord.h"

namespace velra {

// The tables of the records that hang off an article.
inline constexpr const char* kWebshopTable = "ArticleWebshop";
inline constexpr const char* kArticleSuppliersTable = "ArticleSuppliers";

class WebshopRecords {
 public:
  explicit WebshopRecords(Connection& connection);
  // Creates the article's webshop record with the shop's defaults; an existing one is only marked
  // for the webshop again and keeps what was entered for the shop (texts, keywords, templates).
  // Nothing for an empty article number.
  void Prepare(const std::string& articleNumber, const std::string& shortText,
               const std::string& longText);

 private:
  TargetTable table_;
  RowRecord record_;
  ArticleRecordIndex index_;
  RecordFields fields_;
  std::vector<std::pair<int, Value>> defaults_;  // the shop's defaults of a new record, by field
};

class SupplierRecords {
 public:
  explicit SupplierRecords(Connection& connection);
  // Creates or updates the article's record of this supplier; the records of the article's other
  // suppliers stay as they are. Nothing unless article number, supplier and order number are
  // given. Without a price the price fields stay empty.
  void Create(const std::string& articleNumber, const std::string& supplier,
              const std::string& supplierNumber, const std::string& orderNumber,
              const std::string& shortText, std::optional<double> price, const std::string& vatCode,
              const std::string& unit);

 private:
  TargetTable table_;
  RowRecord record_;
  ArticleRecordIndex index_;
  RecordFields fields_;
};

// The webshop caption: the short text, shortened to 61 characters and "..." from 65 characters on.
std::string WebshopCaption(const std::string& shortText);

}  // namespace velra
