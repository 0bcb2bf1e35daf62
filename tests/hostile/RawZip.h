#pragma once
// Writes zip archives byte by byte, for what no archive library writes on purpose: entries that
// inflate to gigabytes from a few megabytes, and headers that lie about the sizes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velra::test {

struct RawZipEntry {
  std::string name;
  std::string data;  // as stored in the archive: the raw deflate stream, or the bytes themselves
  bool deflated = false;
  uint32_t crc = 0;
  uint64_t size = 0;   // unpacked
  bool zip64 = false;  // sizes in the Zip64 extra field
  // What the headers claim instead of the true unpacked size (0: the truth).
  uint64_t claimedSize = 0;
};

// An entry stored as it is.
RawZipEntry StoredEntry(std::string name, std::string_view content);
// An entry deflated from head + `repeats` times `chunk` + tail, without the whole of it ever in
// memory: the chunk is compressed once after a full flush and its bytes repeated.
RawZipEntry RepeatedEntry(std::string name, std::string_view head, std::string_view chunk,
                          uint64_t repeats, std::string_view tail);
// Unpacks a deflated entry with zlib (for entries small enough to check).
std::string Inflate(const RawZipEntry& entry);

void WriteRawZip(const std::string& path, const std::vector<RawZipEntry>& entries);

// The parts of a workbook around the given sheet(s): _rels/.rels, the workbook naming each sheet,
// its relationships and, when given, the shared strings. `sheetNames[i]` lives in
// xl/worksheets/sheet<i+1>.xml, which the caller adds.
std::vector<RawZipEntry> WorkbookParts(const std::vector<std::string>& sheetNames,
                                       std::string_view sharedStrings = {});
// Text made safe for an XML attribute or element.
std::string XmlEscaped(std::string_view text);
// A worksheet with these rows of inline texts.
std::string SheetOfTexts(const std::vector<std::vector<std::string>>& rows);

}  // namespace velra::test
