#include "ServerCompany.h"

#include "TestSupport.h"
#include "db/Connection.h"

namespace velra::test {

namespace {

std::string MaintenanceConnection(const DemoServer& server) {
  return "Provider=" + server.provider + ";User ID=" + server.user +
         ";Password=" + server.password +
         ";Initial Catalog=postgres;Data Source=" + server.dataSource +
         ";Persist Security Info=False;Connect Timeout=15";
}

}  // namespace

std::optional<DemoServer> TestServer() {
  const std::string port = Environment("VELRA_TEST_PG_PORT");
  if (port.empty()) return std::nullopt;
  DemoServer server;
  server.dataSource = Environment("VELRA_TEST_PG_HOST") + "," + port;
  server.user = Environment("VELRA_TEST_PG_USER");
  server.password = Environment("VELRA_TEST_PG_PASSWORD");
  return server;
}

std::string ServerCompany::ConnectionString() const {
  return "Provider=PostgreSQL;User ID=" + server_.user + ";Password=" + server_.password +
         ";Initial Catalog=" + server_.company + ";Data Source=" + server_.dataSource;
}

void ServerCompany::Create(const std::string& folder, const DemoServer& server) {
  // Tests run side by side: each company, and so each database, has a name of its own.
  server_ = server;
  server_.company = UniqueName("Test_");
  CreateDemoServerCompany(folder, server_, false);
  created_ = true;
}

ServerCompany::~ServerCompany() {
  if (!created_) return;
  try {
    auto connection = Connection::Open(MaintenanceConnection(server_));
    connection->Execute("DROP DATABASE IF EXISTS " + connection->Quote(server_.company) +
                        " WITH (FORCE)");
  } catch (const DbError&) {
    // The cluster is thrown away after the run anyway.
  }
}

}  // namespace velra::test
