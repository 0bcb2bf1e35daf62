#include <gtest/gtest.h>

#include "base/Encoding.h"
#include "base/Paths.h"
#include "base/Text.h"

namespace velra {
namespace {

TEST(TextServices, LastPositionCountsCharactersAndUsesTheFirstCharacterOnly) {
  EXPECT_EQ(LastPosition("C:\\Bilder\\a.jpg", "\\"), 10);
  EXPECT_EQ(LastPosition("abc", "x"), 0);
  EXPECT_EQ(LastPosition("abc", ""), 0);
  EXPECT_EQ(LastPosition("a/b/c", "/xyz"), 4);
  EXPECT_EQ(LastPosition("Müller/Äpfel", "/"), 7);  // umlauts count as one character
}

TEST(TextServices, FolderAndFileNameAcceptBothSeparators) {
  EXPECT_EQ(FolderOf("bild.jpg"), "");
  EXPECT_EQ(FileNameOf("bild.jpg"), "bild.jpg");
  EXPECT_EQ(FolderOf("/srv/bilder/a.jpg"), "/srv/bilder");
  EXPECT_EQ(FileNameOf("C:\\Bilder\\a.jpg"), "a.jpg");
  EXPECT_EQ(FolderOf("C:\\Bilder\\a.jpg"), "C:\\Bilder");
}

TEST(TextServices, PathJoinPutsExactlyOneSeparatorBetween) {
  EXPECT_EQ(PathJoin("/opt/velra/", "/velra.var"), "/opt/velra/velra.var");
  EXPECT_EQ(PathJoin("/opt/velra", "velra.var"), "/opt/velra/velra.var");
  EXPECT_EQ(PathJoin("C:\\Velra\\", "\\x.ini"), "C:\\Velra\\x.ini");
  EXPECT_EQ(NormaliseFolder("C:\\Velra\\Firmen"), "C:/Velra/Firmen/");
  EXPECT_EQ(NormaliseFolder(""), "");
}

TEST(TextServices, CaseFoldingCoversUmlautsButNotSharpSExpansion) {
  EXPECT_TRUE(EqualsIgnoreCase("ÄRGER", "ärger"));
  EXPECT_TRUE(EqualsIgnoreCase("Positionstabellen", "POSITIONSTABELLEN"));
  EXPECT_FALSE(EqualsIgnoreCase("Straße", "Strasse"));
  EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
  EXPECT_EQ(ToUpper("at"), "AT");
  EXPECT_EQ(ToUpper("österreich"), "ÖSTERREICH");
}

// A file name or value holding "%2" must not be filled again by the next placeholder.
TEST(TextServices, FillReplacesEachPlaceholderOnceInOnePass) {
  EXPECT_EQ(Fill("%1 Zeilen wurden in '%2' gespeichert.", {"3", "a%2b.csv"}),
            "3 Zeilen wurden in 'a%2b.csv' gespeichert.");
  EXPECT_EQ(Fill("%2 vor %1, %3 bleibt", {"x", "y"}), "y vor x, %3 bleibt");
}

TEST(TextServices, LeadingIntegerReadsLikeTheSuite) {
  EXPECT_EQ(LeadingInteger(" 1 "), 1);
  EXPECT_EQ(LeadingInteger("-3"), -3);
  EXPECT_EQ(LeadingInteger("2abc"), 2);
  EXPECT_EQ(LeadingInteger("abc"), std::nullopt);
  EXPECT_EQ(LeadingInteger(""), std::nullopt);
  EXPECT_EQ(LeadingInteger("99999999999999999999999"), std::nullopt);
}

TEST(TextServices, CharacterCutsNeverSplitAUtf8Sequence) {
  EXPECT_EQ(FirstCharacters("Müller", 2), "Mü");
  EXPECT_EQ(CharacterCount("Müller"), 6u);
  EXPECT_EQ(Split("a;;b", ";"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(Split("a;b", ""), (std::vector<std::string>{"a;b"}));
}

TEST(TextServices, FileNamesThatCannotNameACompanyFile) {
  // Everyday firm names are file names here, whatever Windows forbids.
  for (const char* good :
       {"Müller & Söhne GmbH", "Elektro Huber e.K.", "GmbH & Co. KG.", "Name mit Blank ", "a:b",
        "a*?", "\"Zitat\" <x> | y", "...", ".versteckt"})
    EXPECT_TRUE(IsSafeFileName(good)) << good;
  // What would leave the folder or cannot be a name at all.
  for (const char* bad : {"", ".", "..", "a/b", "../x", "a\\b", "tab\there", "del\x7F"})
    EXPECT_FALSE(IsSafeFileName(bad)) << bad;
}

TEST(Encodings, Windows1252RoundTripsItsOwnCharacters) {
  const std::string cp1252 =
      "Gr\xFC\xDF"
      "e \x80 \x84\x93";  // Grüße € „“
  const std::string utf8 = Windows1252ToUtf8(cp1252);
  EXPECT_EQ(utf8, "Grüße € „“");
  EXPECT_EQ(Utf8ToWindows1252(utf8), cp1252);
  EXPECT_EQ(Utf8ToWindows1252("日本"), std::nullopt);
}

TEST(Encodings, DetectionPrefersUtf8AndDropsTheBom) {
  TextEncoding detected{};
  EXPECT_EQ(DecodeText("\xEF\xBB\xBFK\xC3\xBCrzel", detected), "Kürzel");
  EXPECT_EQ(detected, TextEncoding::Utf8WithBom);
  EXPECT_EQ(DecodeText("K\xC3\xBCrzel", detected), "Kürzel");
  EXPECT_EQ(detected, TextEncoding::Utf8);
  EXPECT_EQ(DecodeText("K\xFCrzel", detected), "Kürzel");
  EXPECT_EQ(detected, TextEncoding::Windows1252);
  EXPECT_FALSE(IsValidUtf8("\xC3"));  // truncated sequence
}

}  // namespace
}  // namespace velra
