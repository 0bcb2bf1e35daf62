#pragma once
// The records that hang off an article: its webshop record and its article supplier. Written
// through the run's connection, inside the row's transaction.

#include <memory>
#include <optional>
#include <string>

#include "db/Connection.h"
#include "db/TargetTable.h"
#include "import/RowRecord.h"

namespace velra {

// A field of the first record of a table with a given article number, in table order.
class ArticleLookup {
 public:
  ArticleLookup(Connection& connection, const std::string& table, const std::string& resultField);
  // The field of the first record; nullopt when there is none.
  std::optional<Value> First(const std::string& articleNumber);
  // Its ID, 0 when there is none (for lookups of the ID).
  int64_t FirstId(const std::string& articleNumber);

 private:
  std::unique_ptr<Statement> statement_;
};

class WebshopRecords {
 public:
  explicit WebshopRecords(Connection& connection);
  // Creates or resets the article's webshop record; nothing for an empty article number.
  void Prepare(const std::string& articleNumber, const std::string& shortText,
               const std::string& longText);

 private:
  TargetTable table_;
  RowRecord record_;
  ArticleLookup lookup_;
};

class SupplierRecords {
 public:
  explicit SupplierRecords(Connection& connection);
  // Creates or overwrites the article's supplier record (the first of the article, whatever its
  // supplier); nothing unless article number, supplier and order number are given. Without a
  // price the price fields stay empty.
  void Create(const std::string& articleNumber, const std::string& supplier,
              const std::string& supplierNumber, const std::string& orderNumber,
              const std::string& shortText, std::optional<double> price, const std::string& vatCode,
              const std::string& unit);

 private:
  TargetTable table_;
  RowRecord record_;
  ArticleLookup lookup_;
};

// The webshop caption: the short text, shortened to 61 characters and "..." from 65 characters on.
std::string WebshopCaption(const std::string& shortText);

}  // namespace velra
