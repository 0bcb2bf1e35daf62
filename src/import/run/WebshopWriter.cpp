// Webshop records: the templates of the shop's defaults where the file gives none.

#include "import/run/RecordWriter.h"

namespace velra {

namespace {

class WebshopWriter : public RecordWriter {
 public:
  explicit WebshopWriter(RowScope& scope) : scope_(scope) {}

  void Complete(uint32_t /*row*/) override {
    for (const char* field : {"TemplateDetails", "TemplateOptions"})
      if (scope_.Text(field).empty()) scope_.SetFixed(field, Value("default"));
  }

 private:
  RowScope& scope_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeWebshopWriter(const WriterSetup& setup) {
  return std::make_unique<WebshopWriter>(setup.scope);
}

}  // namespace velra
