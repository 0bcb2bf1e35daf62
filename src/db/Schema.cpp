#include "db/Schema.h"

#include "db/Embedded.h"

namespace velra {

namespace {

std::string_view Script(std::string_view name) {
  std::optional<std::string_view> text = embedded::EmbeddedFile(name);
  if (!text) throw DbError(DbError::Kind::Unsupported, "Das Datenbankschema fehlt im Programm.");
  return *text;
}

// The schema and seed scripts of an engine; a server engine gets its scripts with its backend.
struct Scripts {
  const char* schema;
  const char* seed;
};

Scripts ScriptsFor(BackendKind kind) {
  if (kind == BackendKind::Sqlite) return {"src/db/schema/sqlite.sql", "src/db/schema/seed.sql"};
  throw DbError(DbError::Kind::Unsupported,
                "Für diesen Datenbankserver enthält das Programm noch kein Schema.");
}

}  // namespace

void CreateCompanySchema(Connection& connection) {
  connection.ExecuteScript(Script(ScriptsFor(connection.GetDialect().Kind()).schema));
}

void InsertDemoReferenceData(Connection& connection) {
  connection.ExecuteScript(Script(ScriptsFor(connection.GetDialect().Kind()).seed));
}

}  // namespace velra
