#include "TestSupport.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

void UseOwnConfigFolder(const TempDir& dir) {
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
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

}  // namespace velra::test
