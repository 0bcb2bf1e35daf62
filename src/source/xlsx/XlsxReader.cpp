#include "source/xlsx/XlsxReader.h"

#include <new>

#include "base/Text.h"
#include "source/SourceError.h"
#include "source/xlsx/XlsxPackage.h"
#include "source/xlsx/XlsxSharedStrings.h"
#include "source/xlsx/XlsxSheet.h"
#include "source/xlsx/XlsxStyles.h"
#include "source/xlsx/XlsxTexts.h"
#include "source/xlsx/XlsxWorkbookPart.h"

namespace velra {

namespace {

using namespace xlsx;

class XlsxWorkbook final : public SourceReader {
 public:
  explicit XlsxWorkbook(const std::string& path) : package_(path) {
    try {
      layout_ = ReadWorkbookLayout(package_);
    } catch (const std::bad_alloc&) {
      Throw(SourceErrorCode::TooLarge, kOutOfMemory, {path});
    }
  }

  std::vector<std::string> Tables() override {
    std::vector<std::string> names;
    for (const SheetPart& sheet : layout_.sheets) names.push_back(sheet.name);
    return names;
  }

  void Load(const std::string& table, const LoadOptions& options, SourceTable& out,
            LoadReport& report) override {
    const std::string& path = package_.Path();
    out.Clear();
    const SheetPart* sheet = FindSheet(table);
    if (!sheet) Throw(SourceErrorCode::TableMissing, kTableMissing, {path, table});
    zip_int64_t index = sheet->part.empty() ? -1 : package_.Locate(sheet->part);
    if (index < 0) Throw(SourceErrorCode::WrongFormat, kSheetPartMissing, {path, sheet->name});
    try {
      ReadStylesAndStrings();
      if (!LoadSheet(package_, *sheet, index, {strings_, styles_, layout_.date1904}, options, out,
                     report)) {
        out.Clear();
        report.cancelled = true;
      }
    } catch (const std::bad_alloc&) {
      out.Clear();
      Throw(SourceErrorCode::TooLarge, kOutOfMemory, {path});
    } catch (...) {
      out.Clear();
      throw;
    }
  }

 private:
  // Read with the first load, once for all sheets.
  void ReadStylesAndStrings() {
    if (detailsRead_) return;
    styles_ = ReadStyles(package_, layout_.stylesPart);
    strings_ = ReadSharedStrings(package_, layout_.stringsPart);
    detailsRead_ = true;
  }

  const SheetPart* FindSheet(const std::string& name) const {
    for (const SheetPart& sheet : layout_.sheets)
      if (sheet.name == name) return &sheet;
    for (const SheetPart& sheet : layout_.sheets)
      if (EqualsIgnoreCase(sheet.name, name)) return &sheet;
    return nullptr;
  }

  Package package_;
  WorkbookLayout layout_;
  bool detailsRead_ = false;
  SharedStrings strings_;
  std::vector<NumberKind> styles_;
};

}  // namespace

std::unique_ptr<SourceReader> OpenXlsxWorkbook(const std::string& path) {
  return std::make_unique<XlsxWorkbook>(path);
}

}  // namespace velra
