// Workbooks built to exhaust memory or time: archives that inflate to gigabytes, entity
// expansion, shared-string tables that lie about their size. Each load runs in a child process
// with a time limit and a heap limit, so a failure shows as a crash, a hang or a blow-up.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Isolated.h"
#include "RawZip.h"
#include "TestSupport.h"
#include "source/SourceError.h"
#include "source/SourceOpening.h"

namespace velra {
namespace {

using test::IsolatedOutcome;
using ::testing::HasSubstr;

constexpr size_t kHeapLimit = 512u * 1024u * 1024u;

constexpr uint64_t kGigabyte = 1024ull * 1024ull * 1024ull;
const char kSheetHead[] =
    "<?xml version=\"1.0\"?><worksheet "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
    "<row r=\"1\"><c t=\"inlineStr\"><is><t>Nr</t></is></c></row>";
const char kSheetTail[] = "</sheetData></worksheet>";

// 64 KB of well-formed filler that costs the parser almost nothing per byte, so that only the
// amount unpacked can stop it.
std::string Filler() {
  std::string comment = "<!--" + std::string(1016, 'A') + "-->";
  std::string chunk;
  while (chunk.size() < 64 * 1024) chunk += comment;
  return chunk;
}

// Loads the first sheet of the workbook in a child; the text is the row count when it loaded.
IsolatedOutcome LoadIsolated(const std::string& path, size_t heapLimit = kHeapLimit) {
  return test::RunIsolated(
      [&] {
        SourceRequest request;
        request.format = SourceFormat::Xlsx;
        request.path = path;
        SourceTable table;
        LoadReport report;
        LoadSource(request, table, report);
        std::string text = std::to_string(table.RowCount()) + " rows";
        for (const SourceWarning& warning : report.warnings) text += "\n" + warning.text;
        return text;
      },
      test::kHangLimit, heapLimit);
}

class HostileXlsxTest : public ::testing::Test {
 protected:
  void Write(const std::vector<test::RawZipEntry>& entries) { test::WriteRawZip(file_, entries); }
  test::TempDir dir_;
  std::string file_ = dir_ / "mappe.xlsx";
};

TEST_F(HostileXlsxTest, ASheetThatInflatesToGigabytesIsRefusedEarly) {
  const std::string filler = Filler();
  const uint64_t repeats = 10 * kGigabyte / filler.size();
  test::RawZipEntry bomb =
      test::RepeatedEntry("xl/worksheets/sheet1.xml", kSheetHead, filler, repeats, kSheetTail);
  ASSERT_TRUE(bomb.zip64);
  ASSERT_LT(bomb.data.size(), 40u * 1024 * 1024) << "the archive itself should stay small";
  {  // the stream is what it claims to be
    test::RawZipEntry sample = test::RepeatedEntry("x", kSheetHead, filler, 3, kSheetTail);
    ASSERT_EQ(test::Inflate(sample), kSheetHead + filler + filler + filler + kSheetTail);
  }

  // Honest headers (Zip64, 10 GB), and headers that claim a small sheet.
  for (uint64_t claimed : {uint64_t{0}, uint64_t{4096}}) {
    SCOPED_TRACE(claimed ? "claimed 4 KB" : "claimed 10 GB");
    std::vector<test::RawZipEntry> parts = test::WorkbookParts({"Daten"});
    bomb.claimedSize = claimed;
    bomb.zip64 = claimed == 0;
    parts.push_back(bomb);
    Write(parts);
    IsolatedOutcome outcome = LoadIsolated(file_);
    ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr("Fehlernummer: 3004"));
    EXPECT_THAT(outcome.text, HasSubstr("'xl/worksheets/sheet1.xml' entpackt mehr als"));
    EXPECT_THAT(outcome.text, HasSubstr("beschädigte oder manipulierte Datei"));
  }
}

TEST_F(HostileXlsxTest, SharedStringsThatInflateToGigabytesAreRefusedToo) {
  const std::string item = "<si><t>" + std::string(1000, 'x') + "</t></si>";
  std::string chunk;
  while (chunk.size() < 64 * 1024) chunk += item;
  test::RawZipEntry bomb = test::RepeatedEntry(
      "xl/sharedStrings.xml", "<?xml version=\"1.0\"?><sst count=\"1\" uniqueCount=\"1\">", chunk,
      3 * kGigabyte / 2 / chunk.size(), "</sst>");
  std::vector<test::RawZipEntry> parts = test::WorkbookParts({"Daten"}, "<sst/>");
  parts.back() = bomb;  // in place of the small shared strings
  parts.push_back(
      test::StoredEntry("xl/worksheets/sheet1.xml", test::SheetOfTexts({{"Nr"}, {"1"}})));
  Write(parts);
  // The texts' own limit (256 MB for a file this small) stops it before the heap runs out; the
  // pool of texts grows by doubling, so the heap may briefly hold up to three times that.
  IsolatedOutcome outcome = LoadIsolated(file_, 1024u * 1024u * 1024u);
  ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
  EXPECT_THAT(outcome.text, HasSubstr("Fehlernummer: 3004"));
  EXPECT_THAT(outcome.text, HasSubstr("wird nicht geladen, weil ihre Daten mehr als 256 MB "
                                      "Arbeitsspeicher bräuchten"));
}

TEST_F(HostileXlsxTest, EntityExpansionIsRefusedBeforeAnythingIsExpanded) {
  // A billion laughs in each part the reader reads, and an external entity that names a file.
  std::string laughs = "<!DOCTYPE lolz [<!ENTITY lol \"lol\">";
  for (int level = 2; level <= 10; ++level) {
    laughs += "<!ENTITY lol" + std::to_string(level) + " \"";
    for (int i = 0; i < 10; ++i)
      laughs += "&lol" + (level == 2 ? std::string() : std::to_string(level - 1)) + ";";
    laughs += "\">";
  }
  laughs += "]>";
  const std::string external = "<!DOCTYPE x [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]>";
  struct Case {
    const char* part;
    std::string doctype;
  };
  for (const Case& hostile :
       {Case{"xl/worksheets/sheet1.xml", laughs}, Case{"xl/sharedStrings.xml", laughs},
        Case{"xl/workbook.xml", laughs}, Case{"xl/worksheets/sheet1.xml", external}}) {
    SCOPED_TRACE(hostile.part);
    std::vector<test::RawZipEntry> parts =
        test::WorkbookParts({"Daten"}, "<sst><si><t>&lol10;</t></si></sst>");
    parts.push_back(test::StoredEntry("xl/worksheets/sheet1.xml", test::SheetOfTexts({{"Nr"}})));
    for (test::RawZipEntry& part : parts) {
      if (part.name != hostile.part) continue;
      std::string content = part.data;
      size_t afterDeclaration = content.starts_with("<?xml") ? content.find("?>") + 2 : 0;
      content.insert(afterDeclaration, hostile.doctype);
      part = test::StoredEntry(part.name, content);
    }
    Write(parts);
    IsolatedOutcome outcome = LoadIsolated(file_);
    ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr("Dokumenttypdefinition (DTD)"));
    EXPECT_THAT(outcome.text, HasSubstr(hostile.part));
    EXPECT_LT(outcome.peakKilobytes, 256 * 1024) << outcome.Describe();
  }

  // Without a DTD there are no entities besides the predefined ones: a reference stays text.
  std::vector<test::RawZipEntry> parts = test::WorkbookParts({"Daten"});
  parts.push_back(test::StoredEntry(
      "xl/worksheets/sheet1.xml",
      "<?xml version=\"1.0\"?><worksheet><sheetData><row><c t=\"inlineStr\"><is><t>Nr</t></is>"
      "</c></row><row><c t=\"inlineStr\"><is><t>&lol9;&amp;&#x41;</t></is></c></row>"
      "</sheetData></worksheet>"));
  Write(parts);
  SourceRequest request;
  request.format = SourceFormat::Xlsx;
  request.path = file_;
  SourceTable table;
  LoadReport report;
  LoadSource(request, table, report);
  ASSERT_EQ(table.RowCount(), 1u);
  EXPECT_EQ(table.Get(1, 1), Value("&lol9;&A"));
}

TEST_F(HostileXlsxTest, SharedStringCountsAndIndexesBeyondTheTable) {
  // The count claims four billion texts; the table holds two. Cells point far beyond it.
  std::vector<test::RawZipEntry> parts = test::WorkbookParts(
      {"Daten"},
      "<sst count=\"4294967295\" uniqueCount=\"4294967295\"><si><t>Nr</t></si><si><t>eins</t>"
      "</si></sst>");
  parts.push_back(test::StoredEntry("xl/worksheets/sheet1.xml",
                                    "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c></row>"
                                    "<row><c t=\"s\"><v>1</v></c></row>"
                                    "<row><c t=\"s\"><v>4294967294</v></c></row>"
                                    "<row><c t=\"s\"><v>18446744073709551615</v></c></row>"
                                    "<row><c t=\"s\"><v>99999999999999999999999</v></c></row>"
                                    "<row><c t=\"s\"><v>-1</v></c></row></sheetData></worksheet>"));
  Write(parts);
  IsolatedOutcome outcome = LoadIsolated(file_);
  ASSERT_TRUE(outcome.Returned()) << outcome.Describe();
  EXPECT_LT(outcome.peakKilobytes, 256 * 1024) << outcome.Describe();
  // Every row is kept; each dangling reference is named.
  EXPECT_THAT(outcome.text, HasSubstr("5 rows"));
  size_t dangling = 0;
  for (size_t at = outcome.text.find("verweist auf einen Text, den es in der Datei nicht gibt");
       at != std::string::npos; at = outcome.text.find("verweist auf einen Text", at + 1))
    ++dangling;
  EXPECT_EQ(dangling, 4u) << outcome.text;
}

}  // namespace
}  // namespace velra
