#include "demo/DemoEnvironment.h"

#include <filesystem>
#include <fstream>

#include "config/ConnectionString.h"
#include "config/Messages.h"
#include "config/Paths.h"
#include "config/Text.h"
#include "config/TextFile.h"
#include "db/Connection.h"
#include "db/Embedded.h"
#include "db/Schema.h"
#include "demo/DbfSample.h"
#include "source/csv/CsvReader.h"

namespace velra {

namespace fs = std::filesystem;

namespace {

// Writes an embedded template in the suite's form: CR LF line ends, in `encoding`.
void WriteTemplate(const std::string& templateName, const std::string& target,
                   TextEncoding encoding) {
  std::optional<std::string_view> text = embedded::EmbeddedFile("demo/" + templateName);
  if (!text) throw std::runtime_error("Die Vorlage '" + templateName + "' fehlt im Programm.");
  TextDocument document;
  document.lines = Split(*text, "\n");
  if (!document.lines.empty() && document.lines.back().empty()) document.lines.pop_back();
  document.encoding = encoding;
  document.lineEnd = "\r\n";
  std::string error;
  if (!WriteTextFileAtomically(target, document, &error)) throw std::runtime_error(error);
}

void WriteLines(const std::string& target, std::vector<std::string> lines) {
  TextDocument document;
  document.lines = std::move(lines);
  std::string error;
  if (!WriteTextFileAtomically(target, document, &error)) throw std::runtime_error(error);
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
    if (!out.flush()) throw std::runtime_error("Die Datei '" + target + "' kann nicht geschrieben werden.");
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

}  // namespace

bool CreateDemoEnvironment(const std::string& folder, bool replace, std::string* error) {
  try {
    fs::create_directories(folder);
    const std::string root = NormaliseFolder(fs::canonical(folder).string());
    if (FileExists(root + "velra.var") && !replace)
      throw std::runtime_error(
          "Der Ordner '" + root +
          "' enthält bereits eine Umgebungsdatei (velra.var). Wählen Sie einen "
          "leeren Ordner oder ersetzen Sie die Demo-Umgebung ausdrücklich (--replace).");

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
    return true;
  } catch (const fs::filesystem_error& e) {
    if (error)
      *error = "Die Demo-Umgebung konnte nicht angelegt werden: '" + e.path1().string() +
               "': " + messages::SystemReason(e.code().value());
    return false;
  } catch (const std::exception& e) {
    if (error) *error = std::string("Die Demo-Umgebung konnte nicht angelegt werden: ") + e.what();
    return false;
  }
}

}  // namespace velra
