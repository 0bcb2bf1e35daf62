// Customers and suppliers: the number, bank data without blanks, the address block and the
// search name; a customer's address texts get their line breaks.

#include "import/Addresses.h"
#include "import/RecordCompletion.h"
#include "import/run/MasterRecord.h"
#include "import/run/RecordWriter.h"

namespace velra {

namespace {

class AddressWriter : public RecordWriter {
 public:
  // `addressField`: where the address block goes; `addressTexts`: the record has address texts
  // with line breaks written as "<br/>".
  AddressWriter(const WriterSetup& setup, const char* addressField, bool addressTexts)
      : setup_(setup), master_(setup), addressField_(addressField), addressTexts_(addressTexts) {}

  std::optional<Refusal> Start(uint32_t row) override { return master_.Start(row); }

  void Complete(uint32_t /*row*/) override {
    master_.KeepNumber();
    RowRecord& record = setup_.scope.Record();
    CompleteBankData(record);
    if (addressTexts_) CompleteAddressTexts(record);
    if (setup_.settings.generateAddress)
      setup_.scope.SetFixed(addressField_, Value(AddressBlock(record, setup_.context.Country)));
    if (std::optional<std::string> name = SearchName(record, setup_.settings.searchNameMode))
      setup_.scope.SetFixed("Matchcode", Value(*name));
  }

 private:
  const WriterSetup setup_;
  MasterRecord master_;
  const char* addressField_;
  bool addressTexts_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeCustomerWriter(const WriterSetup& setup) {
  return std::make_unique<AddressWriter>(setup, "InvoiceAddress", true);
}

std::unique_ptr<RecordWriter> MakeSupplierWriter(const WriterSetup& setup) {
  return std::make_unique<AddressWriter>(setup, "Address", false);
}

}  // namespace velra
