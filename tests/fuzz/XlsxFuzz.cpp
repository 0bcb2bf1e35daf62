// Excel 2007-2019 workbooks. An input that starts with "PK" is taken as the workbook itself.
// Any other input is a flags byte and the parts of a workbook, separated by NUL: the first
// sheet, the shared strings, the styles, the workbook, the workbook's relationships and the
// second sheet; a part that is missing gets the usual content. They are packed into a zip
// (stored or deflated, by the flags) and read. See WorkbookCheck.h for the properties.

#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "WorkbookCheck.h"
#include "source/xlsx/XlsxReader.h"

using namespace velra;

namespace {

constexpr std::string_view kContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/></Types>)";
constexpr std::string_view kRootRelationships =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";
constexpr std::string_view kSheet =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)"
    R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="inlineStr"><is><t>Preis</t></is></c></row>)"
    R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="B2" s="1"><v>45292</v></c></row>)"
    R"(</sheetData></worksheet>)";
constexpr std::string_view kStrings =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="2" uniqueCount="2">)"
    R"(<si><t>Artikelnummer</t></si><si><r><t>A-</t></r><r><t>100</t></r></si></sst>)";
constexpr std::string_view kStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<numFmts count="1"><numFmt numFmtId="164" formatCode="dd/mm/yyyy"/></numFmts>)"
    R"(<cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="164"/></cellXfs></styleSheet>)";
constexpr std::string_view kWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<sheets><sheet name="Tabelle1" sheetId="1" r:id="rId1"/><sheet name="Tabelle2" sheetId="2" r:id="rId2"/></sheets></workbook>)";
constexpr std::string_view kWorkbookRelationships =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/>)"
    R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
    R"(<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(</Relationships>)";

std::string Pack(fuzz::InputReader& input) {
  const uint8_t flags = input.Byte();
  const std::string path = fuzz::ScratchFolder() + "/mappe.xlsx";
  std::remove(path.c_str());
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!zip) fuzz::Fail("cannot create the zip");
  std::vector<std::string> parts;
  auto add = [&](const char* name, std::string_view standard, bool present) {
    parts.push_back(present ? std::string(input.Until('\0')) : std::string(standard));
    const std::string& bytes = parts.back();
    zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
    zip_int64_t index = zip_file_add(zip, name, source, ZIP_FL_OVERWRITE);
    if (index < 0) fuzz::Fail("cannot add to the zip");
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index),
                             (flags & 1) ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 1);
  };
  parts.reserve(8);
  add("[Content_Types].xml", kContentTypes, false);
  add("_rels/.rels", kRootRelationships, false);
  add("xl/worksheets/sheet1.xml", kSheet, !input.Empty());
  add("xl/sharedStrings.xml", kStrings, !input.Empty());
  add("xl/styles.xml", kStyles, !input.Empty());
  add("xl/workbook.xml", kWorkbook, !input.Empty());
  add("xl/_rels/workbook.xml.rels", kWorkbookRelationships, !input.Empty());
  if (!input.Empty()) add("xl/worksheets/sheet2.xml", {}, true);
  if (zip_close(zip) != 0) fuzz::Fail("cannot write the zip");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string path;
  if (bytes.starts_with("PK")) {
    path = fuzz::WriteScratchFile("mappe.xlsx", bytes);
  } else {
    fuzz::InputReader input(data, size);
    path = Pack(input);
  }
  fuzz::CheckTables([&] { return OpenXlsxWorkbook(path); }, 4, true);
  return 0;
}
