#pragma once
// A server company on the throwaway PostgreSQL of the tests (tests/server/postgres.sh), for tests
// that run against the file company and a server company alike.

#include <optional>
#include <string>

#include "demo/DemoEnvironment.h"

namespace velra::test {

// The test server named by VELRA_TEST_PG_HOST, _PORT, _USER and _PASSWORD; nullopt when the tests
// run without one.
std::optional<DemoServer> TestServer();
inline constexpr const char* kNoTestServer =
    "Kein Testserver: ./run.sh test startet einen (VELRA_TEST_PG_PORT fehlt).";

// Creates a server company with a name of its own in the demo environment in `folder` and drops
// its database again at the end.
class ServerCompany {
 public:
  ServerCompany() = default;
  ServerCompany(const ServerCompany&) = delete;
  ServerCompany& operator=(const ServerCompany&) = delete;
  ~ServerCompany();

  // Throws DemoError.
  void Create(const std::string& folder, const DemoServer& server);
  const std::string& Name() const { return server_.company; }
  // How the tests connect to its database.
  std::string ConnectionString() const;

 private:
  DemoServer server_;
  bool created_ = false;
};

}  // namespace velra::test
