// Structure lists of equipments: the position number in the company's position format.

#include "import/RecordCompletion.h"
#include "import/run/RecordWriter.h"

namespace velra {

namespace {

class StructureListWriter : public RecordWriter {
 public:
  explicit StructureListWriter(const WriterSetup& setup) : setup_(setup) {}

  void Complete(uint32_t /*row*/) override {
    CompletePosition(setup_.scope.Record(), setup_.context.PositionFormat,
                     setup_.scope.Converter());
  }

 private:
  const WriterSetup setup_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeStructureListWriter(const WriterSetup& setup) {
  return std::make_unique<StructureListWriter>(setup);
}

}  // namespace velra
