#include "profile/ImportProfile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"

namespace velra {
namespace {

// A profile in which every value differs from its default.
ImportProfile FullProfile() {
  ImportProfile p;
  p.datenart = DataKind::Equipments;
  p.kindName = "Artikellieferanten";
  p.format = "XLSX";
  p.table = "Tabelle 2";
  p.separator = "\t";
  p.qualifier = "'";
  p.lineBreakToken = "||";
  p.firstRowHasNames = false;
  p.encoding = "windows-1252";
  ImportSettings& s = p.settings;
  s.datenart = DataKind::Equipments;
  s.synchronisationField = "ArtikelNr";
  s.synchronise = true;
  s.autoNumber = false;
  s.active = false;
  s.rebate = true;
  s.pos = true;
  s.webshop = true;
  s.createSupplier = true;
  s.defaultArticleType = true;
  s.articleType = "Dienstleistung";
  s.defaultTaxKey = true;
  s.taxKey = "2";
  s.defaultUnit = true;
  s.unit = "Stück";
  s.defaultStorage = true;
  s.storage = "Hauptlager/Regal 3";
  s.priceMode = 2;
  s.generateAddress = false;
  s.searchNameMode = 4;
  p.deleteAll = true;
  p.columns = {{"Straße", "Strasse"},
               {"EK \"netto\"", "PurchasePrice"},
               {"Pfad\\Bild", "Picture"},
               {"A", "Name"}};
  return p;
}

// Two profiles are the same when they save to the same text; the kind of the settings follows
// the profile's kind.
void ExpectSameProfile(const ImportProfile& a, const ImportProfile& b) {
  EXPECT_EQ(ProfileToJson(a), ProfileToJson(b));
  EXPECT_EQ(a.settings.datenart, b.settings.datenart);
}

// The error of a text that must be refused; fails when a profile came back.
std::string Refusal(const std::string& text) {
  ProfileLoad load = ProfileFromJson(text, "monat.json");
  EXPECT_FALSE(load.profile.has_value()) << text;
  EXPECT_FALSE(load.migrated());
  return load.error;
}

TEST(ImportProfile, SavedProfileLoadsWithEveryValue) {
  test::TempDir dir;
  std::string path = dir / "Monatsimport.json";
  ImportProfile saved = FullProfile();
  ASSERT_EQ(SaveProfile(path, saved), "");

  ProfileLoad load = LoadProfile(path);
  ASSERT_TRUE(load.profile) << load.error;
  EXPECT_EQ(load.error, "");
  EXPECT_EQ(load.fileVersion, ImportProfile::kVersion);
  EXPECT_FALSE(load.migrated());
  ExpectSameProfile(*load.profile, saved);

  // Saving again replaces the file and leaves no temporary file behind.
  saved.columns.pop_back();
  ASSERT_EQ(SaveProfile(path, saved), "");
  ExpectSameProfile(*LoadProfile(path).profile, saved);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

// Text from the file is taken the same way it is saved: format in capitals, encoding in small
// letters.
TEST(ImportProfile, FormatAndEncodingAreSavedAsTheyAreRead) {
  ImportProfile p;
  p.format = "csv";
  p.encoding = "UTF-8";
  const std::string json = ProfileToJson(p);
  EXPECT_NE(json.find("\"format\": \"CSV\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"encoding\": \"utf-8\""), std::string::npos) << json;
  ProfileLoad load = ProfileFromJson(json, "x");
  ASSERT_TRUE(load.profile) << load.error;
  EXPECT_EQ(ProfileToJson(*load.profile), json);
}

TEST(ImportProfile, MissingKeysTakeDefaultsAndUnknownKeysAreIgnored) {
  ProfileLoad load = ProfileFromJson(
      R"({"version": 2, "source": {"format": "xls"}, "comment": "von Hand", "settings": {}})", "x");
  ASSERT_TRUE(load.profile) << load.error;
  ImportProfile expected;
  expected.format = "XLS";
  ExpectSameProfile(*load.profile, expected);
}

TEST(ImportProfile, Version1IsMigrated) {
  test::TempDir dir;
  std::string path = dir / "alt.json";
  test::WriteBytes(path, R"({
    "version": 1,
    "kind": 3,
    "source": {"format": "dbf", "table": "KUNDEN", "separator": ",", "qualifier": "",
               "lineBreakToken": "", "firstRowHasNames": false},
    "settings": {"synchronise": true, "synchronisationField": "KundenNr", "searchNameMode": 2,
                 "deleteAll": true},
    "mapping": {"Zname": "Name1", "Anrede": "Anrede", "Kd-Nr": "KundenNr"}
  })");
  ProfileLoad load = LoadProfile(path);
  ASSERT_TRUE(load.profile) << load.error;
  EXPECT_EQ(load.fileVersion, 1);
  EXPECT_TRUE(load.migrated());
  const ImportProfile& p = *load.profile;
  ImportProfile expected;
  expected.datenart = expected.settings.datenart = DataKind::ArticleSuppliers;
  expected.format = "DBF";
  expected.table = "KUNDEN";
  expected.separator = ",";
  expected.qualifier = expected.lineBreakToken = "";
  expected.firstRowHasNames = false;
  expected.encoding = "auto";
  expected.settings.synchronise = true;
  expected.settings.synchronisationField = "KundenNr";
  expected.settings.searchNameMode = 2;
  expected.deleteAll = true;
  // The columns keep the order of the file.
  expected.columns = {{"Zname", "Name1"}, {"Anrede", "Anrede"}, {"Kd-Nr", "KundenNr"}};
  ExpectSameProfile(p, expected);

  // Saved again, it is a profile of the current version.
  ASSERT_EQ(SaveProfile(path, p), "");
  ProfileLoad again = LoadProfile(path);
  ASSERT_TRUE(again.profile) << again.error;
  EXPECT_EQ(again.fileVersion, ImportProfile::kVersion);
  ExpectSameProfile(*again.profile, p);
}

TEST(ImportProfile, LongMappingsLoadCompletelyAndInOrder) {
  // Column names counting down, so that an order by name would differ from the file's.
  constexpr int kColumns = 20000;
  std::string mapping, columns;
  for (int i = kColumns; i > 0; --i) {
    std::string name = "Spalte " + std::to_string(i);
    mapping += (mapping.empty() ? "" : ", ") + ("\"" + name + "\": \"F\"");
    columns += (columns.empty() ? "" : ", ") + ("{\"column\": \"" + name + "\", \"field\": \"F\"}");
  }
  for (const std::string& text : {R"({"version": 1, "mapping": {)" + mapping + "}}",
                                  R"({"version": 2, "columns": [)" + columns + "]}"}) {
    ProfileLoad load = ProfileFromJson(text, "lang.json");
    ASSERT_TRUE(load.profile) << load.error;
    ASSERT_EQ(load.profile->columns.size(), size_t{kColumns});
    EXPECT_EQ(load.profile->columns.front().column, "Spalte 20000");
    EXPECT_EQ(load.profile->columns.back().column, "Spalte 1");
  }
}

TEST(ImportProfile, BrokenContentIsRefusedWithTheReason) {
  struct Case {
    const char* text;
    const char* reason;
  };
  const Case cases[] = {
      {"", "leer"},
      {"Artikel;EK;VK", "kein gültiges JSON (Fehler in Zeile 1"},
      {"{\"version\": 2,\n\"kind\": {\"index\": 1,}}", "Zeile 2"},
      {"[1, 2]", "kein JSON-Objekt"},
      {"{}", "'version' fehlt"},
      {R"({"version": "2"})", "'version' muss eine ganze Zahl sein"},
      {R"({"version": 2.0})", "'version' muss eine ganze Zahl sein"},
      {R"({"version": 0})", "Version 0 ist unbekannt"},
      {R"({"version": 2, "version": 2})", "'version' kommt in einem Objekt mehrfach vor"},
      {R"({"version": 2, "kind": 1})", "'kind' muss ein Objekt sein"},
      {R"({"version": 2, "kind": {"index": "1"}})", "'kind.index' muss eine ganze Zahl sein"},
      {R"({"version": 2, "kind": {"index": 1e30}})", "'kind.index' muss eine ganze Zahl sein"},
      {R"({"version": 2, "source": [";"]})", "'source' muss ein Objekt sein"},
      {R"({"version": 2, "source": {"separator": 59}})", "'source.separator' muss ein Text sein"},
      {R"({"version": 2, "source": {"table": null}})", "'source.table' muss ein Text sein"},
      {R"({"version": 2, "source": {"firstRowHasNames": 1}})",
       "'source.firstRowHasNames' muss true oder false sein"},
      {R"({"version": 2, "settings": {"synchronise": "ja"}})",
       "'settings.synchronise' muss true oder false sein"},
      {R"({"version": 2, "settings": {"deleteAll": "nein"}})", "'settings.deleteAll'"},
      {R"({"version": 2, "columns": {"EK": "PurchasePrice"}})", "'columns' muss eine Liste sein"},
      {R"({"version": 2, "columns": ["EK"]})", "'columns[1]' muss ein Objekt sein"},
      {R"({"version": 2, "columns": [{"column": "A", "field": "B"}, {"column": "C", "field": 1}]})",
       "'columns[2].field' muss ein Text sein"},
      {R"({"version": 1, "kind": {"index": 1}})", "'kind' muss eine ganze Zahl sein"},
      {R"({"version": 1, "mapping": ["EK"]})", "'mapping' muss ein Objekt sein"},
      {R"({"version": 1, "mapping": {"EK": 5}})", "'mapping.EK' muss ein Text sein"},
  };
  for (const Case& c : cases) {
    std::string error = Refusal(c.text);
    EXPECT_TRUE(error.starts_with("Das Profil 'monat.json' kann nicht gelesen werden: ")) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.text << "\n" << error;
  }
}

TEST(ImportProfile, ValuesOutOfRangeAreRefusedNamingTheKey) {
  struct Case {
    const char* json;
    const char* reason;
  };
  const Case cases[] = {
      {R"("kind": {"index": 11})",
       "'kind.index' hat den ungültigen Wert 11 (erlaubt sind 0 bis 10)"},
      {R"("kind": {"index": 99999999999})", "'kind.index' hat den ungültigen Wert 99999999999."},
      {R"("source": {"format": "PDF"})",
       "'source.format' hat den ungültigen Wert 'PDF' (erlaubt sind CSV, TXT, XLS, XLSX, DBF, "
       "MDB)"},
      {R"("source": {"encoding": "latin1"})", "'source.encoding' hat den ungültigen Wert 'latin1'"},
      {R"("source": {"separator": ";;"})", "'source.separator' darf höchstens ein Zeichen"},
      {R"("source": {"qualifier": "''"})", "'source.qualifier' darf höchstens ein Zeichen"},
      {R"("source": {"lineBreakToken": "<br />"})",
       "'source.lineBreakToken' darf höchstens 5 Zeichen"},
      {R"("source": {"table": "a\u0000b"})", "'source.table' enthält ein Nullzeichen"},
      {R"("settings": {"priceMode": 3})", "'settings.priceMode' hat den ungültigen Wert 3"},
      {R"("settings": {"searchNameMode": 5})",
       "'settings.searchNameMode' hat den ungültigen Wert 5"},
      {R"("columns": [{"column": "", "field": "Name1"}])",
       "1. Spalte der Zuordnung hat keinen Namen"},
      {R"("columns": [{"column": "Name"}])", "Der Spalte 'Name' ist kein Datenbankfeld zugeordnet"},
      {R"("columns": [{"column": "EK", "field": "A"}, {"column": "EK", "field": "B"}])",
       "Die Spalte 'EK' ist mehrfach zugeordnet"},
  };
  for (const Case& c : cases) {
    std::string error = Refusal(std::string(R"({"version": 2, )") + c.json + "}");
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.json << "\n" << error;
  }
  // Version 1 held the mapping as an object: a column given twice would otherwise lose one field.
  EXPECT_NE(Refusal(R"({"version": 1, "mapping": {"EK": "A", "EK": "B"}})")
                .find("Die Spalte 'EK' ist mehrfach zugeordnet"),
            std::string::npos);
}

TEST(ImportProfile, LimitsCountCharactersAndIgnoreCaseOfNames) {
  ProfileLoad load = ProfileFromJson(
      R"({"version": 2, "source": {"format": "mdb", "separator": "§", "qualifier": "",
          "lineBreakToken": "¶¶¶¶¶", "encoding": "Windows-1252"}})",
      "x");
  ASSERT_TRUE(load.profile) << load.error;
  EXPECT_EQ(load.profile->format, "MDB");
  EXPECT_EQ(load.profile->separator, "§");
  EXPECT_EQ(load.profile->lineBreakToken, "¶¶¶¶¶");
  EXPECT_EQ(load.profile->encoding, "windows-1252");
}

TEST(ImportProfile, NewerVersionIsRefused) {
  ProfileLoad load = ProfileFromJson(R"({"version": 3, "whatever": [1, 2]})", "neu.json");
  EXPECT_FALSE(load.profile);
  EXPECT_EQ(load.fileVersion, 3);
  EXPECT_FALSE(load.migrated());
  EXPECT_NE(load.error.find("'neu.json'"), std::string::npos);
  EXPECT_NE(
      load.error.find("mit einer neueren Version des Importassistenten gespeichert (Version 3)"),
      std::string::npos)
      << load.error;
}

TEST(ImportProfile, UnusableFilesAreRefusedNamingTheFile) {
  test::TempDir dir;
  auto expectRefused = [](const std::string& path, const std::string& reason) {
    ProfileLoad load = LoadProfile(path);
    EXPECT_FALSE(load.profile) << path;
    EXPECT_TRUE(load.error.starts_with("Das Profil '" + path + "' kann nicht gelesen werden: "))
        << load.error;
    EXPECT_NE(load.error.find(reason), std::string::npos) << load.error;
  };
  expectRefused(dir / "fehlt.json", "nicht vorhanden");
  expectRefused(dir.Path(), "Ordner");

  std::string latin1 = dir / "latin1.json";
  test::WriteBytes(latin1, "{\"version\": 2, \"kind\": {\"name\": \"K\xE4se\"}}");
  expectRefused(latin1, "nicht in UTF-8");

  std::string large = dir / "gross.json";
  test::WriteBytes(large, "{\"version\": 2, \"kind\": {\"name\": \"" +
                              std::string(4u * 1024u * 1024u, 'x') + "\"}}");
  expectRefused(large, "größer als 4 MiB");

  // Deep nesting is refused without exhausting the stack.
  std::string deep = dir / "tief.json";
  test::WriteBytes(deep, "{\"version\": 2, \"x\": " + std::string(1000000, '[') +
                             std::string(1000000, ']') + "}");
  expectRefused(deep, "zu tief verschachtelt");

  // A byte order mark is no problem.
  std::string bom = dir / "bom.json";
  test::WriteBytes(bom, "\xEF\xBB\xBF{\"version\": 2}");
  EXPECT_TRUE(LoadProfile(bom).profile) << LoadProfile(bom).error;
}

TEST(ImportProfile, ProfilesThatCouldNotBeReadBackAreNotSaved) {
  test::TempDir dir;
  std::string path = dir / "p.json";
  ImportProfile p = FullProfile();
  p.settings.priceMode = 7;
  std::string error = SaveProfile(path, p);
  EXPECT_NE(error.find("'" + path + "' kann nicht gespeichert werden"), std::string::npos) << error;
  EXPECT_NE(error.find("'settings.priceMode'"), std::string::npos) << error;

  p = FullProfile();
  p.columns.push_back({"A", "Name2"});
  EXPECT_NE(SaveProfile(path, p).find("'A' ist mehrfach zugeordnet"), std::string::npos);
  p = FullProfile();
  p.columns.push_back({"Leer", ""});
  EXPECT_NE(SaveProfile(path, p).find("kein Datenbankfeld"), std::string::npos);
  p = FullProfile();
  p.table = "K\xE4se";
  EXPECT_NE(SaveProfile(path, p).find("'source.table'"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(path));

  // A folder that does not exist is an error, not a silent no-op.
  std::string elsewhere = dir / "fehlt/p.json";
  error = SaveProfile(elsewhere, FullProfile());
  EXPECT_NE(error.find(elsewhere), std::string::npos) << error;
  EXPECT_FALSE(SaveProfile("", FullProfile()).empty());
}

}  // namespace
}  // namespace velra
