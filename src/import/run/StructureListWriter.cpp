// Structure lists of equipments: the position number in the company's position format.

#include "import/RecordCompletion.h"
#include "import/run/RecordWriter.h"

namespace velra {

namespace {

class StructureListWriter : public RecordWriter {
 public:
  explicit StructureListWriter(const WriterParts& parts) : parts_(parts) {}

  void Complete(uint32_t /*row*/) override {
    CompletePosition(parts_.scope.Record(), parts_.context.PositionFormat,
                     parts_.scope.Converter());
  }

 private:
  const WriterParts parts_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeStructureListWriter(const WriterParts& parts) {
  return std::make_unique<StructureListWriter>(parts);
}

}  // namespace velra
