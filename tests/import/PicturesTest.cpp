#include "import/Pictures.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "LoopbackWeb.h"
#include "TestSupport.h"
#include "base/Paths.h"
#include "base/Regional.h"
#include "db/Connection.h"
#include "db/Schema.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kPictureA = "\xFF\xD8\xFF\xE0 picture a";
const std::string kPictureB = "\xFF\xD8\xFF\xE0 picture b";
const std::string kOtherA = std::string("\x89PNG\r\n\x1A\n", 8) + " another a";
const std::string kPage = "<!DOCTYPE html><html><body>Nicht gefunden</body></html>";
constexpr uint64_t kTestLimit = 64 * 1024;

std::string Text(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

size_t FilesIn(const std::string& folder) {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

class PicturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateCompanySchema(*db_);
    std::filesystem::create_directory(dir_ / "bilder");
    std::filesystem::create_directory(dir_ / "andere");
  }

  int64_t Stored() { return db_->QueryValue("SELECT COUNT(*) FROM ArticlePictures")->AsInteger(); }
  Rows Record(int64_t id) { return db_->Query("SELECT * FROM ArticlePictures WHERE ID = ?", {id}); }

  std::optional<int64_t> PictureFor(const std::string& reference) {
    error_.clear();
    return store_.PictureFor(reference, error_);
  }

  TempDir dir_;
  std::unique_ptr<Connection> db_ =
      Connection::Open("Provider=SQLite;Data Source=" + (dir_ / "Musterfirma.mdb"),
                       Connection::OpenMode::CreateIfMissing);
  ValueConverter converter_{RegionalSettings::ForLocale("de_DE")};
  Downloader downloader_{Downloader::Limits{5, kTestLimit}};
  PictureStore store_{*db_, converter_, downloader_};
  std::string error_;
};

TEST_F(PicturesTest, AFileIsStoredOncePerFolderAndName) {
  const std::string path = dir_ / "bilder/a.jpg";
  WriteBytes(path, kPictureA);
  WriteBytes(dir_ / "andere/a.jpg", kOtherA);

  std::optional<int64_t> first = PictureFor(path);
  ASSERT_TRUE(first) << error_;
  EXPECT_EQ(PictureFor("  " + path + " "), first);
  EXPECT_EQ(Stored(), 1);

  std::optional<int64_t> other = PictureFor(dir_ / "andere/a.jpg");
  ASSERT_TRUE(other) << error_;
  EXPECT_NE(other, first);
  EXPECT_EQ(Stored(), 2);

  // A later run finds what an earlier one stored.
  Downloader laterDownloader;
  PictureStore later(*db_, converter_, laterDownloader);
  EXPECT_EQ(later.PictureFor(path, error_), first);
  EXPECT_TRUE(later.PictureExists("a.jpg", dir_ / "andere/"));
  EXPECT_EQ(later.PictureId("b.jpg", dir_ / "bilder/"), 0);
  EXPECT_EQ(Stored(), 2);
}

TEST_F(PicturesTest, TheRecordHoldsNameFolderSizeDateAndTheBytes) {
  const std::string path = dir_ / "bilder/gross.jpg";
  std::string content(12345, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  content.replace(0, kPictureA.size(), kPictureA);
  WriteBytes(path, content);
  std::tm changed{};
  changed.tm_year = 2021 - 1900;
  changed.tm_mon = 2;
  changed.tm_mday = 4;
  changed.tm_hour = 5;
  changed.tm_min = 6;
  changed.tm_sec = 7;
  changed.tm_isdst = -1;
  const timespec times[2] = {{std::mktime(&changed), 0}, {std::mktime(&changed), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

  std::optional<int64_t> id = PictureFor(path);
  ASSERT_TRUE(id) << error_;
  Rows record = Record(*id);
  ASSERT_EQ(record.Size(), 1u);
  EXPECT_EQ(record.Get(0, "filename").AsText(), "gross.jpg");
  EXPECT_EQ(record.Get(0, "Path").AsText(), dir_ / "bilder/");
  EXPECT_EQ(record.Get(0, "FileSize").AsText(), "12,345 KB");
  EXPECT_EQ(record.Get(0, "Measure").AsText(), "");
  EXPECT_EQ(record.Get(0, "Date").AsDate(), (DateTime{2021, 3, 4, 5, 6, 7}));
  EXPECT_EQ(Text(record.Get(0, "Picture").AsBytes()), content);

  WriteBytes(dir_ / "bilder/klein.jpg", kPictureA + std::string(2000 - kPictureA.size(), 'k'));
  id = PictureFor(dir_ / "bilder/klein.jpg");
  ASSERT_TRUE(id) << error_;
  EXPECT_EQ(Record(*id).Get(0, "FileSize").AsText(), "2 KB");
}

TEST_F(PicturesTest, AWindowsReferenceFindsThePictureStoredUnderItsFolder) {
  db_->Execute("INSERT INTO ArticlePictures (filename, Path) VALUES (?, ?)",
               {"a.jpg", "C:\\Bilder\\"});
  db_->Execute("INSERT INTO ArticlePictures (filename, Path) VALUES (?, ?)", {"a.jpg", ""});
  EXPECT_EQ(PictureFor("C:\\Bilder\\a.jpg"), 1);
  // A bare name lies beside the import file, not in the working folder: without that folder it
  // names no picture.
  EXPECT_FALSE(PictureFor("a.jpg"));
  EXPECT_EQ(error_,
            "Die Bilddatei 'a.jpg' hat keinen vollständigen Pfad, und der Ordner der Importdatei "
            "ist nicht bekannt.");
  EXPECT_EQ(Stored(), 2);
}

TEST_F(PicturesTest, RelativeNamesLieBesideTheImportFileAndNameOnePictureWhateverTheSpelling) {
  std::filesystem::create_directories(dir_ / "import/bilder");
  WriteBytes(dir_ / "import/bilder/a.jpg", kPictureA);
  WriteBytes(dir_ / "bilder/b.jpg", kPictureB);
  PictureStore store(*db_, converter_, downloader_, dir_ / "import");
  std::optional<int64_t> id = store.PictureFor("bilder/a.jpg", error_);
  ASSERT_TRUE(id) << error_;
  for (const std::string& same :
       {std::string("./bilder/a.jpg"), std::string("bilder\\a.jpg"), dir_ / "import/bilder/a.jpg",
        dir_ / "import/bilder/../bilder/a.jpg"})
    EXPECT_EQ(store.PictureFor(same, error_), id) << same << ": " << error_;
  EXPECT_EQ(Record(*id).Get(0, "Path"), Value(dir_ / "import/bilder/"));
  std::optional<int64_t> beside = store.PictureFor("../bilder/b.jpg", error_);
  ASSERT_TRUE(beside) << error_;
  EXPECT_EQ(Record(*beside).Get(0, "Path"), Value(dir_ / "bilder/"));
  EXPECT_EQ(Stored(), 2);
}

TEST_F(PicturesTest, OnlyRegularFilesWhoseBytesAreAnImageAreStored) {
  using namespace std::string_literals;
  const std::vector<std::pair<std::string, std::string>> images = {
      {"a.jpg", kPictureA},
      {"a.png", kOtherA},
      {"a.gif", "GIF89a..."},
      {"alt.gif", "GIF87a..."},
      {"a.bmp", "BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0"s},
      {"a.tif", "II*\0\x08\0\0\0"s},
      {"b.tif", "MM\0*\0\0\0\x08"s},
      {"a.webp", "RIFF\x24\0\0\0WEBPVP8 "s}};
  for (const auto& [name, bytes] : images) {
    WriteBytes(dir_ / ("bilder/" + name), bytes);
    EXPECT_TRUE(PictureFor(dir_ / ("bilder/" + name))) << name << ": " << error_;
  }
  EXPECT_EQ(Stored(), static_cast<int64_t>(images.size()));

  const std::vector<std::pair<std::string, std::string>> others = {
      {"seite.jpg", kPage},
      {"leer.jpg", ""},
      {"brief.bmp", "BMW Werkstatt, Rechnung 4711"},
      {"ton.webp", "RIFF\x24\0\0\0WAVEfmt "s}};
  for (const auto& [name, bytes] : others) {
    WriteBytes(dir_ / ("bilder/" + name), bytes);
    EXPECT_FALSE(PictureFor(dir_ / ("bilder/" + name))) << name;
    EXPECT_EQ(error_, "Die Bilddatei '" + (dir_ / ("bilder/" + name)) +
                          "' ist kein Bild (erwartet: JPEG, PNG, GIF, BMP, TIFF oder WebP).");
  }
  // Files of the system, also through a relative name that leaves the import folder.
  PictureStore store(*db_, converter_, downloader_, dir_ / "bilder");
  for (const char* file : {"/etc/passwd", "/etc/shadow", "../../../../../../../../etc/passwd"}) {
    EXPECT_FALSE(store.PictureFor(file, error_)) << file;
    EXPECT_THAT(error_, Not(IsEmpty()));
  }
  for (const char* file : {"/proc/self/environ", "/proc/self/cmdline"}) {
    EXPECT_FALSE(PictureFor(file)) << file;
    EXPECT_EQ(error_, "Die Bilddatei '" + std::string(file) +
                          "' gehört zum Betriebssystem (/proc, /sys) und wird nicht als Bild "
                          "gelesen.");
  }
  EXPECT_EQ(Stored(), static_cast<int64_t>(images.size()));
}

TEST_F(PicturesTest, APictureThatCannotBeReadStoresNothing) {
  EXPECT_FALSE(PictureFor(dir_ / "bilder/fehlt.jpg"));
  EXPECT_THAT(error_, HasSubstr("fehlt.jpg' wurde nicht gefunden"));

  EXPECT_FALSE(PictureFor(dir_ / "bilder"));
  EXPECT_THAT(error_, HasSubstr("ist keine Datei"));

  // A named pipe would block a reader that waits for a writer.
  ASSERT_EQ(::mkfifo((dir_ / "bilder/pipe.jpg").c_str(), 0600), 0);
  EXPECT_FALSE(PictureFor(dir_ / "bilder/pipe.jpg"));
  EXPECT_THAT(error_, HasSubstr("ist keine Datei"));

  const std::string huge = dir_ / "bilder/riesig.jpg";
  WriteBytes(huge, "");
  std::filesystem::resize_file(huge, 50ull * 1024 * 1024 + 1);
  EXPECT_FALSE(PictureFor(huge));
  EXPECT_THAT(error_, HasSubstr("ist größer als 50 MB"));

  if (::geteuid() != 0) {
    const std::string locked = dir_ / "bilder/gesperrt.jpg";
    WriteBytes(locked, kPictureA);
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    EXPECT_FALSE(PictureFor(locked));
    EXPECT_THAT(error_, HasSubstr("kann nicht gelesen werden (keine Berechtigung)"));
  }
  EXPECT_EQ(Stored(), 0);
}

TEST_F(PicturesTest, APictureOfARolledBackRowIsStoredAgain) {
  const std::string path = dir_ / "bilder/a.jpg";
  WriteBytes(path, kPictureA);
  {
    Transaction row = db_->Begin();
    ASSERT_TRUE(PictureFor(path)) << error_;
    row.Rollback();
  }
  std::optional<int64_t> id = PictureFor(path);
  ASSERT_TRUE(id) << error_;
  EXPECT_EQ(Record(*id).Size(), 1u);
  EXPECT_EQ(Stored(), 1);
}

// The web of the downloads: pictures, a page, redirects and servers that send too much or nothing.
class DownloadTest : public PicturesTest {
 protected:
  void Answer(int client, const std::string& path) {
    using Web = test::LoopbackWeb;
    const std::map<std::string, std::string> pictures = {
        {"/img/a.jpg", kPictureA}, {"/img/b.jpg", kPictureB}, {"/other/a.jpg", kOtherA}};
    const std::map<std::string, std::string> redirects = {
        {"/redirect/a.jpg", "/img/a.jpg"},
        {"/to-ftp.jpg", "ftp" + server_.Url("/x").substr(4)},
        {"/to-file.jpg", "file:///etc/passwd"},
        {"/loop.jpg", "/loop.jpg"}};
    if (pictures.count(path)) {
      Web::Respond(client, "200 OK", "", pictures.at(path));
    } else if (redirects.count(path)) {
      Web::Respond(client, "302 Found", "Location: " + redirects.at(path) + "\r\n", "");
    } else if (path == "/page.jpg") {
      Web::Respond(client, "200 OK", "Content-Type: text/html\r\n", kPage);
    } else if (path == "/endless.jpg") {
      // No length announced, and far more than the limit.
      Web::Send(client, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
      const std::string chunk(16 * 1024, 'x');
      for (int i = 0; i < 64 && !server_.Stopping() && Web::Send(client, chunk); ++i) {
      }
    } else if (path == "/announced.jpg") {
      Web::Send(client, "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 10000000\r\n\r\n");
    } else if (path == "/silent.jpg") {
      // Until the client gives up.
      char buffer[4096];
      while (server_.WaitReadable(client) && ::recv(client, buffer, sizeof buffer, 0) > 0) {
      }
    } else {
      Web::Respond(client, "404 Not Found", "", "nicht da");
    }
  }

  test::LoopbackWeb server_{[this](int client, const std::string& path) { Answer(client, path); }};
};

TEST_F(DownloadTest, AnAddressIsFetchedOnceAndStoredUnderItsWebFolder) {
  const std::string address = server_.Url("/img/a.jpg");
  const Downloader::Result& fetched = downloader_.Fetch(address);
  ASSERT_THAT(fetched.localFile, Not(IsEmpty())) << fetched.error;
  EXPECT_EQ(FileNameOf(fetched.localFile), "a.jpg");
  EXPECT_EQ(ReadBytes(fetched.localFile), kPictureA);

  std::optional<int64_t> id = PictureFor(address);
  ASSERT_TRUE(id) << error_;
  EXPECT_EQ(PictureFor(address), id);
  EXPECT_EQ(server_.Requests("/img/a.jpg"), 1);
  Rows record = Record(*id);
  EXPECT_EQ(record.Get(0, "filename").AsText(), "a.jpg");
  EXPECT_EQ(record.Get(0, "Path").AsText(), server_.Url("/img/"));
  EXPECT_EQ(Text(record.Get(0, "Picture").AsBytes()), kPictureA);

  // A later run with its own temporary folder finds the stored picture without fetching it.
  Downloader laterDownloader;
  PictureStore later(*db_, converter_, laterDownloader);
  EXPECT_EQ(later.PictureFor(address, error_), id);
  EXPECT_EQ(server_.Requests("/img/a.jpg"), 1);
  EXPECT_EQ(Stored(), 1);
}

TEST_F(DownloadTest, TwoAddressesWithTheSameNameKeepTheirOwnFiles) {
  std::string folder;
  {
    Downloader downloader;
    const Downloader::Result& a = downloader.Fetch(server_.Url("/img/a.jpg"));
    const Downloader::Result& other = downloader.Fetch(server_.Url("/other/a.jpg"));
    ASSERT_THAT(other.localFile, Not(IsEmpty())) << other.error;
    EXPECT_NE(a.localFile, other.localFile);
    EXPECT_EQ(ReadBytes(a.localFile), kPictureA);
    EXPECT_EQ(ReadBytes(other.localFile), kOtherA);
    folder = FolderOf(a.localFile);
    EXPECT_EQ(FilesIn(folder), 2u);
  }
  EXPECT_FALSE(FileExists(folder));

  std::optional<int64_t> a = PictureFor(server_.Url("/img/a.jpg"));
  std::optional<int64_t> other = PictureFor(server_.Url("/other/a.jpg"));
  ASSERT_TRUE(a && other) << error_;
  EXPECT_NE(a, other);
  EXPECT_EQ(Text(Record(*other).Get(0, "Picture").AsBytes()), kOtherA);
}

TEST_F(DownloadTest, RedirectsAreFollowedOnlyOnTheWeb) {
  const Downloader::Result& redirected = downloader_.Fetch(server_.Url("/redirect/a.jpg"));
  ASSERT_THAT(redirected.localFile, Not(IsEmpty())) << redirected.error;
  EXPECT_EQ(ReadBytes(redirected.localFile), kPictureA);

  for (const char* path : {"/to-ftp.jpg", "/to-file.jpg"}) {
    const Downloader::Result& refused = downloader_.Fetch(server_.Url(path));
    EXPECT_THAT(refused.localFile, IsEmpty());
    EXPECT_THAT(refused.error, HasSubstr("leitet zu einer Adresse weiter")) << path;
  }
  EXPECT_THAT(downloader_.Fetch(server_.Url("/loop.jpg")).error, HasSubstr("zu oft weiter"));
  EXPECT_LE(server_.Requests("/loop.jpg"), 6);
  // Failed downloads leave no files behind.
  EXPECT_EQ(FilesIn(FolderOf(redirected.localFile)), 1u);
}

TEST_F(DownloadTest, OnlyWebAddressesAreFetched) {
  const std::string gopher = "gopher" + server_.Url("/img/a.jpg").substr(4);
  for (const std::string& address : {std::string("file:///etc/passwd"), gopher}) {
    const Downloader::Result& refused = downloader_.Fetch(address);
    EXPECT_THAT(refused.localFile, IsEmpty());
    EXPECT_EQ(refused.error, "Das Bild '" + address +
                                 "' konnte nicht geladen werden: nur Adressen mit http://, "
                                 "https:// oder ftp:// werden geladen.");
    EXPECT_FALSE(PictureFor(address));
    EXPECT_EQ(error_, refused.error);
  }
  EXPECT_EQ(server_.AllRequests(), 0);
  EXPECT_EQ(Stored(), 0);
}

TEST_F(DownloadTest, FailedDownloadsSayWhyAndStoreNothing) {
  // A web page sent for a picture is no picture, and its download is not kept.
  const Downloader::Result& page = downloader_.Fetch(server_.Url("/page.jpg"));
  EXPECT_THAT(page.localFile, IsEmpty());
  EXPECT_EQ(page.error, "Das Bild '" + server_.Url("/page.jpg") +
                            "' konnte nicht geladen werden: der Server liefert kein Bild "
                            "(erwartet: JPEG, PNG, GIF, BMP, TIFF oder WebP).");
  const Downloader::Result& fine = downloader_.Fetch(server_.Url("/img/a.jpg"));
  ASSERT_THAT(fine.localFile, Not(IsEmpty())) << fine.error;
  EXPECT_EQ(FilesIn(FolderOf(fine.localFile)), 1u);

  EXPECT_FALSE(PictureFor(server_.Url("/img/fehlt.jpg")));
  EXPECT_EQ(error_, "Das Bild '" + server_.Url("/img/fehlt.jpg") +
                        "' konnte nicht geladen werden: die Datei gibt es auf dem Server nicht "
                        "(HTTP 404).");
  // A failure is remembered for the run too.
  EXPECT_FALSE(PictureFor(server_.Url("/img/fehlt.jpg")));
  EXPECT_EQ(server_.Requests("/img/fehlt.jpg"), 1);

  // A port that nobody listens on.
  int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), length);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  EXPECT_THAT(
      downloader_.Fetch("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/a.jpg")
          .error,
      HasSubstr("der Server nimmt keine Verbindung an"));

  Downloader impatient(Downloader::Limits{1, kTestLimit});
  EXPECT_THAT(impatient.Fetch(server_.Url("/silent.jpg")).error,
              HasSubstr("Zeitüberschreitung, der Server hat nach 1 s noch nicht geliefert"));
  EXPECT_EQ(Stored(), 0);
}

TEST_F(DownloadTest, TheSizeLimitHoldsWithAndWithoutAnnouncedLength) {
  const Downloader::Result& fine = downloader_.Fetch(server_.Url("/img/b.jpg"));
  ASSERT_THAT(fine.localFile, Not(IsEmpty())) << fine.error;
  for (const char* path : {"/endless.jpg", "/announced.jpg"}) {
    const Downloader::Result& refused = downloader_.Fetch(server_.Url(path));
    EXPECT_THAT(refused.localFile, IsEmpty());
    EXPECT_THAT(refused.error, HasSubstr(": das Bild ist größer als 64 KB.")) << path;
  }
  EXPECT_EQ(FilesIn(FolderOf(fine.localFile)), 1u);
}

}  // namespace
}  // namespace velra
