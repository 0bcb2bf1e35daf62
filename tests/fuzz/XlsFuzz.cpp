// Excel 97-2003 workbooks. An input that starts with the compound file signature is taken as
// the workbook itself; any other input is a flags byte and the workbook stream, which is put
// into a compound file (as "Workbook", or as Excel 95's "Book") and read. See WorkbookCheck.h
// for the properties.

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "WorkbookCheck.h"
#include "source/xls/XlsReader.h"

using namespace velra;

namespace {

std::string Pack(fuzz::InputReader& input) {
  static bool ready = [] {
    gsf_init();
    return true;
  }();
  (void)ready;
  const uint8_t flags = input.Byte();
  const std::string path = fuzz::ScratchFolder() + "/mappe.xls";
  GError* error = nullptr;
  GsfOutput* output = gsf_output_stdio_new(path.c_str(), &error);
  if (!output) fuzz::Fail("cannot create the compound file");
  GsfOutfile* compound = gsf_outfile_msole_new(output);
  GsfOutput* child = gsf_outfile_new_child(compound, (flags & 1) ? "Book" : "Workbook", FALSE);
  std::string_view stream = input.Rest();
  gsf_output_write(child, stream.size(), reinterpret_cast<const guint8*>(stream.data()));
  gsf_output_close(child);
  g_object_unref(child);
  gsf_output_close(GSF_OUTPUT(compound));
  g_object_unref(compound);
  g_object_unref(output);
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string path;
  if (bytes.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
    path = fuzz::WriteScratchFile("mappe.xls", bytes);
  } else {
    fuzz::InputReader input(data, size);
    path = Pack(input);
  }
  fuzz::CheckTables([&] { return OpenXlsWorkbook(path); }, 4, true);
  return 0;
}
