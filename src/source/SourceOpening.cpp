#include "source/SourceOpening.h"

#include <algorithm>

#include "base/Text.h"
#include "source/SourceError.h"
#include "source/SourceTexts.h"
#include "source/dbf/DbfReader.h"
#include "source/mdb/MdbReader.h"
#include "source/xls/XlsReader.h"
#include "source/xlsx/XlsxReader.h"

namespace velra {

std::unique_ptr<SourceReader> OpenDatabaseSource(SourceFormat format, const std::string& path,
                                                 const std::string& password) {
  switch (format) {
    case SourceFormat::Xls:
      return OpenXlsWorkbook(path);
    case SourceFormat::Xlsx:
      return OpenXlsxWorkbook(path);
    case SourceFormat::Dbf:
      return OpenDbfFolder(path);
    case SourceFormat::Mdb:
      return OpenAccessDatabase(path, password);
    case SourceFormat::Txt:
    case SourceFormat::Csv:
      break;
  }
  throw SourceError(SourceErrorCode::Unsupported, "Textdateien haben keine Tabellen.");
}

std::string LoadSource(const SourceRequest& request, SourceTable& out, LoadReport& report) {
  out.Clear();
  if (!InfoOf(request.format).isDatabase) {
    LoadTextFile(request.path, request.text, out, report);
    return {};
  }
  std::unique_ptr<SourceReader> reader =
      OpenDatabaseSource(request.format, request.path, request.password);
  std::vector<std::string> tables = reader->Tables();
  std::string table = request.table;
  if (table.empty()) table = reader->ChosenTable();
  if (table.empty() && !tables.empty()) table = tables.front();
  if (std::find(tables.begin(), tables.end(), table) == tables.end())
    throw SourceError(SourceErrorCode::TableMissing,
                      table.empty() ? Fill(source_texts::kNoTable, {request.path})
                                    : Fill(source_texts::kTableMissing, {request.path, table}));
  LoadOptions options;
  options.firstRowHasNames = request.text.firstRowHasNames;
  options.progress = request.text.progress;
  options.encoding = request.text.encoding;
  reader->Load(table, options, out, report);
  return table;
}

}  // namespace velra
