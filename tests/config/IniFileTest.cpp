#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/IniFile.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::ThrownMessage;
using test::WriteBytes;

class IniFileTest : public ::testing::Test {
 protected:
  std::string Write(std::string_view bytes) {
    WriteBytes(file_, bytes);
    return file_;
  }
  TempDir dir_;
  std::string file_ = dir_ / "test.ini";
};

TEST_F(IniFileTest, KeyedReadIgnoresCaseBlanksAndOnePairOfQuotes) {
  Write(
      "[Program]\r\n"
      "  Company  =  \"Müller GmbH\"  \r\n"
      "Single='x'\r\n"
      "Nested=\"'y'\"\r\n"
      "Unbalanced=\"z\r\n"
      "Empty=\r\n");
  EXPECT_EQ(ReadProfileString(file_, "PROGRAM", "company"), "Müller GmbH");
  EXPECT_EQ(ReadProfileString(file_, "program", "Single"), "x");
  EXPECT_EQ(ReadProfileString(file_, "program", "Nested"), "'y'");
  EXPECT_EQ(ReadProfileString(file_, "program", "Unbalanced"), "\"z");
  EXPECT_EQ(ReadProfileString(file_, "program", "Empty"), "");
  EXPECT_EQ(ReadProfileString(file_, "program", "Missing"), "");
  EXPECT_EQ(ReadProfileString(file_, "Other", "Company"), "");
  EXPECT_EQ(ReadProfileString(dir_ / "missing.ini", "program", "company"), "");
}

TEST_F(IniFileTest, KeyedReadTakesTheFirstSectionAndTheFirstKey) {
  Write("[a]\nk=1\nk=2\n[b]\nk=3\n[A]\nk=4\nonly=5\n");
  EXPECT_EQ(ReadProfileString(file_, "a", "k"), "1");
  EXPECT_EQ(ReadProfileString(file_, "b", "k"), "3");
  EXPECT_EQ(ReadProfileString(file_, "a", "only"), "");  // only the first [a] is searched
}

TEST_F(IniFileTest, ValuesAreCutToTheRoomOfTheRead) {
  const std::string longValue(2000, 'x');
  Write("[Positionstabellen]\r\nlong=" + longValue + "\r\numlaut=" + std::string(300, 'a') +
        "ä\r\n");
  EXPECT_EQ(ReadProfileString(file_, "Positionstabellen", "long"), std::string(254, 'x'));
  EXPECT_EQ(ReadProfileStringLong(file_, "Positionstabellen", "long"), std::string(1499, 'x'));
  // The room counts characters, so a multi-byte character is never cut in half.
  EXPECT_EQ(ReadProfileStringLong(file_, "Positionstabellen", "umlaut"),
            std::string(300, 'a') + "ä");
}

TEST_F(IniFileTest, LinesEndAtCrLfLfOrCr) {
  Write("[s]\r\na=1\nb=2\rc=3");
  EXPECT_EQ(ReadProfileString(file_, "s", "a"), "1");
  EXPECT_EQ(ReadProfileString(file_, "s", "b"), "2");
  EXPECT_EQ(ReadProfileString(file_, "s", "c"), "3");
}

TEST_F(IniFileTest, HeadersNeedANameAndCommentsAreNeitherHeadersNorKeys) {
  Write("[]\r\nx=0\r\n#[Hidden]\r\n[Real]\r\n#commented=1\r\n'also=2\r\nkey=3\r\n");
  EXPECT_EQ(GetSections(file_), (std::vector<std::string>{"Real"}));
  EXPECT_EQ(GetKeys(file_, "real"), (std::vector<std::string>{"key"}));
  EXPECT_FALSE(SectionExists(file_, "Hidden"));
  EXPECT_EQ(SectionCount(dir_ / "missing.ini"), 0);
}

TEST_F(IniFileTest, KeyNamesKeepTheirBlanksInTheOwnModule) {
  Write("[Firma]\r\n key =1\r\nother=2\r\n");
  EXPECT_EQ(GetKeys(file_, "FIRMA"), (std::vector<std::string>{" key ", "other"}));
  EXPECT_EQ(KeyCount(file_, "Firma"), 2);
  EXPECT_EQ(GetKeyName(file_, "Firma", 1), " key ");
  EXPECT_EQ(GetKeyName(file_, "Firma", 0), "");
  EXPECT_EQ(GetKeyName(file_, "Firma", 3), "");
  EXPECT_FALSE(KeyExists(file_, "Firma", "key"));
  DeleteKey(file_, "Firma", "key");
  EXPECT_EQ(KeyCount(file_, "Firma"), 2);  // the bare name does not match " key "
}

TEST_F(IniFileTest, DuplicateSectionsAreListedInFileOrder) {
  Write("[b]\n[a]\n[B]\n");
  EXPECT_EQ(GetSections(file_), (std::vector<std::string>{"b", "a", "B"}));
  EXPECT_EQ(SectionCount(file_), 3);
}

TEST_F(IniFileTest, DeleteKeyDropsEveryMatchingLineOfThatSectionOnly) {
  Write("[a]\r\nk=1\r\nK=2\r\nj=3\r\n[b]\r\nk=4\r\n");
  DeleteKey(file_, "A", "k");
  EXPECT_EQ(ReadBytes(file_), "[a]\r\nj=3\r\n[b]\r\nk=4\r\n");
}

TEST_F(IniFileTest, DeleteSectionKeepsCommentsAndBlankLinesOfTheOthers) {
  Write(
      "\r\n\r\n# Firmen\r\n[Alt]\r\npath=x\r\n\r\n[Neu]\r\n# "
      "Kommentar\r\npath=y\r\n\r\n[Rest]\r\na=1");
  DeleteSection(file_, "alt");
  // Empty lines before the first kept line go; the file ends with a line end.
  EXPECT_EQ(ReadBytes(file_),
            "# Firmen\r\n[Neu]\r\n# Kommentar\r\npath=y\r\n\r\n[Rest]\r\na=1\r\n");
}

TEST_F(IniFileTest, DeletingFromAMissingFileOrSectionChangesNothing) {
  DeleteSection(dir_ / "missing.ini", "a");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing.ini"));
  Write("\n\n[a]\nk=1\n");
  DeleteSection(file_, "b");
  DeleteKey(file_, "a", "missing");
  EXPECT_EQ(ReadBytes(file_), "\n\n[a]\nk=1\n");
}

TEST_F(IniFileTest, KeyedWriteReplacesInPlaceAndKeepsEverythingElse) {
  Write(
      "; "
      "Nummernkreise\r\n[NumberRange]\r\nCustomer=00041\r\nArticle=7\r\n\r\n[Token]\r\nCustomer="
      "KD\r\n");
  WriteProfileString(file_, "numberrange", "CUSTOMER", "00042");
  EXPECT_EQ(ReadBytes(file_),
            "; "
            "Nummernkreise\r\n[NumberRange]\r\nCustomer=00042\r\nArticle=7\r\n\r\n[Token]"
            "\r\nCustomer=KD\r\n");
}

TEST_F(IniFileTest, KeyedWriteAddsKeysAtTheEndOfTheirSectionAndNewSectionsAtTheEnd) {
  Write("[NumberRange]\nCustomer=1\n\n[Token]\nCustomer=KD\n");
  WriteProfileString(file_, "NumberRange", "Supplier", "70000");
  WriteProfileString(file_, "Counting", "Customer", "0");
  EXPECT_EQ(ReadBytes(file_),
            "[NumberRange]\nCustomer=1\nSupplier=70000\n\n[Token]\nCustomer=KD\n[Counting]"
            "\nCustomer=0\n");
}

TEST_F(IniFileTest, KeyedWriteCreatesAMissingFile) {
  WriteProfileString(file_, "Program", "Country", "DE");
  EXPECT_EQ(ReadBytes(file_), "[Program]\r\nCountry=DE\r\n");
}

TEST_F(IniFileTest, RewritesKeepTheEncodingTheFileWasReadWith) {
  Write("[Token]\r\nCustomer=K\xFCrzel\r\n");  // Windows-1252
  WriteProfileString(file_, "Token", "Supplier", "Lieferantenk\xC3\xBCrzel");
  EXPECT_EQ(ReadBytes(file_), "[Token]\r\nCustomer=K\xFCrzel\r\nSupplier=Lieferantenk\xFCrzel\r\n");
  EXPECT_EQ(ReadProfileString(file_, "Token", "Customer"), "Kürzel");

  Write("\xEF\xBB\xBF[Token]\nCustomer=Kürzel\n");  // UTF-8 with BOM and LF
  DeleteKey(file_, "Token", "Customer");
  EXPECT_EQ(ReadBytes(file_), "\xEF\xBB\xBF[Token]\n");
}

TEST_F(IniFileTest, AWriteThatCannotBeStoredSafelyLeavesTheFileAlone) {
  const std::string original = "[Token]\r\nCustomer=K\xFCrzel\r\n";
  Write(original);
  EXPECT_NE(ThrownMessage<ConfigError>([&] {
              WriteProfileString(file_, "Token", "Customer", "日本");
            }).find("test.ini"),
            std::string::npos);
  EXPECT_THROW(WriteProfileString(file_, "Token", "Customer", "x\r\n[Evil]"), ConfigError);
  EXPECT_THROW(WriteProfileString(file_, "Token", "a=b", "x"), ConfigError);
  EXPECT_EQ(ReadBytes(file_), original);
}

TEST_F(IniFileTest, AKeyThatWouldMakeItsLineACommentIsRefused) {
  const std::string original = "[Token]\r\nCustomer=KD\r\n";
  Write(original);
  for (const char* key : {"#Customer", "'Customer", " #x"})
    EXPECT_THROW(WriteProfileString(file_, "Token", key, "v"), ConfigError) << key;
  EXPECT_EQ(ReadBytes(file_), original);
  // Inside the name these characters are harmless.
  WriteProfileString(file_, "Token", "Nr#1", "v");
  EXPECT_EQ(ReadProfileString(file_, "Token", "Nr#1"), "v");
}

TEST_F(IniFileTest, RewritesGoThroughATemporaryFileAndKeepPermissions) {
  Write("[a]\nk=1\n");
  ::chmod(file_.c_str(), 0640);
  WriteProfileString(file_, "a", "k", "2");
  struct stat info {};
  ASSERT_EQ(::stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
    ++entries;
  EXPECT_EQ(entries, 1u);  // no temporary file left behind
}

TEST_F(IniFileTest, AFailedWriteNamesTheFile) {
  std::string error = ThrownMessage<ConfigError>(
      [&] { WriteProfileString(dir_ / "missing/options.afk", "a", "k", "2"); });
  EXPECT_NE(error.find("missing/options.afk"), std::string::npos) << error;
}

TEST_F(IniFileTest, GarbageAndSpecialFilesReadAsEmpty) {
  Write(std::string("\0\x01\xFF[x\x00]=", 9));
  EXPECT_EQ(ReadProfileString(file_, "x", ""), "");
  EXPECT_TRUE(GetSections(file_).empty());
  std::string error = ThrownMessage<ConfigError>([] { IniDocument::Load("/dev/zero"); });
  EXPECT_NE(error.find("/dev/zero"), std::string::npos);
  EXPECT_EQ(ReadProfileString(dir_.Path(), "a", "b"), "");  // a folder
}

}  // namespace
}  // namespace velra
