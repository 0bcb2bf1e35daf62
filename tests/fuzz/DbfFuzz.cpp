// dBase tables. The input is a flags byte, the length of a memo file (two bytes), the length of
// a code page file (one byte), the memo file, the code page file and the table. Bits 0 and 1 of
// the flags say which memo file lies beside the table (none, .dbt, .fpt, both), bit 2 whether a
// .cpg does. See WorkbookCheck.h for the properties: the names come from the table's header,
// so the data must not depend on the names option at all.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "WorkbookCheck.h"
#include "source/dbf/DbfReader.h"

using namespace velra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint8_t flags = input.Byte();
  const uint16_t memoLength = input.Word();
  const uint8_t cpgLength = input.Byte();
  std::string_view memo = input.Take(memoLength);
  std::string_view cpg = input.Take(cpgLength);
  fuzz::ClearScratchFolder();
  if (flags & 1) fuzz::WriteScratchFile("artikel.dbt", memo);
  if (flags & 2) fuzz::WriteScratchFile("artikel.fpt", memo);
  if (flags & 4) fuzz::WriteScratchFile("artikel.cpg", cpg);
  const std::string path = fuzz::WriteScratchFile("artikel.dbf", input.Rest());
  fuzz::CheckTables([&] { return OpenDbfFolder(path); }, 2, false);
  return 0;
}
