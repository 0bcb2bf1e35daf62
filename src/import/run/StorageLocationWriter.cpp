// Storage locations: a location read from a file has no warehouseman and no address yet.

#include "import/run/RecordWriter.h"

namespace velra {

namespace {

class StorageLocationWriter : public RecordWriter {
 public:
  explicit StorageLocationWriter(RowScope& scope) : scope_(scope) {}

  std::optional<Refusal> Start(uint32_t /*row*/) override {
    scope_.SetFixed("Warehouseman", Value(""));
    scope_.SetFixed("Address", Value(""));
    return std::nullopt;
  }

 private:
  RowScope& scope_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeStorageLocationWriter(const WriterSetup& setup) {
  return std::make_unique<StorageLocationWriter>(setup.scope);
}

}  // namespace velra
