#include "config/TextFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::ThrownMessage;
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

// A company folder whose options file is a link into a shared folder. A link's content starting
// with "/" is taken as absolute below the test's folder.
struct LinkCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> links;  // path -> content, the first is written
  bool targetExists;
};

class LinkedFileTest : public ::testing::TestWithParam<LinkCase> {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir_ / "firma");
    std::filesystem::create_directory(dir_ / "shared");
    if (GetParam().targetExists) WriteBytes(target_, "[NumberRange]\r\nCustomer=10041\r\n");
    for (const auto& [link, content] : GetParam().links)
      std::filesystem::create_symlink(content.starts_with('/') ? dir_ / content.substr(1) : content,
                                      dir_ / link);
  }
  TempDir dir_;
  std::string target_ = dir_ / "shared/Musterfirma.afk";
};

TEST_P(LinkedFileTest, AWriteThroughTheLinkReplacesItsTargetInTheTargetsFolder) {
  const std::string written = dir_ / GetParam().links.front().first;
  AtomicFileWriter writer(written);
  ASSERT_NO_THROW(writer.Open());
  EXPECT_EQ(TemporariesIn(dir_ / "shared").size(), 1u);
  EXPECT_TRUE(TemporariesIn(dir_ / "firma").empty());
  writer.Write("[NumberRange]\r\nCustomer=10042\r\n");
  ASSERT_NO_THROW(writer.Commit());

  EXPECT_EQ(ReadBytes(target_), "[NumberRange]\r\nCustomer=10042\r\n");
  for (const auto& [link, content] : GetParam().links)
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / link)) << link;
  EXPECT_TRUE(TemporariesIn(dir_ / "shared").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkedFileTest,
    ::testing::Values(
        LinkCase{"Absolute", {{"firma/Musterfirma.afk", "/shared/Musterfirma.afk"}}, true},
        LinkCase{"RelativeChain",
                 {{"firma/Musterfirma.afk", "../shared/aktuell.afk"},
                  {"shared/aktuell.afk", "Musterfirma.afk"}},
                 true},
        LinkCase{
            "ToAMissingTarget", {{"firma/Musterfirma.afk", "../shared/Musterfirma.afk"}}, false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Nothing but a regular file is replaced, also at the end of a link; a circle of links ends.
TEST(AtomicFileWriterTest, ACircleOfLinksOrWhatIsNoFileIsRefusedWithAMessage) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  std::filesystem::create_directory(dir / "Ordner");
  std::filesystem::create_symlink("fifo", dir / "zur-fifo.afk");
  std::filesystem::create_symlink("b.afk", dir / "a.afk");
  std::filesystem::create_symlink("a.afk", dir / "b.afk");
  const std::pair<const char*, const char*> cases[] = {
      {"a.afk", "Verknüpfungen führen im Kreis"},
      {"fifo", "keine gewöhnliche Datei"},
      {"zur-fifo.afk", "keine gewöhnliche Datei"},
      {"Ordner", "keine gewöhnliche Datei"},
  };
  for (const auto& [name, reason] : cases) {
    const std::string error =
        ThrownMessage<ConfigError>([&] { WriteFileAtomically(dir / name, "x"); });
    EXPECT_NE(error.find(dir / name), std::string::npos) << error;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
  EXPECT_EQ(std::filesystem::status(dir / "fifo").type(), std::filesystem::file_type::fifo);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "zur-fifo.afk"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "Ordner"));
  EXPECT_TRUE(TemporariesIn(dir.Path()).empty());
}

// An owner and group other than the process's own that it may give a file: as root any, else
// a further group of the user.
std::optional<std::pair<uid_t, gid_t>> ForeignOwnership() {
  if (::geteuid() == 0) return std::pair<uid_t, gid_t>{65534, 65534};
  const int count = ::getgroups(0, nullptr);
  std::vector<gid_t> groups(static_cast<size_t>(std::max(count, 0)));
  if (::getgroups(count, groups.data()) != count) groups.clear();
  for (gid_t group : groups)
    if (group != ::getegid()) return std::pair<uid_t, gid_t>{::geteuid(), group};
  return std::nullopt;
}

TEST(AtomicFileWriterTest, AReplacedFileKeepsOwnerGroupAndMode) {
  const std::optional<std::pair<uid_t, gid_t>> owner = ForeignOwnership();
  if (!owner) GTEST_SKIP() << "no owner or group but the process's own to give a file";
  TempDir dir;
  const std::string file = dir / "velra.var";
  WriteBytes(file, "[files]\r\n");
  ASSERT_EQ(::chown(file.c_str(), owner->first, owner->second), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);

  ASSERT_NO_THROW(WriteFileAtomically(file, "[files]\r\nuiffile=Firmen.uif\r\n"));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, owner->first);
  EXPECT_EQ(info.st_gid, owner->second);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
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
      {".Musterfirma.afk.XwCHIT", 120, false},
  };
  TempDir dir;
  for (const Leftover& leftover : leftovers) {
    WriteBytes(dir / leftover.name, "[NumberRange]\r\n");
    if (leftover.ageSeconds) MakeOlder(dir / leftover.name, leftover.ageSeconds);
  }
  ASSERT_NO_THROW(WriteFileAtomically(dir / "Musterfirma.afk", "[NumberRange]\r\nCustomer=1\r\n"));

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
    bool opened = false;
    try {
      writer.Open();
      opened = writer.Write("[NumberRange]\r\n");
    } catch (const ConfigError&) {
    }
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
    EXPECT_NO_THROW(WriteFileAtomically(file, "[NumberRange]\r\nCustomer=2\r\n"));
    EXPECT_EQ(TemporariesIn(dir.Path()), temporaries);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ASSERT_TRUE(writing);
  ASSERT_EQ(temporaries.size(), 1u);

  EXPECT_NO_THROW(WriteFileAtomically(file, "[NumberRange]\r\nCustomer=3\r\n"));
  EXPECT_EQ(FilesIn(dir.Path()), Names{"Musterfirma.afk"});
  EXPECT_EQ(ReadBytes(file), "[NumberRange]\r\nCustomer=3\r\n");
}

}  // namespace
}  // namespace velra
