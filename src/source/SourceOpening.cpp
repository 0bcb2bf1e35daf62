#include "source/SourceOpening.h"

#include "source/SourceError.h"
#include "source/dbf/DbfReader.h"
#include "source/mdb/MdbReader.h"
#include "source/xls/XlsReader.h"
#include "source/xlsx/XlsxReader.h"

namespace velra {

std::unique_ptr<SourceReader> OpenDatabaseSource(SourceFormat format, const std::string& path) {
  switch (format) {
    case SourceFormat::Xls:
      return OpenXlsWorkbook(path);
    case SourceFormat::Xlsx:
      return OpenXlsxWorkbook(path);
    case SourceFormat::Dbf:
      return OpenDbfFolder(path);
    case SourceFormat::Mdb:
      return OpenAccessDatabase(path, "");
    default:
      throw SourceError(SourceErrorCode::Unsupported, "Textdateien haben keine Tabellen.");
  }
}

}  // namespace velra
