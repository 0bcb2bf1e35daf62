#include "import/run/RecordWriter.h"

#include "import/ArticleRecords.h"

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

std::vector<std::string> TablesWrittenBesides(const DataKindInfo& kind,
                                              const ImportSettings& settings) {
  std::vector<std::string> tables;
  if (kind.family != Family::Articles) return tables;
  if (settings.webshop) tables.push_back(kWebshopTable);
  if (settings.createSupplier) tables.push_back(kArticleSuppliersTable);
  return tables;
}

}  // namespace velra
