// importassistent-cli: the import wizard's engine without a window.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <streambuf>

#include "cli/Commands.h"
#include "cli/GermanHelp.h"
#include "cli/UsageErrors.h"

namespace {

// std::cout's buffer on a file descriptor of its own.
class OwnOutput final : public std::streambuf {
 public:
  explicit OwnOutput(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }

 protected:
  int_type overflow(int_type c) override {
    if (!Flush()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  int sync() override { return Flush() ? 0 : -1; }

 private:
  // Writes out the buffer and empties it, also when the write fails.
  bool Flush() {
    const char* data = pbase();
    auto size = static_cast<size_t>(pptr() - pbase());
    setp(buffer_, buffer_ + sizeof buffer_);
    while (size > 0) {
      ssize_t written = ::write(fd_, data, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      data += written;
      size -= static_cast<size_t>(written);
    }
    return true;
  }

  int fd_;
  char buffer_[8192];
};

// stdout carries the command's own output only, the JSON of --json among it. The libraries print
// on the C stream stdout as they please (mdbtools dumps the pages it reads there when the debug
// switches of MDBOPTS are on), so before any work, while the process has a single thread,
// std::cout gets a duplicate of the original stdout and file descriptor 1 is pointed at stderr
// for the rest of the run. The buffer is never freed: std::cout flushes it at exit.
void KeepStdoutForOurOutput() {
  int own = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  if (own < 0) return;  // no stdout at all
  std::cout.flush();
  std::cout.rdbuf(new OwnOutput(own));
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velra::cli;
  KeepStdoutForOurOutput();
  CLI::App app{"Importassistent der Velra-Suite, Befehlszeile"};
  PrepareGermanHelp(app);
  app.require_subcommand(1);
  app.fallthrough();
  GlobalOptions options;
  app.add_option(
      "--program-dir", options.programDir,
      "Ordner der Umgebungsdatei velra.var (Vorgabe: VELRA_HOME, sonst der Programmordner)");
  app.add_option("--company", options.company, "Firma (Vorgabe: die Firma aus der Umgebungsdatei)");

  int exitCode = kOk;
  AddDemoCommand(app, exitCode);
  AddCompaniesCommand(app, options, exitCode);
  AddCompanyCommand(app, options, exitCode);
  AddPreviewCommand(app, options, exitCode);
  AddFieldsCommand(app, options, exitCode);
  AddImportCommand(app, options, exitCode);
  FinishGermanHelp(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help or --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << UsageMessage(app, e) << '\n';
    return kUsage;
  }
  return exitCode;
}
