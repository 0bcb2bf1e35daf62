#include <filesystem>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "company/SessionContext.h"
#include "config/CommandLine.h"
#include "config/CompanyRegistry.h"
#include "config/Environment.h"
#include "config/InstanceLock.h"
#include "db/Connection.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class StartupTest : public ::testing::Test {
 protected:
  void WriteEnvironment(const std::string& programSection) {
    WriteBytes(
        dir_ / "velra.var",
        programSection +
            "[files]\r\nhelpfile=hilfe.chm\r\nuiffile=firmen.uif\r\nmatchingfile=match.txt\r\n"
            "[Connection]\r\nDataSource=srv01\\VELRA\r\nAuthentification=0\r\nLoginTimeout=\r\n"
            "UserID=sa\r\nPassword=geheim\r\n"
            "[Provider]\r\naccess=Microsoft.Jet.OLEDB.4.0\r\nsql=SQLOLEDB.1\r\n");
  }
  // A file company with its folder and, when `withDatabase`, its database file.
  std::string FileCompany(const std::string& name, bool withDatabase) {
    std::string folder = dir_ / ("Firmen/" + name + "/");
    std::filesystem::create_directories(folder);
    if (withDatabase)
      Connection::Open("Provider=SQLite;Data Source=" + folder + name + ".mdb",
                       Connection::OpenMode::CreateIfMissing)
          ->ExecuteScript("CREATE TABLE Articles (ID INTEGER PRIMARY KEY)");
    return folder;
  }
  Environment Env(int32_t databaseType = 0) {
    Environment env;
    env.ProgramPath = dir_.Path();
    env.EnvironmentFile = dir_ / "velra.var";
    env.CompanyRegistryFile = dir_ / "firmen.uif";
    env.DatabaseTypeNumber = databaseType;
    env.ProviderAccess = "Microsoft.Jet.OLEDB.4.0";
    env.ProviderSql = "SQLOLEDB.1";
    return env;
  }
  CompanyListResult List(int32_t databaseType = 0) {
    return FillCompanyList(Env(databaseType), true, true);
  }
  TempDir dir_;
};

TEST_F(StartupTest, EnvironmentValuesAndTheirDefaults) {
  WriteEnvironment("[program]\r\ncompany=Musterfirma\r\n");
  std::vector<std::string> problems;
  Environment env = ReadEnvironment(dir_.Path(), problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(env.EnvironmentFile, dir_ / "velra.var");
  EXPECT_EQ(env.DatabaseTypeNumber, 0);  // no databasetype: a file company
  EXPECT_EQ(env.CompanyRegistryFile, dir_ / "firmen.uif");
  EXPECT_EQ(env.MatchingFile, dir_ / "match.txt");
  EXPECT_EQ(env.HelpFilePath, dir_ / "hilfe.chm");
  EXPECT_EQ(env.DefaultCompany, "Musterfirma");
  EXPECT_EQ(env.Connection.DataSource, "srv01\\VELRA");
  EXPECT_EQ(env.Connection.LoginTimeout, 0);  // empty timeout reads as 0
  EXPECT_EQ(env.ProviderSql, "SQLOLEDB.1");

  SessionContext session =
      StartSession(dir_.Path(), RegionalSettings::ForLocale("de_DE"), problems);
  EXPECT_EQ(session.ActiveTrueValue, -1);
  EXPECT_EQ(session.ActiveFalseValue, 0);
  EXPECT_EQ(session.TodayText.size(), 10u);  // dd.MM.yyyy
}

TEST_F(StartupTest, AMissingOrBrokenEnvironmentFileKeepsTheDefaultsAndSaysWhich) {
  std::vector<std::string> problems;
  Environment env = ReadEnvironment(dir_.Path(), problems);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("velra.var"), std::string::npos);
  EXPECT_EQ(env.DatabaseTypeNumber, 0);

  problems.clear();
  WriteBytes(
      dir_ / "velra.var",
      "[program]\r\ndatabasetype=eins\r\n[files]\r\nuiffile=f.uif\r\nmatchingfile=m.txt\r\n");
  env = ReadEnvironment(dir_.Path(), problems);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("databasetype"), std::string::npos);
  EXPECT_EQ(env.DatabaseTypeNumber, 0);

  problems.clear();
  WriteBytes(dir_ / "velra.var", std::string("\x00\xFF\xFE garbage \x01", 13));
  env = ReadEnvironment(dir_.Path(), problems);
  // A file without the keys says which are missing instead of reading the program folder.
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("velra.var' fehlt der Wert [files] uiffile."), std::string::npos)
      << problems[0];
  EXPECT_NE(problems[1].find("[files] matchingfile"), std::string::npos) << problems[1];
  EXPECT_EQ(env.CompanyRegistryFile, "");
  EXPECT_TRUE(FillCompanyList(env, true, true).Problems.empty());  // said once is enough
}

TEST_F(StartupTest, CompanyListKeepsFileOrderAndListsServersWithoutFileCheck) {
  std::string a = FileCompany("Alpha", true);
  std::string b = FileCompany("Beta GmbH", true);
  WriteBytes(dir_ / "firmen.uif", "[Beta GmbH]\r\ndatabasetype=0\r\npath=" + b +
                                      "\r\n[Server]\r\ndatabasetype=1\r\npath=/nirgendwo/\r\n"
                                      "[Alpha]\r\npath=" +
                                      a + "\r\n");
  CompanyListResult result = List();
  EXPECT_EQ(result.Names, (std::vector<std::string>{"Beta GmbH", "Server", "Alpha"}));
  EXPECT_TRUE(result.AnyCompany);
  EXPECT_TRUE(result.Problems.empty());
}

TEST_F(StartupTest, AFileCompanyWithoutDatabaseIsRemovedFromTheRegistry) {
  std::string kept = FileCompany("Bleibt", true);
  std::string gone = FileCompany("Weg", false);
  WriteBytes(dir_ / "firmen.uif", "# Firmen\r\n[Weg]\r\ndatabasetype=0\r\npath=" + gone +
                                      "\r\n\r\n[Bleibt]\r\ndatabasetype=0\r\npath=" + kept +
                                      "\r\n");
  CompanyListResult result = List();
  EXPECT_EQ(result.Names, (std::vector<std::string>{"Bleibt"}));
  ASSERT_EQ(result.Problems.size(), 1u);
  EXPECT_NE(result.Problems[0].find("Weg.mdb"), std::string::npos);
  EXPECT_EQ(ReadBytes(dir_ / "firmen.uif"),
            "# Firmen\r\n[Bleibt]\r\ndatabasetype=0\r\npath=" + kept + "\r\n");
}

TEST_F(StartupTest, CompaniesThatCannotBeCheckedAreLeftOutButKept) {
  // A path of 254 characters or more may have been cut by the read; this one, cut, names an
  // existing folder without a database.
  const std::string cutFolder = FileCompany("Lang", false);
  std::string longPath = cutFolder;
  while (longPath.size() < 254) longPath += "x";
  longPath += "/";
  // A database on a share that is not mounted, reached through a link.
  const std::string linked = FileCompany("Verknuepft", false);
  std::filesystem::create_symlink("/mnt/nicht-eingehaengt/Verknuepft.mdb",
                                  linked + "Verknuepft.mdb");
  const std::string registry =
      "[Offline]\r\ndatabasetype=0\r\npath=/mnt/nicht-eingehaengt/Offline/\r\n"
      "[Meier]\r\ndatabasetype=0\r\npath=C:\\Velra\\Firmen\\Meier\\\r\n"
      "[Ohne Pfad]\r\ndatabasetype=0\r\n"
      "[Andere]\r\ndatabasetype=2\r\npath=/x/\r\n"
      "[Böse/../Name]\r\ndatabasetype=1\r\n"
      "[Kaputt]\r\ndatabasetype=abc\r\n"
      "[Lang]\r\ndatabasetype=0\r\npath=" +
      longPath +
      "\r\n"
      "[Verknuepft]\r\ndatabasetype=0\r\npath=" +
      linked + "\r\n";
  WriteBytes(dir_ / "firmen.uif", registry);
  CompanyListResult result = List();
  EXPECT_TRUE(result.Names.empty());
  EXPECT_TRUE(result.AnyCompany);  // the sections are still there
  EXPECT_EQ(ReadBytes(dir_ / "firmen.uif"), registry);
  ASSERT_EQ(result.Problems.size(), 8u);
  const std::vector<std::string> says = {"'/mnt/nicht-eingehaengt/Offline/' ist nicht erreichbar",
                                         "als 'C:\\Velra\\Firmen\\Meier\\' angegeben",
                                         "fehlt der Wert [Ohne Pfad] path",
                                         "[Andere] databasetype=2 ungültig",
                                         "Dateiname",
                                         "[Kaputt] databasetype=abc ungültig",
                                         "[Lang] path",
                                         "Verknüpfung auf '/mnt/nicht-eingehaengt/Verknuepft.mdb'"};
  for (size_t i = 0; i < says.size(); ++i)
    EXPECT_NE(result.Problems[i].find(says[i]), std::string::npos) << result.Problems[i];
}

TEST_F(StartupTest, EverydayFirmNamesAreListedAndSelected) {
  WriteEnvironment("[program]\r\n");
  std::string registry;
  for (const std::string name : {"Elektro Huber e.K.", "GmbH & Co. KG.", "Bau: Meier*"})
    registry += "[" + name + "]\r\ndatabasetype=0\r\npath=" + FileCompany(name, true) + "\r\n";
  WriteBytes(dir_ / "firmen.uif", registry);
  CompanyListResult result = List();
  EXPECT_EQ(result.Names,
            (std::vector<std::string>{"Elektro Huber e.K.", "GmbH & Co. KG.", "Bau: Meier*"}));
  EXPECT_TRUE(result.Problems.empty());
  std::vector<std::string> problems;
  SessionContext session =
      StartSession(dir_.Path(), RegionalSettings::ForLocale("de_DE"), problems);
  ASSERT_TRUE(SelectCompany(session, "Elektro Huber e.K.", problems)) << problems.back();
  EXPECT_EQ(session.DatabasePath, dir_ / "Firmen/Elektro Huber e.K./Elektro Huber e.K..mdb");
}

TEST_F(StartupTest, AnInheritedDatabaseTypeSaysWhereItCameFrom) {
  WriteBytes(dir_ / "firmen.uif", "[Erbt]\r\npath=/x/\r\n");
  CompanyListResult result = List(2);
  ASSERT_EQ(result.Problems.size(), 1u);
  EXPECT_NE(result.Problems[0].find("[Erbt] in der Datei '" + (dir_ / "firmen.uif") +
                                    "' nennt keinen Datenbanktyp"),
            std::string::npos)
      << result.Problems[0];
  EXPECT_NE(result.Problems[0].find("[program] databasetype=2 aus der Datei '" +
                                    (dir_ / "velra.var") + "'"),
            std::string::npos)
      << result.Problems[0];
}

// A company whose connection, layout or options cannot be determined is not selectable, says
// which file, section and key are at fault, and leaves nothing of the company selected before.
struct BentEnvironment {
  const char* name;
  const char* connection;  // [Connection] of velra.var
  const char* program;     // [program] of velra.var
  const char* server;      // the registry section of the server company
  const char* says;
};

class UnusableCompany : public StartupTest,
                        public ::testing::WithParamInterface<BentEnvironment> {};

TEST_P(UnusableCompany, IsNotSelectableAndClearsTheCompanyBefore) {
  const BentEnvironment& bent = GetParam();
  WriteBytes(dir_ / "velra.var",
             std::string(bent.program) +
                 "[files]\r\nuiffile=firmen.uif\r\nmatchingfile=match.txt\r\n"
                 "[Connection]\r\nDataSource=srv01\r\nUserID=sa\r\nPassword=geheim\r\n" +
                 bent.connection +
                 "[Provider]\r\naccess=Microsoft.Jet.OLEDB.4.0\r\nsql=SQLOLEDB.1\r\n");
  const std::string folder = FileCompany("Musterfirma", true);
  WriteBytes(dir_ / "firmen.uif", "[Musterfirma]\r\ndatabasetype=0\r\npath=" + folder +
                                      "\r\n[Zentrale]\r\n" + bent.server);
  std::vector<std::string> problems;
  SessionContext session =
      StartSession(dir_.Path(), RegionalSettings::ForLocale("de_DE"), problems);
  ASSERT_TRUE(SelectCompany(session, "Musterfirma", problems));
  problems.clear();

  EXPECT_FALSE(SelectCompany(session, "Zentrale", problems));
  EXPECT_FALSE(session.HasCompany());
  EXPECT_EQ(session.ConnectionString, "");
  EXPECT_EQ(session.LayoutFile, "");
  EXPECT_EQ(session.DatabasePath, "");
  EXPECT_EQ(session.OptionsFile, "");
  EXPECT_EQ(session.Options, nullptr);
  EXPECT_EQ(session.DatabaseType, SessionDatabaseTypeOf(session.Env));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("Die Firma 'Zentrale' kann nicht gewählt werden"), std::string::npos)
      << problems[0];
  EXPECT_NE(problems[0].find(bent.says), std::string::npos) << problems[0];
}

INSTANTIATE_TEST_SUITE_P(
    Bent, UnusableCompany,
    ::testing::Values(
        BentEnvironment{"Authentication", "Authentification=2\r\n", "[program]\r\n",
                        "databasetype=1\r\npath=/srv/\r\n",
                        "velra.var' ist [Connection] Authentification=2 ungültig"},
        BentEnvironment{"InstallMode", "Authentification=0\r\n", "[program]\r\n",
                        "databasetype=1\r\npath=/srv/\r\ninstalling=7\r\n",
                        "firmen.uif' ist [Zentrale] installing=7 ungültig"},
        BentEnvironment{"NoFolderForTheLayout", "Authentification=0\r\n", "[program]\r\n",
                        "databasetype=1\r\n", "firmen.uif' fehlt der Wert [Zentrale] path"},
        BentEnvironment{"OwnType", "", "[program]\r\n", "databasetype=2\r\npath=/srv/\r\n",
                        "[Zentrale] databasetype=2 ungültig"},
        BentEnvironment{"InheritedType", "", "[program]\r\ndatabasetype=2\r\n", "path=/srv/\r\n",
                        "[program] databasetype=2 aus der Datei"},
        BentEnvironment{"NoDatabase", "", "[program]\r\n", "databasetype=0\r\npath=/nirgendwo/\r\n",
                        "'/nirgendwo/Zentrale.mdb' ist nicht vorhanden"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(StartupTest, WithoutRegistryOrSectionsThereIsNoCompany) {
  EXPECT_FALSE(List().AnyCompany);
  WriteBytes(dir_ / "firmen.uif", "; leer\r\n");
  CompanyListResult result = List();
  EXPECT_FALSE(result.AnyCompany);
  ASSERT_EQ(result.Problems.size(), 1u);
  EXPECT_NE(result.Problems[0].find("firmen.uif"), std::string::npos);
}

TEST_F(StartupTest, CommandLineTakesTheLastClientPart) {
  EXPECT_EQ(ParseCommandLine("/debug/ CLIENT:  Musterfirma GmbH "), "Musterfirma GmbH");
  EXPECT_EQ(ParseCommandLine("/client:A/client:B"), "B");
  EXPECT_EQ(ParseCommandLine("/client: Meier"), "Meier");
  EXPECT_EQ(ParseCommandLine("/other:x/client"), std::nullopt);
  EXPECT_EQ(ParseCommandLine(""), std::nullopt);
}

TEST_F(StartupTest, SelectingAFileCompanyDerivesItsFilesConnectionAndOptions) {
  WriteEnvironment("[program]\r\ndatabasetype=1\r\n");
  std::string folder = FileCompany("Musterfirma", true);
  WriteBytes(folder + "Musterfirma.afk", "[Program]\r\nPositionFormat=000\r\nCountry=DE\r\n");
  WriteBytes(dir_ / "firmen.uif", "[Musterfirma]\r\ndatabasetype=0\r\npath=" + folder + "\r\n");

  std::vector<std::string> problems;
  SessionContext session =
      StartSession(dir_.Path(), RegionalSettings::ForLocale("de_DE"), problems);
  EXPECT_EQ(session.ActiveTrueValue, 1);  // the environment says server
  ASSERT_TRUE(SelectCompany(session, "MUSTERFIRMA", problems));
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(session.CompanyName, "Musterfirma");  // as the registry spells it
  EXPECT_EQ(session.DatabaseType, DatabaseType::File);
  EXPECT_EQ(session.ActiveTrueValue, -1);
  EXPECT_EQ(session.DatabasePath, folder + "Musterfirma.mdb");
  EXPECT_EQ(session.OptionsFile, folder + "Musterfirma.afk");
  EXPECT_EQ(session.LayoutFile, folder + "Musterfirma.lyt");
  EXPECT_EQ(session.ConnectionString, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder +
                                          "Musterfirma.mdb;Jet OLEDB:Database Password=418273");
  EXPECT_EQ(session.PositionFormat, "000");
  EXPECT_EQ(session.Country, "DE");
  EXPECT_EQ(session.ImportNote, "Import - " + session.TodayText);
}

TEST_F(StartupTest, ServerCompaniesFindTheirLayoutByInstallMode) {
  WriteEnvironment("[program]\r\n");
  WriteBytes(dir_ / "firmen.uif",
             "[Zentrale]\r\ndatabasetype=1\r\npath=C:\\Velra\\Zentrale\\\r\ninstalling=1\r\n"
             "[Filiale]\r\ndatabasetype=1\r\npath=/srv/velra/Filiale\r\ninstalling=2\r\n");
  std::vector<std::string> problems;
  SessionContext session =
      StartSession(dir_.Path(), RegionalSettings::ForLocale("de_DE"), problems);
  ASSERT_TRUE(ResolveCompany(session, "Zentrale", problems));
  EXPECT_EQ(session.LayoutFile, dir_ / "Zentrale.lyt");
  EXPECT_EQ(session.DatabasePath, "Zentrale");
  EXPECT_EQ(session.ActiveTrueValue, 1);
  EXPECT_EQ(session.ConnectionString,
            "Provider=SQLOLEDB.1;User ID=sa;Password=geheim;Initial Catalog=Zentrale;"
            "Data Source=srv01\\VELRA;Persist Security Info=False;Connect Timeout=0");
  ASSERT_TRUE(ResolveCompany(session, "Filiale", problems));
  EXPECT_EQ(session.LayoutFile, "/srv/velra/Filiale/Filiale.lyt");
}

TEST_F(StartupTest, AnUnknownCompanySelectsNothing) {
  WriteEnvironment("[program]\r\n");
  std::string folder = FileCompany("Musterfirma", true);
  WriteBytes(dir_ / "firmen.uif", "[Musterfirma]\r\npath=" + folder + "\r\n");
  std::vector<std::string> problems;
  SessionContext session =
      StartSession(dir_.Path(), RegionalSettings::ForLocale("de_DE"), problems);
  ASSERT_TRUE(SelectCompany(session, "Musterfirma", problems));
  EXPECT_FALSE(SelectCompany(session, "Gibtsnicht", problems));
  EXPECT_FALSE(session.HasCompany());
  EXPECT_TRUE(session.ConnectionString.empty());
  EXPECT_EQ(session.GetOption("Program", "Country"), "");
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems.back().find("Gibtsnicht"), std::string::npos);
}

TEST_F(StartupTest, OnlyOneInstancePerUser) {
  auto first = InstanceLock::TryAcquire(dir_.Path());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(InstanceLock::TryAcquire(dir_.Path()), nullptr);
  first.reset();
  EXPECT_NE(InstanceLock::TryAcquire(dir_.Path()), nullptr);
}

}  // namespace
}  // namespace velra
