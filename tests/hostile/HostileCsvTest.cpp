// Text files built to exhaust memory or to smuggle bytes into the table: a 200 MB line, a line of
// millions of values, 100,000 columns, NUL bytes, invalid UTF-8. Loads of large files run in a
// child with a heap limit well below the file's size.

#include <fcntl.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Isolated.h"
#include "TestSupport.h"
#include "base/Encoding.h"
#include "source/SourceError.h"
#include "source/csv/CsvReader.h"

namespace velra {
namespace {

using test::IsolatedOutcome;
using ::testing::HasSubstr;

constexpr size_t kMegabyte = 1024 * 1024;

// Writes head, then `size` bytes repeating `pattern`, then tail, without holding it in memory.
void WriteLarge(const std::string& path, std::string_view head, std::string_view pattern,
                size_t size, std::string_view tail) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  std::string block;
  while (block.size() < kMegabyte) block += pattern;
  block.resize(kMegabyte / pattern.size() * pattern.size());
  ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
  for (size_t done = 0; done < size;) {
    size_t piece = std::min(block.size(), size - done);
    ASSERT_EQ(::write(fd, block.data(), piece), static_cast<ssize_t>(piece));
    done += piece;
  }
  ASSERT_EQ(::write(fd, tail.data(), tail.size()), static_cast<ssize_t>(tail.size()));
  ::close(fd);
}

class HostileCsvTest : public ::testing::Test {
 protected:
  // Loads the file in a child with a heap far below its size: the row count, then the notes.
  IsolatedOutcome LoadIsolated(size_t heapLimit, TextOptions options = {}) {
    return test::RunIsolated(
        [&] {
          SourceTable table;
          LoadReport report;
          LoadTextFile(file_, options, table, report);
          std::string text = std::to_string(table.RowCount()) + " rows";
          for (const SourceWarning& warning : report.warnings) text += "\n" + warning.text;
          return text;
        },
        test::kHangLimit, heapLimit);
  }
  SourceTable Load(std::string_view bytes, TextOptions options = {}) {
    test::WriteBytes(file_, bytes);
    SourceTable table;
    report_ = LoadReport();
    LoadTextFile(file_, options, table, report_);
    return table;
  }
  test::TempDir dir_;
  std::string file_ = dir_ / "daten.csv";
  LoadReport report_;
};

TEST_F(HostileCsvTest, A200MegabyteLineIsRefusedWithoutBeingHeldInMemory) {
  struct Case {
    const char* what;
    std::string head, pattern, tail;
  };
  const std::vector<Case> cases = {
      {"one value without a line break", "Nr;Text\n1;", "x", ""},
      {"a qualified value closed at the end", "Nr;Text\n1;\"", "x", "\"\n2;b\n"},
      {"a value after its closing qualifier", "Nr;Text\n1;\"a\"", "x", "\n"},
      {"a qualifier that never closes", "Nr;Text\n1;\"", "x", ""},
      {"millions of values on one line", "Nr;Text\n", "1;", "\n"},
  };
  for (const Case& hostile : cases) {
    SCOPED_TRACE(hostile.what);
    WriteLarge(file_, hostile.head, hostile.pattern, 200 * kMegabyte, hostile.tail);
    // The file is mapped, not read: 200 MB of it need no heap.
    IsolatedOutcome outcome = LoadIsolated(96 * kMegabyte);
    ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr("Fehlernummer: 3004"));
    EXPECT_THAT(outcome.text, HasSubstr("daten.csv' hat in Zeile 2"));
    EXPECT_THAT(outcome.text, testing::AnyOf(HasSubstr("einen Datensatz von mehr als 64 MB"),
                                             HasSubstr("mehr als 16384 Spalten")));
  }
}

TEST_F(HostileCsvTest, AHundredThousandColumnsAreRefusedWithTheirLine) {
  std::string names, values;
  for (int i = 1; i <= 100000; ++i) {
    names += (i > 1 ? ";" : "") + std::string("Spalte") + std::to_string(i);
    values += (i > 1 ? ";" : "") + std::to_string(i);
  }
  for (bool header : {true, false}) {
    SCOPED_TRACE(header ? "with names" : "without names");
    TextOptions options;
    options.firstRowHasNames = header;
    test::WriteBytes(file_, header ? names + "\n" + values + "\n" : "A;B\n1;2\n" + values + "\n");
    IsolatedOutcome outcome = LoadIsolated(256 * kMegabyte, options);
    ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr(header ? "in Zeile 1 mehr als 16384 Spalten"
                                               : "in Zeile 3 mehr als 16384 Spalten"));
  }
  // Within the limit the widest sheet loads.
  std::string widest;
  for (int i = 1; i <= 16384; ++i) widest += (i > 1 ? ";" : "") + std::to_string(i);
  SourceTable table = Load(widest + "\n" + widest + "\n");
  EXPECT_EQ(table.ColumnCount(), 16384u);
  EXPECT_EQ(table.Get(16384, 1), Value("16384"));
}

TEST_F(HostileCsvTest, NulBytesMakeTheFileBinaryWithOneMessage) {
  for (std::string_view bytes :
       {std::string_view("Nr;Text\n1;ab\0cd\n2;ok\n", 21),
        std::string_view("Nr;Text\n1;\"a\0\"\n", 15), std::string_view("Nr\0;Text\n", 9)}) {
    try {
      Load(bytes);
      ADD_FAILURE() << "loaded";
    } catch (const SourceError& e) {
      EXPECT_EQ(e.Code(), SourceErrorCode::WrongFormat);
      EXPECT_THAT(std::string(e.what()), HasSubstr("enthält Binärdaten"));
    }
  }
  // In UTF-16 a NUL byte is half of most characters, not binary data; a NUL character is.
  auto utf16 = [](std::string_view text) {
    std::string bytes("\xFF\xFE", 2);
    for (char c : text) {
      bytes += c;
      bytes += '\0';
    }
    return bytes;
  };
  SourceTable table = Load(utf16("Nr;Text\n1;ab\n"));
  ASSERT_EQ(table.RowCount(), 1u);
  EXPECT_EQ(table.Get(2, 1), Value("ab"));
  EXPECT_THROW(Load(utf16(std::string_view("Nr;Text\n1;a\0b\n", 14))), SourceError);
}

TEST_F(HostileCsvTest, InvalidUtf8NeverReachesTheTable) {
  // Stray continuation bytes, overlong forms, encoded surrogates, code points beyond Unicode,
  // a sequence cut off by the line end and one cut off by the end of the file.
  const std::string hostile =
      "Nr;Text\n"
      "1;\x80\xBF\n"
      "2;\xC0\xAF/\xE0\x80\xAF\n"
      "3;\xED\xA0\x80\xED\xBF\xBF\n"
      "4;\xF4\x90\x80\x80\xF8\x88\x80\x80\x80\n"
      "5;ab\xE2\x82\n"
      "6;gut\n"
      "7;\xF0\x9F\x98";
  for (const char* encoding : {"auto", "utf-8"}) {
    SCOPED_TRACE(encoding);
    TextOptions options;
    options.encoding = encoding;
    SourceTable table = Load(hostile, options);
    ASSERT_EQ(table.RowCount(), 7u);
    for (size_t r = 1; r <= table.RowCount(); ++r)
      for (size_t c = 1; c <= table.ColumnCount(); ++c)
        EXPECT_TRUE(IsValidUtf8(table.TextAt(c, r))) << "row " << r << " column " << c;
    EXPECT_EQ(table.Get(2, 6), Value("gut"));
    // Every byte is still there, as a Windows-1252 character.
    EXPECT_EQ(table.Get(2, 5), Value("ab\xC3\xA2\xE2\x80\x9A"));
  }
  // Read as UTF-8 where it can be, every damaged row is named.
  TextOptions utf8;
  utf8.encoding = "utf-8";
  Load(hostile, utf8);
  std::vector<uint32_t> lines;
  for (const SourceWarning& warning : report_.warnings) lines.push_back(warning.line);
  EXPECT_EQ(lines, (std::vector<uint32_t>{2, 3, 4, 5, 6, 8}));
}

}  // namespace
}  // namespace velra
