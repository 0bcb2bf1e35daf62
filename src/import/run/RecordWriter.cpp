#include "import/run/RecordWriter.h"

namespace velra {

std::unique_ptr<RecordWriter> MakeRecordWriter(const WriterSetup& setup) {
  switch (setup.kind.family) {
    case Family::Customers:
      return MakeCustomerWriter(setup);
    case Family::Suppliers:
      return MakeSupplierWriter(setup);
    case Family::Articles:
      return MakeArticleWriter(setup);
    case Family::Stock:
      return MakeStockWriter(setup);
    case Family::StorageLocations:
      return MakeStorageLocationWriter(setup);
    case Family::StructureList:
      return MakeStructureListWriter(setup);
    case Family::Prices:
      return MakePriceWriter(setup);
    case Family::Webshop:
      return MakeWebshopWriter(setup);
    case Family::Plain:
      break;
  }
  return std::make_unique<RecordWriter>();  // the mapped columns only
}

}  // namespace velra
