#include "import/run/RecordWriter.h"

namespace velra {

std::unique_ptr<RecordWriter> MakeRecordWriter(const WriterParts& parts) {
  switch (parts.kind.family) {
    case Family::Customers:
      return MakeCustomerWriter(parts);
    case Family::Suppliers:
      return MakeSupplierWriter(parts);
    case Family::Articles:
      return MakeArticleWriter(parts);
    case Family::Stock:
      return MakeStockWriter(parts);
    case Family::StorageLocations:
      return MakeStorageLocationWriter(parts);
    case Family::StructureList:
      return MakeStructureListWriter(parts);
    case Family::Prices:
      return MakePriceWriter(parts);
    case Family::Webshop:
      return MakeWebshopWriter(parts);
    case Family::Plain:
      break;
  }
  return std::make_unique<RecordWriter>();  // the mapped columns only
}

}  // namespace velra
