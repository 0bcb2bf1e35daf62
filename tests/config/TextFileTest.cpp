#include "config/TextFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using Names = std::set<std::string>;

Names FilesIn(const std::string& folder) {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

Names TemporariesIn(const std::string& folder) {
  Names names;
  for (const std::string& name : FilesIn(folder))
    if (name.find(".velra-tmp-") != std::string::npos) names.insert(name);
  return names;
}

void MakeOlder(const std::string& path, int seconds) {
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0) << path;
  const timespec times[2] = {{info.st_atime - seconds, 0}, {info.st_mtime - seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST(AtomicFileWriterTest, OnlyStaleTemporariesOfTheWrittenFileAreRemoved) {
  struct Leftover {
    const char* name;
    int ageSeconds;
    bool removed;
  };
  const Leftover leftovers[] = {
      {".Musterfirma.afk.velra-tmp-AbC123", 120, true},
      {".Musterfirma.afk.velra-tmp-Frisch", 0, false},     // may be a writer that just began
      {".Andere.afk.velra-tmp-AbC123", 120, false},        // another file's
      {".Musterfirma.afk.velra-tmp-AbC1234", 120, false},  // not our pattern
      {".Musterfirma.afk.velra-tmp-Ab-123", 120, false},
      {".Musterfirma.afk.XwCHIT", 120, false},
      {"Musterfirma.afk.velra-tmp-AbC123", 120, false},
  };
  TempDir dir;
  for (const Leftover& leftover : leftovers) {
    WriteBytes(dir / leftover.name, "[NumberRange]\r\n");
    if (leftover.ageSeconds) MakeOlder(dir / leftover.name, leftover.ageSeconds);
  }
  ASSERT_TRUE(WriteFileAtomically(dir / "Musterfirma.afk", "[NumberRange]\r\nCustomer=1\r\n"));

  Names expected = {"Musterfirma.afk"};
  for (const Leftover& leftover : leftovers)
    if (!leftover.removed) expected.insert(leftover.name);
  EXPECT_EQ(FilesIn(dir.Path()), expected);
}

// A writer killed midway leaves its temporary file. While the writer lives, its lock keeps the
// file however old it looks; once the writer is gone, the next write removes it.
TEST(AtomicFileWriterTest, AKilledWritersTemporaryGoesAtTheNextWrite) {
  TempDir dir;
  const std::string file = dir / "Musterfirma.afk";
  WriteBytes(file, "[NumberRange]\r\nCustomer=1\r\n");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicFileWriter writer(file);
    bool opened = writer.Open() && writer.Write("[NumberRange]\r\n");
    if (!opened || ::write(ready[1], "x", 1) != 1) ::_exit(1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char signal = 0;
  const bool writing = ::read(ready[0], &signal, 1) == 1;
  ::close(ready[0]);
  const Names temporaries = TemporariesIn(dir.Path());
  if (writing && temporaries.size() == 1) {
    MakeOlder(dir / *temporaries.begin(), 120);
    EXPECT_TRUE(WriteFileAtomically(file, "[NumberRange]\r\nCustomer=2\r\n"));
    EXPECT_EQ(TemporariesIn(dir.Path()), temporaries);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ASSERT_TRUE(writing);
  ASSERT_EQ(temporaries.size(), 1u);

  EXPECT_TRUE(WriteFileAtomically(file, "[NumberRange]\r\nCustomer=3\r\n"));
  EXPECT_EQ(FilesIn(dir.Path()), Names{"Musterfirma.afk"});
  EXPECT_EQ(ReadBytes(file), "[NumberRange]\r\nCustomer=3\r\n");
}

}  // namespace
}  // namespace velra
