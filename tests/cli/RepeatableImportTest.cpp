// The import that comes back every month, through the command line: a profile saved once and
// used again, a test run that shows exactly what the run will do, the reject file corrected and
// imported again, and the result as JSON.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "db/Connection.h"
#include "demo/DemoEnvironment.h"

namespace velra {
namespace {

using nlohmann::json;

class RepeatableImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(CreateDemoEnvironment(dir_.Path(), false));
    test::UseOwnConfigFolder(dir_);
    env_ = "--program-dir " + dir_.Path() + " ";
    database_ = dir_ / "Firmen/Musterfirma/Musterfirma.mdb";
    options_ = dir_ / "Firmen/Musterfirma/Musterfirma.afk";
  }
  // Runs an import with --json; the parsed result, the exit code in `code`.
  json Import(const std::string& arguments, int& code) {
    std::string out, errors;
    code = test::RunCli(env_ + "import --json " + arguments, out, errors);
    lastErrors_ = errors;
    json result = json::parse(out, nullptr, false);
    EXPECT_FALSE(result.is_discarded()) << out << errors;
    return result;
  }
  std::string Write(const std::string& name, const std::string& text) {
    test::WriteBytes(dir_ / name, text);
    return dir_ / name;
  }
  // Every article as text, to see whether anything changed.
  std::string Articles() {
    auto connection = Connection::Open("Provider=SQLite;Data Source=" + database_);
    std::string all;
    for (const auto& row : connection->Query("SELECT * FROM Articles ORDER BY ID").rows) {
      for (const Value& value : row) all += value.ToText() + "|";
      all += "\n";
    }
    return all;
  }
  std::string Field(const std::string& number, const std::string& field) {
    auto connection = Connection::Open("Provider=SQLite;Data Source=" + database_);
    std::optional<Value> value = connection->QueryValue(
        "SELECT " + field + " FROM Articles WHERE ArticleNumber = ?", {Value(number)});
    return value ? value->ToText() : "<fehlt>";
  }

  test::TempDir dir_;
  std::string env_, database_, options_, lastErrors_;
};

// The first price list; "Preis" is no column the automatic mapping knows.
constexpr const char* kNovember =
    "Artikelnummer;Bezeichnung;Preis;MwSt;Hersteller\n"
    "A-1;Hammer;12,50;19;Stahl AG\n"
    "A-2;Zange;8,90;19;Stahl AG\n"
    "A-3;Säge;19,90;19;Holz KG\n";

TEST_F(RepeatableImportTest, ASavedProfileImportsTheNextMonthAndTheTestRunForetellsIt) {
  int code = 0;
  const std::string profile = dir_ / "preisliste.json";
  json first = Import(
      "--kind Artikel --sync --no-autonumber --map \"Preis=Verkaufspreis netto\" --save-profile " +
          profile + " --file " + Write("november.csv", kNovember),
      code);
  ASSERT_EQ(code, 0) << lastErrors_;
  EXPECT_EQ(first["added"], 3);
  EXPECT_EQ(Field("A-1", "NetPrice"), "12.5");

  // December: one price changed, one new article, one article twice, a price that is no number,
  // and a new column the profile does not know; "Hersteller" is missing.
  const std::string december = Write("dezember.csv",
                                     "Artikelnummer;Bezeichnung;Preis;MwSt;Farbe\n"
                                     "A-1;Hammer;13,50;19;rot\n"
                                     "A-2;Zange;8,90;19;blau\n"
                                     "A-4;Meißel;7,00;19;grau\n"
                                     "A-2;Zange lang;9,90;19;blau\n"
                                     "A-3;Säge;neunzehn;19;grün\n");
  const std::string before = Articles(), optionsBefore = test::ReadBytes(options_);
  json test = Import("--profile " + profile + " --dry-run --file " + december, code);
  EXPECT_EQ(code, 1) << lastErrors_;  // the price that is no number
  EXPECT_EQ(Articles(), before);
  EXPECT_EQ(test::ReadBytes(options_), optionsBefore);
  EXPECT_TRUE(test["testRun"]);
  EXPECT_EQ(test["profile"]["missing"], json::array({"Hersteller"}));
  EXPECT_EQ(test["profile"]["notInProfile"], json::array({"Farbe"}));
  ASSERT_EQ(test["preview"]["duplicates"].size(), 1u);
  EXPECT_EQ(test["preview"]["duplicates"][0]["key"], "A-2");
  EXPECT_EQ(test["preview"]["duplicates"][0]["lines"], json::array({3, 5}));
  // Every changed record with its changes, old -> new.
  std::map<std::string, std::string> netPrices;
  for (const json& record : test["preview"]["changed"])
    for (const json& change : record["fields"])
      if (change["field"] == "NetPrice")
        netPrices[record["key"]] =
            change["before"].get<std::string>() + " -> " + change["after"].get<std::string>();
  EXPECT_EQ(netPrices["A-1"], "12,5 -> 13,5");
  EXPECT_EQ(netPrices["A-2"], "8,9 -> 9,9");  // the later row of the same key
  EXPECT_EQ(netPrices.count("A-3"), 0u);      // its price is kept: the value was refused

  json real = Import("--profile " + profile + " --file " + december, code);
  EXPECT_EQ(code, 1) << lastErrors_;
  for (const char* count :
       {"rows", "written", "added", "updated", "unchanged", "rejected", "entryCount"})
    EXPECT_EQ(test[count], real[count]) << count;
  EXPECT_EQ(real["added"], 1);
  EXPECT_EQ(Field("A-1", "NetPrice"), "13.5");
  EXPECT_EQ(Field("A-2", "ShortText"), "Zange lang");
  EXPECT_EQ(Field("A-4", "ShortText"), "Meißel");
}

TEST_F(RepeatableImportTest, ATestRunDrawsTheNumbersTheRunWillDrawAndKeepsTheCounter) {
  int code = 0;
  const std::string file = Write("neu.csv", "Bezeichnung;MwSt\nHobel;19\nFeile;19\n");
  const std::string optionsBefore = test::ReadBytes(options_);
  json test = Import("--kind Artikel --dry-run --file " + file, code);
  ASSERT_EQ(code, 0) << lastErrors_;
  EXPECT_EQ(test::ReadBytes(options_), optionsBefore);
  ASSERT_EQ(test["preview"]["firstRows"].size(), 2u);
  const std::string foretold = test["preview"]["firstRows"][1]["key"];
  bool labelShown = false;
  for (const json& change : test["preview"]["firstRows"][1]["fields"])
    labelShown =
        labelShown || (change["field"] == "Label" &&
                       change["after"].get<std::string>().find("Feile") != std::string::npos);
  EXPECT_TRUE(labelShown) << test["preview"]["firstRows"][1].dump();

  json real = Import("--kind Artikel --file " + file, code);
  ASSERT_EQ(code, 0) << lastErrors_;
  EXPECT_EQ(Field(foretold, "ShortText"), "Feile");
  EXPECT_NE(test::ReadBytes(options_), optionsBefore);
}

TEST_F(RepeatableImportTest, RejectedRowsAreCorrectedAndImportedAgain) {
  int code = 0;
  const std::string profile = dir_ / "profil.json";
  const std::string rejects = dir_ / "abgewiesen.csv";
  json first = Import(
      "--kind Artikel --sync --no-autonumber --map \"Preis=Verkaufspreis netto\" --save-profile " +
          profile + " --reject-file " + rejects + " --file " +
          Write("liste.csv",
                "Artikelnummer;Bezeichnung;Preis;MwSt\n"
                "B-1;Schraube;0,10;19\n"
                "B-2;Mutter;zehn Cent;19\n"
                "B-3;\"Dübel; grau\";0,05;19\n"
                ";Ohne Nummer;1,00;19\n"),
      code);
  EXPECT_EQ(code, 1) << lastErrors_;
  // Only the row that was not written; the one written without its price is in the report.
  EXPECT_EQ(first["rejectFile"]["rows"], 1);
  EXPECT_EQ(first["entries"][0]["value"], "zehn Cent");
  const std::string rejected = test::ReadBytes(rejects);
  EXPECT_NE(rejected.find("Artikelnummer;Bezeichnung;Preis;MwSt;Fehler"), std::string::npos)
      << rejected;
  EXPECT_NE(rejected.find(";Ohne Nummer;1,00;19;"), std::string::npos) << rejected;
  EXPECT_EQ(rejected.find("B-"), std::string::npos) << rejected;

  // The user corrects the row; the extra column "Fehler" is not imported.
  std::string corrected = rejected;
  corrected.replace(corrected.find(";Ohne Nummer"), 1, "B-4;");
  test::WriteBytes(rejects, corrected);
  json again = Import("--profile " + profile + " --file " + rejects, code);
  EXPECT_EQ(code, 0) << lastErrors_ << corrected;
  EXPECT_EQ(again["added"], 1);
  EXPECT_EQ(again["updated"], 0);
  EXPECT_EQ(again["profile"]["notInProfile"], json::array({"Fehler"}));
  EXPECT_EQ(Field("B-4", "ShortText"), "Ohne Nummer");
  EXPECT_EQ(Field("B-3", "ShortText"), "Dübel; grau");
}

TEST_F(RepeatableImportTest, ProfilesThatCannotBeUsedAreRefusedWithAReason) {
  int code = 0;
  std::string out, errors;
  const std::string file = Write("liste.csv", kNovember);
  test::WriteBytes(dir_ / "kaputt.json", "{\"version\": 2, \"kind\": ");
  EXPECT_EQ(test::RunCli(env_ + "import --profile " + (dir_ / "kaputt.json") + " --file " + file,
                         out, errors),
            2);
  EXPECT_NE(errors.find("kaputt.json"), std::string::npos) << errors;
  // Settings come from the profile alone.
  test::WriteBytes(dir_ / "alt.json",
                   R"({"version": 1, "kind": 1, "source": {"format": "CSV", "separator": ";"},
                       "settings": {"synchronise": true, "synchronisationField": "ArticleNumber", "autoNumber": false},
                       "mapping": {"Artikelnummer": "ArticleNumber", "Bezeichnung": "ShortText",
                                   "Preis": "NetPrice", "MwSt": "VatCode"}})");
  errors.clear();
  EXPECT_EQ(
      test::RunCli(env_ + "import --profile " + (dir_ / "alt.json") + " --sync --file " + file, out,
                   errors),
      2);
  EXPECT_NE(errors.find("--sync"), std::string::npos) << errors;
  // An older profile is still used.
  json imported = Import("--profile " + (dir_ / "alt.json") + " --file " + file, code);
  EXPECT_EQ(code, 0) << lastErrors_;
  EXPECT_EQ(imported["added"], 3);
  EXPECT_NE(lastErrors_.find("älteren Version"), std::string::npos) << lastErrors_;
  EXPECT_EQ(Field("A-3", "NetPrice"), "19.9");
}

}  // namespace
}  // namespace velra
