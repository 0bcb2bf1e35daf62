// The command line on hostile files and environments: it ends in time with exit code 3 and a
// German sentence on standard error, never with a crash or a hang.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RawZip.h"
#include "TestSupport.h"
#include "demo/DemoEnvironment.h"

namespace velra {
namespace {

using ::testing::HasSubstr;

struct CliRun {
  int exitCode = -1;  // -1: killed
  std::string errors;
};

// Runs the command line with the arguments (shell words), killed after 20 seconds.
CliRun RunCli(const test::TempDir& dir, const std::string& arguments) {
  const std::string errorFile = dir / "stderr.txt";
  const std::string command = "timeout -s KILL 20 " + std::string(VELRA_CLI_PATH) + " " +
                              arguments + " >/dev/null 2>" + errorFile + " </dev/null";
  int status = std::system(command.c_str());
  CliRun run;
  if (WIFEXITED(status) && WEXITSTATUS(status) != 137) run.exitCode = WEXITSTATUS(status);
  run.errors = test::ReadBytes(errorFile);
  return run;
}

TEST(HostileCli, HostileSourcesEndWithExitCodeThreeAndAReason) {
  test::TempDir dir;
  ASSERT_NO_THROW(CreateDemoEnvironment(dir.Path(), false));

  // A workbook whose sheet inflates to 2 GB.
  std::string filler;
  while (filler.size() < 64 * 1024) filler += "<!--" + std::string(1016, 'A') + "-->";
  std::vector<test::RawZipEntry> parts = test::WorkbookParts({"Daten"});
  parts.push_back(test::RepeatedEntry("xl/worksheets/sheet1.xml", "<worksheet><sheetData>", filler,
                                      2ull * 1024 * 1024 * 1024 / filler.size(),
                                      "</sheetData></worksheet>"));
  test::WriteRawZip(dir / "bombe.xlsx", parts);
  // A dBase table whose header says it is 0 bytes long.
  std::string table(32, '\0');
  table[0] = 0x03;
  table[2] = 1;
  table[3] = 1;
  test::WriteBytes(dir / "kopf.dbf", table + std::string(64, ' '));
  // Text with a NUL byte, and a pipe named like a text file.
  test::WriteBytes(dir / "nul.csv", std::string("Nr;Text\n1;a\0b\n", 14));
  ASSERT_EQ(::mkfifo((dir / "pipe.csv").c_str(), 0600), 0);

  struct Case {
    std::string file, reason;
  };
  for (const Case& hostile :
       {Case{"bombe.xlsx", "entpackt mehr als"}, Case{"kopf.dbf", "eine unmögliche Länge"},
        Case{"nul.csv", "enthält Binärdaten"}, Case{"pipe.csv", "ist keine gewöhnliche Datei"}}) {
    SCOPED_TRACE(hostile.file);
    for (const char* command : {"preview", "import --kind Artikel"}) {
      CliRun run = RunCli(
          dir, "--program-dir " + dir.Path() + " " + command + " --file " + (dir / hostile.file));
      EXPECT_EQ(run.exitCode, 3) << run.errors;
      EXPECT_THAT(run.errors, HasSubstr(hostile.reason));
    }
  }
}

TEST(HostileCli, ARegistryOnADeviceEndsWithExitCodeThree) {
  test::TempDir dir;
  ASSERT_NO_THROW(CreateDemoEnvironment(dir.Path(), false));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  const std::string environment = test::ReadBytes(dir / "velra.var");
  for (const std::string& target : {std::string("/dev/zero"), dir / "fifo"}) {
    SCOPED_TRACE(target);
    std::string changed = environment;
    changed.replace(changed.find("uiffile=Firmen.uif"), 18, "uiffile=" + target);
    test::WriteBytes(dir / "velra.var", changed);
    for (const char* command : {"companies", "company", "fields --kind Artikel"}) {
      CliRun run = RunCli(dir, "--program-dir " + dir.Path() + " " + command);
      EXPECT_EQ(run.exitCode, 3) << command << ": " << run.errors;
      EXPECT_THAT(run.errors, HasSubstr("'" + target + "' ist keine gewöhnliche Datei")) << command;
    }
  }
}

// The file of rejected rows never replaces the import file, a file of the suite (also through a
// link) or a device: the run's result stands, the command ends with exit 3 and the reason.
TEST(HostileCli, TheRejectFileNeverReplacesTheSuitesFilesOrADevice) {
  test::TempDir dir;
  ASSERT_NO_THROW(CreateDemoEnvironment(dir.Path(), false));
  const std::string company = dir / "Firmen/Musterfirma/Musterfirma";
  // Three articles, the second without a number: one row is rejected.
  const std::string source = dir / "liste.csv";
  test::WriteBytes(source,
                   "Artikelnummer;Bezeichnung;MwSt\nA-1;Hammer;19\n;Zange;19\nA-3;Säge;19\n");
  ASSERT_EQ(::symlink((company + ".mdb").c_str(), (dir / "link.csv").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir / "pipe.csv").c_str(), 0600), 0);

  struct Case {
    std::string target, reason;
  };
  const std::string suite = "gehört zu den Daten von Velra";
  for (const Case& refused :
       {Case{company + ".mdb", suite}, Case{company + ".afk", suite}, Case{company + ".lyt", suite},
        Case{dir / "Firmen.uif", suite}, Case{dir / "velra.var", suite},
        Case{dir / "link.csv", suite}, Case{source, "nicht in die Importdatei selbst"},
        Case{"/dev/full", "ist keine gewöhnliche Datei"},
        Case{dir / "pipe.csv", "ist keine gewöhnliche Datei"}}) {
    SCOPED_TRACE(refused.target);
    struct stat before {};
    ASSERT_EQ(::stat(refused.target.c_str(), &before), 0);
    CliRun run = RunCli(dir, "--program-dir " + dir.Path() +
                                 " import --kind Artikel --no-autonumber --file " + source +
                                 " --reject-file " + refused.target);
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    EXPECT_THAT(run.errors, HasSubstr(refused.reason));
    struct stat after {};
    ASSERT_EQ(::stat(refused.target.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced by another file
    if (S_ISREG(before.st_mode) && refused.target != source) {
      EXPECT_EQ(test::ReadBytes(refused.target).find(";Zange;19;"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace velra
