#pragma once
// Helpers shared by the tests: temporary folders and raw file access.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace velra {
class Connection;
}

namespace velra::test {

// A fresh folder below the temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, ending in "/".
  const std::string& Path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + std::string(name); }

 private:
  std::string path_;
};

// The user's configuration (learned mappings) goes to this test's folder.
void UseOwnConfigFolder(const TempDir& dir);

// The environment variable's value; empty when it is not set.
std::string Environment(const char* name);
// A name no other test of this or another test process uses, for databases and logins.
std::string UniqueName(const char* prefix);

// The SQL of a test with every table and column name (a word with capitals, as "Articles",
// "ArticleNumber", "ID") quoted for the connection's engine, so that one test text runs against
// the file company and a server company. Quoted literals stay as they are.
std::string QuoteNames(std::string_view sql, const class Connection& connection);

// The text of the `Error` that `action` throws; a failure of the test, and empty text, when it
// throws none.
template <class Error, class Action>
std::string ThrownMessage(Action&& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  ADD_FAILURE() << "Es wurde kein Fehler geworfen.";
  return {};
}

void WriteBytes(const std::string& path, std::string_view bytes);
// A dBase III table with one character field and a record per text (its bytes as they stand),
// naming no character set.
void WriteDbfTable(const std::string& path, const std::string& field,
                   const std::vector<std::string>& records);
// Runs importassistent-cli with the arguments (shell words) and returns its exit code; what it
// printed on stdout and stderr goes to `output`.
int RunCli(const std::string& arguments, std::string& output);
// The same with stdout and stderr apart (stdout for --json).
int RunCli(const std::string& arguments, std::string& out, std::string& errors);
std::string ReadBytes(const std::string& path);
// Starts importassistent-cli with the arguments (without the program), its output thrown away,
// and returns at once with its process id, so that a test can stop or kill it midway.
pid_t StartCli(const std::vector<std::string>& arguments);
// A way a company database file gets broken, and what the message then says about it.
struct DatabaseDamage {
  const char* name;
  void (*apply)(const std::string& path);
  const char* says;
};
// Emptied, cut in half, overwritten with other bytes, its header overwritten.
const std::vector<DatabaseDamage>& DatabaseDamages();

// A CSV file of articles (Bezeichnung;MwSt;VK netto) with this many rows, for a run long enough
// to be interrupted.
std::string ArticlesCsv(int rows);

}  // namespace velra::test
