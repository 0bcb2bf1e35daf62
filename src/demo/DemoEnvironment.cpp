#include "demo/DemoEnvironment.h"

#include <filesystem>
#include <fstream>

#include "base/ConnectionString.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/TextFile.h"
#include "db/Connection.h"
#include "db/Embedded.h"
#include "db/Schema.h"
#include "demo/DbfSample.h"
#include "demo/DemoTexts.h"
#include "source/csv/CsvReader.h"

namespace velra {

namespace fs = std::filesystem;

namespace {

// The file or folder the file system refused, and why.
std::string PathFailed(const fs::filesystem_error& e) {
  return Fill(demo_texts::kPathFailed,
              {e.path1().string(), messages::SystemReason(e.code().value())});
}

// Writes an embedded template in the suite's form: CR LF line ends, in `encoding`.
void WriteTemplate(const std::string& templateName, const std::string& target,
                   TextEncoding encoding) {
  std::optional<std::string_view> text = embedded::EmbeddedFile("demo/" + templateName);
  if (!text) throw DemoError(Fill(demo_texts::kTemplateMissing, {templateName}));
  TextDocument document;
  document.lines = Split(*text, "\n");
  if (!document.lines.empty() && document.lines.back().empty()) document.lines.pop_back();
  document.encoding = encoding;
  document.lineEnd = "\r\n";
  WriteTextFileAtomically(target, document);
}

void WriteLines(const std::string& target, std::vector<std::string> lines) {
  TextDocument document;
  document.lines = std::move(lines);
  WriteTextFileAtomically(target, document);
}

// The sample source files as they are, and the article sample once more as a dBase table.
void WriteSamples(const std::string& folder) {
  fs::create_directories(folder);
  const std::string_view prefix = "demo/samples/";
  for (std::string_view name : embedded::EmbeddedFileNames()) {
    if (!name.starts_with(prefix)) continue;
    std::string_view content = *embedded::EmbeddedFile(name);
    std::string target = folder + std::string(name.substr(prefix.size()));
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out.flush()) throw DemoError(Fill(demo_texts::kFileNotWritten, {target}));
  }
  SourceTable articles;
  LoadReport report;
  LoadTextFile(folder + "Artikel.csv", TextOptions{}, articles, report);
  WriteArticleDbf(articles, folder + "Artikel.dbf");
}

void CreateDatabase(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(path + suffix);
  ConnectionStringInput input;
  input.ProviderAccess = "Microsoft.Jet.OLEDB.4.0";
  input.Database = path;
  input.Password = kCompanyDatabasePassword;
  auto connection =
      Connection::Open(*BuildConnectionString(input), Connection::OpenMode::CreateIfMissing);
  Transaction transaction = connection->Begin();
  CreateCompanySchema(*connection);
  InsertDemoReferenceData(*connection);
  transaction.Commit();
}

// The login time-out of the environment file's template.
constexpr int32_t kServerLoginTimeout = 15;

// A catalog name that every server takes as it is, quoted or not: ASCII letters, digits and "_",
// a letter first, at most the 63 characters PostgreSQL keeps of a name.
bool IsPlainCatalogName(std::string_view name) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (name.empty() || name.size() > 63 || !letter(name.front())) return false;
  for (char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_') return false;
  return true;
}

void CheckServer(const DemoServer& server) {
  const BackendKind kind = BackendOfProvider(server.provider);
  if (kind != BackendKind::PostgreSql && kind != BackendKind::SqlServer)
    throw DemoError(Fill(demo_texts::kNotAServer, {server.provider}));
  if (Trim(server.dataSource).empty()) throw DemoError(demo_texts::kNoServer);
  if (!IsPlainCatalogName(server.company))
    throw DemoError(Fill(demo_texts::kNotACatalogName, {server.company}));
  // Values go unquoted into the environment file: a line break would end the line there, and the
  // ini reading trims spaces and one pair of quotes.
  const std::pair<const char*, const std::string*> values[] = {{"Der Server", &server.dataSource},
                                                               {"Der Benutzer", &server.user},
                                                               {"Das Kennwort", &server.password}};
  for (const auto& [what, value] : values) {
    bool plain =
        value->empty() || (value->front() != ' ' && value->back() != ' ' &&
                           !(value->size() >= 2 && value->front() == '"' && value->back() == '"'));
    for (char c : *value)
      if (static_cast<unsigned char>(c) < 0x20) plain = false;
    if (!plain)
      throw DemoError(
          std::string(what) +
          " darf keinen Zeilenumbruch enthalten, nicht mit einem Leerzeichen beginnen oder enden "
          "und nicht in Anführungszeichen stehen: die Umgebungsdatei liest den Wert sonst "
          "anders.");
  }
}

std::string ServerConnectionString(const DemoServer& server, const std::string& catalog) {
  ConnectionStringInput input;
  input.DatabaseType = DatabaseType::Server;
  input.ProviderSql = server.provider;
  input.Database = catalog;
  input.Server = server.dataSource;
  input.Timeout = kServerLoginTimeout;
  input.User = server.user;
  input.Password = server.password;
  return *BuildConnectionString(input);
}

// The database every server has, to create and drop the others from.
const char* MaintenanceCatalog(BackendKind kind) {
  return kind == BackendKind::SqlServer ? "master" : "postgres";
}

bool CatalogExists(Connection& server, const std::string& catalog) {
  const char* sql = server.GetDialect().Kind() == BackendKind::SqlServer
                        ? "SELECT 1 FROM sys.databases WHERE name = ?"
                        : "SELECT 1 FROM pg_database WHERE datname = ?";
  return server.QueryValue(sql, {Value(catalog)}).has_value();
}

// The options of the file company's template, row for row into the table Options, so that the
// server company numbers, formats and counts exactly as the file company does.
void InsertCompanyOptions(Connection& connection) {
  std::optional<std::string_view> text = embedded::EmbeddedFile("demo/Musterfirma.afk");
  if (!text) throw DemoError("Die Vorlage 'Musterfirma.afk' fehlt im Programm.");
  TextDocument document;
  for (std::string& line : Split(*text, "\n")) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    document.lines.push_back(std::move(line));
  }
  const IniDocument options(std::move(document));
  Statement insert = connection.Prepare(
      "INSERT INTO " + connection.Quote("Options") + " (" + connection.Quote("Section") + ", " +
      connection.Quote("Key") + ", " + connection.Quote("Value") + ") VALUES (?, ?, ?)");
  for (const std::string& section : options.Sections())
    for (const std::string& key : options.Keys(section))
      insert.Bind(1, Value(section))
          .Bind(2, Value(key))
          .Bind(3, Value(options.Read(section, key, kProfileRoomLong)))
          .Execute();
}

// Makes the catalog and fills it. A catalog made here that cannot be filled is dropped again, so
// that a failed run leaves the server as it found it (apart from a catalog dropped on request).
void CreateServerCatalog(const DemoServer& server, bool replace) {
  const BackendKind kind = BackendOfProvider(server.provider);
  auto maintenance = Connection::Open(ServerConnectionString(server, MaintenanceCatalog(kind)));
  const std::string catalog = maintenance->Quote(server.company);
  if (CatalogExists(*maintenance, server.company)) {
    if (!replace)
      throw DemoError(Fill(demo_texts::kCatalogExists, {server.company, server.dataSource}));
    maintenance->Execute("DROP DATABASE " + catalog);
  }
  maintenance->Execute("CREATE DATABASE " + catalog);
  try {
    auto connection = Connection::Open(ServerConnectionString(server, server.company));
    Transaction transaction = connection->Begin();
    CreateCompanySchema(*connection);
    InsertDemoReferenceData(*connection);
    InsertCompanyOptions(*connection);
    transaction.Commit();
  } catch (...) {
    try {
      maintenance->Execute("DROP DATABASE " + catalog);
    } catch (const DbError&) {
      // The first failure is the one to report; the empty catalog is then left on the server.
    }
    throw;
  }
}

// A server company other than the demo's own gets its registry entry and its layout file.
void RegisterServerCompany(const std::string& root, const std::string& company) {
  const std::string registry = root + "Firmen.uif";
  if (SectionExists(registry, company)) return;
  const std::string folder = root + "Firmen/" + company + "/";
  fs::create_directories(folder);
  WriteTemplate("Musterfirma.lyt", folder + company + ".lyt", TextEncoding::Windows1252);
  WriteProfileString(registry, company, "databasetype", "1");
  WriteProfileString(registry, company, "path", folder);
  WriteProfileString(registry, company, "installing", "0");
}

}  // namespace

void CreateDemoEnvironment(const std::string& folder, bool replace) {
  try {
    fs::create_directories(folder);
    const std::string root = NormaliseFolder(fs::canonical(folder).string());
    if (FileExists(root + "velra.var") && !replace)
      throw DemoError(Fill(demo_texts::kEnvironmentExists, {root}));

    const std::string fileCompany = root + "Firmen/" + kDemoCompany + "/";
    const std::string serverCompany = root + "Firmen/" + kDemoServerCompany + "/";
    fs::create_directories(fileCompany);
    fs::create_directories(serverCompany);

    WriteTemplate("velra.var", root + "velra.var", TextEncoding::Windows1252);
    WriteTemplate("Feldzuordnung.txt", root + "Feldzuordnung.txt", TextEncoding::Windows1252);
    WriteLines(root + "Firmen.uif",
               {"[" + std::string(kDemoCompany) + "]", "databasetype=0", "path=" + fileCompany,
                "installing=0", "", "[" + std::string(kDemoServerCompany) + "]", "databasetype=1",
                "path=" + serverCompany, "installing=0"});
    const std::string base = fileCompany + kDemoCompany;
    WriteTemplate("Musterfirma.afk", base + ".afk", TextEncoding::Windows1252);
    WriteTemplate("Musterfirma.lyt", base + ".lyt", TextEncoding::Windows1252);
    WriteTemplate("Musterfirma.lyt", serverCompany + kDemoServerCompany + ".lyt",
                  TextEncoding::Windows1252);
    CreateDatabase(base + ".mdb");
    WriteSamples(root + kDemoSampleFolder);
  } catch (const fs::filesystem_error& e) {
    throw DemoError(Fill(demo_texts::kEnvironmentNotCreated, {PathFailed(e)}));
  } catch (const std::exception& e) {
    throw DemoError(Fill(demo_texts::kEnvironmentNotCreated, {e.what()}));
  }
}

void CreateDemoServerCompany(const std::string& folder, const DemoServer& server, bool replace) {
  try {
    const std::string root = NormaliseFolder(folder);
    const std::string environment = root + "velra.var";
    if (!IsRegularFile(environment)) throw DemoError(Fill(demo_texts::kNoEnvironment, {root}));
    CheckServer(server);
    CreateServerCatalog(server, replace);
    RegisterServerCompany(root, server.company);
    WriteProfileString(environment, "Connection", "DataSource", server.dataSource);
    WriteProfileString(environment, "Connection", "Authentification", "0");
    WriteProfileString(environment, "Connection", "UserID", server.user);
    WriteProfileString(environment, "Connection", "Password", server.password);
    WriteProfileString(environment, "Provider", "sql", server.provider);
  } catch (const fs::filesystem_error& e) {
    throw DemoError(Fill(demo_texts::kServerCompanyNotCreated, {server.company, PathFailed(e)}));
  } catch (const std::exception& e) {
    throw DemoError(Fill(demo_texts::kServerCompanyNotCreated, {server.company, e.what()}));
  }
}

}  // namespace velra
