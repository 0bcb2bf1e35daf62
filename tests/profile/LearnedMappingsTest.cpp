#include "profile/LearnedMappings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"

namespace velra {
namespace {

const std::string kFirma = "Musterfirma";
constexpr int kArtikel = 1;
constexpr int kKunden = 2;

// Sets or clears an environment variable for the scope of a test and restores it afterwards.
class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    if (old) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~EnvironmentVariable() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string Field(const LearnedMappings& store, const std::string& company, int kind,
                  const std::string& column) {
  return store.Lookup(company, kind, column).value_or("-");
}

TEST(LearnedMappings, RememberedPairsSurviveSaveAndLoad) {
  test::TempDir dir;
  // The configuration folder does not exist yet; Save creates it for the user alone.
  std::string path = dir / "config/velra/importassistent/gelernte-zuordnungen.json";
  LearnedMappings store;
  EXPECT_TRUE(store.Empty());
  store.Remember(kFirma, kArtikel, "EK", "PurchasePrice");
  store.Remember(kFirma, kArtikel, "Straße", "Strasse");
  store.Remember(kFirma, kKunden, "Zname", "Name1");
  store.Remember("Meier GmbH", kArtikel, "EK \"alt\"", "Einkaufspreis");
  EXPECT_FALSE(store.Empty());
  store.Save(path);

  struct stat info {};
  ASSERT_EQ(::stat((dir / "config/velra").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 077, 0u);

  LearnedMappings loaded = LearnedMappings::Load(path);
  EXPECT_EQ(loaded.Problem(), "");
  EXPECT_EQ(Field(loaded, kFirma, kArtikel, "EK"), "PurchasePrice");
  EXPECT_EQ(Field(loaded, kFirma, kArtikel, "Straße"), "Strasse");
  EXPECT_EQ(Field(loaded, kFirma, kKunden, "Zname"), "Name1");
  EXPECT_EQ(Field(loaded, "Meier GmbH", kArtikel, "EK \"alt\""), "Einkaufspreis");
}

TEST(LearnedMappings, ColumnsAndCompaniesMatchWithoutRegardToCaseAndSpaces) {
  LearnedMappings store;
  store.Remember(kFirma, kArtikel, " Einkaufspreis\t", "PurchasePrice");
  store.Remember(kFirma, kArtikel, "STRAßE", "Strasse");
  EXPECT_EQ(Field(store, kFirma, kArtikel, "einkaufspreis"), "PurchasePrice");
  EXPECT_EQ(Field(store, kFirma, kArtikel, "  EINKAUFSPREIS "), "PurchasePrice");
  EXPECT_EQ(Field(store, kFirma, kArtikel, "straße"), "Strasse");
  EXPECT_EQ(Field(store, kFirma, kArtikel, "Strasse"), "-");
  EXPECT_EQ(Field(store, " MUSTERFIRMA ", kArtikel, "Einkaufspreis"), "PurchasePrice");
}

TEST(LearnedMappings, LaterPairReplacesAndEmptyFieldForgets) {
  LearnedMappings store;
  store.Remember(kFirma, kArtikel, "Preis", "PurchasePrice");
  store.Remember(kFirma, kArtikel, "PREIS", "SalesPrice");
  EXPECT_EQ(Field(store, kFirma, kArtikel, "Preis"), "SalesPrice");
  store.Remember(kFirma, kArtikel, "preis", "");
  EXPECT_EQ(Field(store, kFirma, kArtikel, "Preis"), "-");
  EXPECT_TRUE(store.Empty());
}

TEST(LearnedMappings, CompaniesAndKindsAreKeptApart) {
  LearnedMappings store;
  store.Remember(kFirma, kArtikel, "Nr", "ArtikelNr");
  store.Remember(kFirma, kKunden, "Nr", "KundenNr");
  store.Remember("Meier GmbH", kArtikel, "Nr", "EAN");
  EXPECT_EQ(Field(store, kFirma, kArtikel, "Nr"), "ArtikelNr");
  EXPECT_EQ(Field(store, kFirma, kKunden, "Nr"), "KundenNr");
  EXPECT_EQ(Field(store, "Meier GmbH", kArtikel, "Nr"), "EAN");
  EXPECT_EQ(Field(store, "Meier GmbH", kKunden, "Nr"), "-");
  EXPECT_EQ(Field(store, "Schulze KG", kArtikel, "Nr"), "-");
}

TEST(LearnedMappings, PairsThatCannotBeKeptAreIgnored) {
  LearnedMappings store;
  store.Remember(kFirma, 11, "Nr", "ArtikelNr");
  store.Remember(kFirma, -1, "Nr", "ArtikelNr");
  store.Remember("", kArtikel, "Nr", "ArtikelNr");
  store.Remember(kFirma, kArtikel, "  ", "ArtikelNr");
  store.Remember(kFirma, kArtikel, std::string(257, 'x'), "ArtikelNr");
  store.Remember(kFirma, kArtikel, "Nr", std::string(257, 'x'));
  store.Remember(kFirma, kArtikel, "Zeile\nzwei", "ArtikelNr");
  store.Remember(kFirma, kArtikel, "K\xE4se", "ArtikelNr");
  EXPECT_TRUE(store.Empty());
  store.Remember(kFirma, kArtikel, std::string(256, 'x'), "ArtikelNr");
  EXPECT_EQ(Field(store, kFirma, kArtikel, std::string(256, 'X')), "ArtikelNr");
}

TEST(LearnedMappings, FullKindGivesUpThePairRememberedLongestAgoAlsoAfterReload) {
  test::TempDir dir;
  std::string path = dir / "store.json";
  LearnedMappings store;
  for (size_t i = 0; i < LearnedMappings::kMaxPairsPerKind; ++i)
    store.Remember(kFirma, kArtikel, "Spalte " + std::to_string(i), "F" + std::to_string(i));
  // Remembering column 0 again makes it the newest; column 1 is now the oldest.
  store.Remember(kFirma, kArtikel, "Spalte 0", "F0");
  store.Save(path);

  LearnedMappings loaded = LearnedMappings::Load(path);
  loaded.Remember(kFirma, kArtikel, "Neu", "FNeu");
  EXPECT_EQ(Field(loaded, kFirma, kArtikel, "Neu"), "FNeu");
  EXPECT_EQ(Field(loaded, kFirma, kArtikel, "Spalte 0"), "F0");
  EXPECT_EQ(Field(loaded, kFirma, kArtikel, "Spalte 1"), "-");
  EXPECT_EQ(Field(loaded, kFirma, kArtikel, "Spalte 2"), "F2");
}

TEST(LearnedMappings, CompanyUnusedLongestGivesWayBeyondTheBound) {
  LearnedMappings store;
  for (size_t i = 0; i < LearnedMappings::kMaxCompanies; ++i)
    store.Remember("Firma " + std::to_string(i), kArtikel, "Nr", "ArtikelNr");
  store.Remember("Firma 0", kKunden, "Nr", "KundenNr");  // Firma 1 is now unused longest
  store.Remember("Neue Firma", kArtikel, "Nr", "ArtikelNr");
  EXPECT_EQ(Field(store, "Firma 1", kArtikel, "Nr"), "-");
  EXPECT_EQ(Field(store, "Firma 0", kArtikel, "Nr"), "ArtikelNr");
  EXPECT_EQ(Field(store, "Firma 2", kArtikel, "Nr"), "ArtikelNr");
  EXPECT_EQ(Field(store, "Neue Firma", kArtikel, "Nr"), "ArtikelNr");
}

TEST(LearnedMappings, HostileFileIsCutToTheBounds) {
  test::TempDir dir;
  std::string path = dir / "store.json";
  std::string columns;
  for (int i = 0; i < 5000; ++i)
    columns +=
        std::string(i ? "," : "") + R"({"column": "C)" + std::to_string(i) + R"(", "field": "F"})";
  test::WriteBytes(
      path, R"({"version": 1, "companies": [{"name": "A", "kinds": [)"
            R"({"index": 1, "columns": [)" +
                columns + R"(]}, {"index": 77, "columns": [{"column": "X", "field": "F"}]}]}]})");
  LearnedMappings store = LearnedMappings::Load(path);
  EXPECT_EQ(store.Problem(), "");
  EXPECT_EQ(Field(store, "A", 1, "C4999"), "F");
  EXPECT_EQ(Field(store, "A", 1, "C3000"), "F");
  EXPECT_EQ(Field(store, "A", 1, "C2999"), "-");
  EXPECT_EQ(Field(store, "A", 77, "X"), "-");
}

TEST(LearnedMappings, StoreTooLargeForOneFileKeepsTheRecentPairs) {
  test::TempDir dir;
  std::string path = dir / "store.json";
  LearnedMappings store;
  // Quotes are written escaped: each pair takes more than 1 KiB in the file, 6,000 pairs more
  // than the 4 MiB a store file may have.
  std::string quotes(250, '"');
  for (int kind = 0; kind < 3; ++kind)
    for (size_t i = 0; i < LearnedMappings::kMaxPairsPerKind; ++i)
      store.Remember(kFirma, kind, quotes + std::to_string(i), quotes + "F");
  store.Save(path);
  EXPECT_LT(std::filesystem::file_size(path), 4u * 1024u * 1024u);
  LearnedMappings loaded = LearnedMappings::Load(path);
  EXPECT_EQ(loaded.Problem(), "");
  // The pairs remembered last are kept, the first ones have given way.
  EXPECT_EQ(Field(loaded, kFirma, 2, quotes + "1999"), quotes + "F");
  EXPECT_EQ(Field(loaded, kFirma, 2, quotes + "0"), quotes + "F");
  EXPECT_EQ(Field(loaded, kFirma, 0, quotes + "0"), "-");
  // The store itself is unchanged.
  EXPECT_EQ(Field(store, kFirma, 0, quotes + "0"), quotes + "F");
}

TEST(LearnedMappings, MissingFileIsEmptyAndBrokenFileGivesAnError) {
  test::TempDir dir;
  LearnedMappings missing = LearnedMappings::Load(dir / "fehlt.json");
  EXPECT_TRUE(missing.Empty());
  EXPECT_EQ(missing.Problem(), "") << "a missing file is no error";

  std::string path = dir / "store.json";
  const char* broken[] = {
      "{\"version\": 1, \"companies\": [",
      "[]",
      R"({"companies": []})",
      R"({"version": 1, "companies": {}})",
      R"({"version": 1, "companies": [{"name": 5, "kinds": []}]})",
      R"({"version": 1, "companies": [{"name": "A", "kinds": [{"index": "1", "columns": []}]}]})",
      // All or nothing: the sound first company is not taken either.
      R"({"version": 1, "companies": [
          {"name": "A", "kinds": [{"index": 1, "columns": [{"column": "EK", "field": "F"}]}]},
          {"name": "B", "kinds": [{"index": 1, "columns": [{"column": "EK", "field": null}]}]}]})",
      "{\"version\": 1, \"companies\": [{\"name\": \"K\xE4se\", \"kinds\": []}]}",
  };
  for (const char* content : broken) {
    test::WriteBytes(path, content);
    LearnedMappings store = LearnedMappings::Load(path);
    EXPECT_TRUE(store.Empty()) << content;
    EXPECT_TRUE(store.Problem().starts_with("Die gelernten Zuordnungen in '" + path +
                                            "' können nicht gelesen werden: "))
        << store.Problem();
  }
}

TEST(LearnedMappings, BrokenFileIsKeptAsideWhenReplaced) {
  test::TempDir dir;
  std::string path = dir / "store.json";
  test::WriteBytes(path, "kaputt");
  LearnedMappings store = LearnedMappings::Load(path);
  ASSERT_FALSE(store.Problem().empty());
  store.Remember(kFirma, kArtikel, "EK", "PurchasePrice");
  store.Save(path);
  EXPECT_EQ(test::ReadBytes(path + ".defekt"), "kaputt");
  EXPECT_EQ(Field(LearnedMappings::Load(path), kFirma, kArtikel, "EK"), "PurchasePrice");

  // A second save does not put the sound file aside.
  store.Save(path);
  EXPECT_EQ(test::ReadBytes(path + ".defekt"), "kaputt");
}

TEST(LearnedMappings, FileOfANewerVersionIsNeitherUsedNorOverwritten) {
  test::TempDir dir;
  std::string path = dir / "store.json";
  const std::string newer = R"({"version": 2, "companies": "anders"})";
  test::WriteBytes(path, newer);
  LearnedMappings store = LearnedMappings::Load(path);
  EXPECT_TRUE(store.Empty());
  EXPECT_NE(store.Problem().find("neueren Version des Importassistenten (Version 2)"),
            std::string::npos)
      << store.Problem();
  store.Remember(kFirma, kArtikel, "EK", "PurchasePrice");
  const std::string error = test::ThrownMessage<ConfigError>([&] { store.Save(path); });
  EXPECT_NE(error.find("nicht überschrieben"), std::string::npos) << error;
  EXPECT_EQ(test::ReadBytes(path), newer);
}

TEST(LearnedMappings, SaveFailuresAreReported) {
  test::TempDir dir;
  LearnedMappings store;
  store.Remember(kFirma, kArtikel, "EK", "PurchasePrice");
  test::WriteBytes(dir / "datei", "x");
  const std::string error =
      test::ThrownMessage<ConfigError>([&] { store.Save(dir / "datei/velra/store.json"); });
  EXPECT_NE(error.find("datei/velra"), std::string::npos) << error;
  EXPECT_FALSE(test::ThrownMessage<ConfigError>([&] { store.Save(""); }).empty());
}

TEST(LearnedMappings, DefaultPathFollowsXdgConfigHomeThenHome) {
  const std::string inHome = "/home/anna/.config/velra/importassistent/gelernte-zuordnungen.json";
  const struct {
    const char *config, *home;
    std::string path;
  } cases[] = {
      {"/srv/konfig/", "/home/anna", "/srv/konfig/velra/importassistent/gelernte-zuordnungen.json"},
      {"relativ/konfig", "/home/anna", inHome},
      {nullptr, "/home/anna", inHome},
      {"", nullptr, ""}};
  for (const auto& c : cases) {
    EnvironmentVariable config("XDG_CONFIG_HOME", c.config);
    EnvironmentVariable home("HOME", c.home);
    EXPECT_EQ(LearnedMappings::DefaultPath(), c.path) << (c.config ? c.config : "(none)");
  }
}

// What the user chose by hand for a column wins over the automatic mapping; what is assigned by
// hand in this session stays.
TEST(LearnedMappings, ALearnedFieldWinsOverTheAutomaticMapping) {
  LearnedMappings store;
  store.Remember(kFirma, kArtikel, "EK", "purchaseprice");        // offered, spelled otherwise
  store.Remember(kFirma, kArtikel, "VK", "SalesPrice2");          // column mapped automatically
  store.Remember(kFirma, kArtikel, "Gewicht", "Weight");          // field not offered
  store.Remember(kFirma, kArtikel, "Preis", "SalesPrice");        // field freed by "VK" just now
  store.Remember(kFirma, kArtikel, "Einkauf", "PurchasePrice");   // taken by "EK" just now
  store.Remember(kFirma, kArtikel, "Hand", "Name1");              // column assigned by hand
  store.Remember(kFirma, kKunden, "Name", "Name1");               // another kind
  store.Remember("Meier GmbH", kArtikel, "Bez", "Bezeichnung1");  // another company

  auto column = [](std::string name, std::string field = {}, bool byHand = false) {
    GridColumn c;
    c.SourceName = name;
    c.FieldCaption = name;
    c.TargetField = field;
    c.ByHand = byHand;
    return c;
  };
  std::vector<GridColumn> columns = {
      column("ek"),      column("VK", "SalesPrice"),           column("Gewicht"), column("Preis"),
      column("Einkauf"), column("Hand", "Bezeichnung1", true), column("Name"),    column("Bez")};
  const std::vector<FieldChoice> choices = {{"PurchasePrice", "Einkaufspreis"},
                                            {"SalesPrice", "Verkaufspreis netto"},
                                            {"SalesPrice2", "Verkaufspreis 2"},
                                            {"Name1", "Name"},
                                            {"Bezeichnung1", "Bezeichnung"}};

  EXPECT_EQ(ApplyLearnedMappings(columns, store, kFirma, kArtikel, choices), 3);
  EXPECT_EQ(columns[0].TargetField, "PurchasePrice");
  EXPECT_EQ(columns[0].FieldCaption, "Einkaufspreis");
  EXPECT_EQ(columns[0].CellStyle, kCellsBound);
  EXPECT_EQ(columns[0].HeaderStyle, kHeaderBound);
  EXPECT_EQ(columns[1].TargetField, "SalesPrice2");
  EXPECT_EQ(columns[3].TargetField, "SalesPrice");
  EXPECT_EQ(columns[5].TargetField, "Bezeichnung1");
  for (size_t i : {2, 4, 6, 7}) {
    EXPECT_EQ(columns[i].TargetField, "") << columns[i].SourceName;
    EXPECT_EQ(columns[i].FieldCaption, columns[i].SourceName);
    EXPECT_EQ(columns[i].CellStyle, "");
  }
}

}  // namespace
}  // namespace velra
