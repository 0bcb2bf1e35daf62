#include "db/Schema.h"

#include "db/Embedded.h"

namespace velra {

namespace {

std::string_view Script(std::string_view name) {
  std::optional<std::string_view> text = embedded::EmbeddedFile(name);
  if (!text) throw DbError(DbError::Kind::Unsupported, "Das Datenbankschema fehlt im Programm.");
  return *text;
}

// The schema and seed scripts of an engine. Both servers share one seed: its names are quoted
// with double quotes, which SQL Server reads as names only with QUOTED_IDENTIFIER on.
struct Scripts {
  const char* schema;
  const char* seed;
  const char* beforeSeed = nullptr;
};

Scripts ScriptsFor(BackendKind kind) {
  switch (kind) {
    case BackendKind::Sqlite:
      return {"src/db/schema/sqlite.sql", "src/db/schema/seed.sql"};
    case BackendKind::PostgreSql:
      return {"src/db/schema/postgresql.sql", "src/db/schema/seed-server.sql"};
    case BackendKind::SqlServer:
      return {"src/db/schema/sqlserver.sql", "src/db/schema/seed-server.sql",
              "SET QUOTED_IDENTIFIER ON"};
    case BackendKind::Unknown:
      break;
  }
  throw DbError(DbError::Kind::Unsupported,
                "Für diesen Datenbankserver enthält das Programm kein Schema.");
}

}  // namespace

void CreateCompanySchema(Connection& connection) {
  connection.ExecuteScript(Script(ScriptsFor(connection.GetDialect().Kind()).schema));
}

void InsertDemoReferenceData(Connection& connection) {
  const Scripts scripts = ScriptsFor(connection.GetDialect().Kind());
  if (scripts.beforeSeed) connection.Execute(scripts.beforeSeed);
  connection.ExecuteScript(Script(scripts.seed));
}

}  // namespace velra
