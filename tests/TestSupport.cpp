#include "TestSupport.h"

#include "db/Connection.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace velra::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velra-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteDbfTable(const std::string& path, const std::string& field,
                   const std::vector<std::string>& records) {
  size_t width = 1;
  for (const std::string& record : records) width = std::max(width, record.size());
  auto le = [](std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
  };
  std::string table = {'\x03', 126, 12, 7};
  le(table, static_cast<uint32_t>(records.size()), 4);
  le(table, 32 + 32 + 1, 2);
  le(table, static_cast<uint32_t>(1 + width), 2);
  table.resize(32, '\0');  // language driver (byte 29) 0: no character set named
  std::string descriptor = field.substr(0, 10);
  descriptor.resize(11, '\0');
  descriptor += 'C';
  descriptor.resize(16, '\0');
  descriptor.push_back(static_cast<char>(width));
  descriptor.resize(32, '\0');
  table += descriptor + '\x0D';
  for (const std::string& record : records) {
    table += ' ' + record;
    table.append(width - record.size(), ' ');
  }
  table += '\x1A';
  WriteBytes(path, table);
}

std::string QuoteNames(std::string_view sql, const Connection& connection) {
  static const std::set<std::string_view> kKeywords = {
      "SELECT", "FROM",   "WHERE",  "ORDER",    "BY",     "AND",  "OR",  "NOT",  "NULL",
      "IS",     "IN",     "COUNT",  "DISTINCT", "ASC",    "DESC", "AS",  "LIKE", "UPDATE",
      "SET",    "DELETE", "INSERT", "INTO",     "VALUES", "SUM",  "MAX", "MIN",  "GROUP"};
  std::string out;
  size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == '\'') {  // a literal, copied up to its closing quote
      const size_t end = sql.find('\'', i + 1);
      const size_t stop = end == std::string_view::npos ? sql.size() : end + 1;
      out.append(sql.substr(i, stop - i));
      i = stop;
    } else if (std::isalpha(static_cast<unsigned char>(c))) {
      size_t end = i;
      while (end < sql.size() &&
             (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '_'))
        ++end;
      const std::string_view word = sql.substr(i, end - i);
      const bool name = std::isupper(static_cast<unsigned char>(word[0])) && !kKeywords.count(word);
      out += name ? connection.Quote(word) : std::string(word);
      i = end;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

void UseOwnConfigFolder(const TempDir& dir) {
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string UniqueName(const char* prefix) {
  static std::atomic<int> counter{0};
  return std::string(prefix) + std::to_string(::getpid()) + "_" + std::to_string(++counter);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

namespace {

// Runs a shell command line and collects what it writes to stdout.
int RunShell(const std::string& command, std::string& output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  int status = ::pclose(pipe);
  return WEXITSTATUS(status);
}

}  // namespace

int RunCli(const std::string& arguments, std::string& output) {
  return RunShell(std::string(VELRA_CLI_PATH) + " " + arguments + " 2>&1", output);
}

int RunCli(const std::string& arguments, std::string& out, std::string& errors) {
  TempDir dir;
  const std::string errorFile = dir / "stderr.txt";
  int status = RunShell(std::string(VELRA_CLI_PATH) + " " + arguments + " 2>" + errorFile, out);
  errors = ReadBytes(errorFile);
  return status;
}

pid_t StartCli(const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {VELRA_CLI_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) throw std::runtime_error("importassistent-cli cannot be started");
  return pid;
}

const std::vector<DatabaseDamage>& DatabaseDamages() {
  static const std::vector<DatabaseDamage> damages = {
      {"Empty", [](const std::string& path) { WriteBytes(path, ""); },
       "ist leer und keine Datenbank"},
      {"Truncated",
       [](const std::string& path) {
         ::truncate(path.c_str(), static_cast<off_t>(ReadBytes(path).size() / 2));
       },
       "ist beschädigt"},
      {"RandomBytes",
       [](const std::string& path) {
         std::string bytes(ReadBytes(path).size(), '\0');
         for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7919 % 251);
         WriteBytes(path, bytes);
       },
       "ist beschädigt"},
      {"OverwrittenHeader",
       [](const std::string& path) {
         std::string bytes = ReadBytes(path);
         bytes.replace(0, 100, std::string(100, 'V'));
         WriteBytes(path, bytes);
       },
       "ist beschädigt"}};
  return damages;
}

std::string ArticlesCsv(int rows) {
  std::string csv = "Bezeichnung;MwSt;VK netto\n";
  for (int i = 1; i <= rows; ++i)
    csv += "Artikel " + std::to_string(i) + ";19;" + std::to_string(i) + ",50\n";
  return csv;
}

}  // namespace velra::test
