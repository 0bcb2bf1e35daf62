// Picture addresses that lead to hostile servers: a stream of 10 GB (with and without an announced
// length, also chunked), a server that never answers and one that trickles a byte at a time, and
// addresses whose names try to leave the download folder. A loopback server in the test stands
// for the web.

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DemoCompany.h"
#include "LoopbackWeb.h"
#include "base/Paths.h"
#include "import/Pictures.h"

namespace velra {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr uint64_t kTenGigabytes = 10ull * 1024 * 1024 * 1024;
const std::string kPicture = "\xFF\xD8\xFF\xE0 ein Bild";

// Streams up to `total` bytes that start like a picture, until the client goes away or the test
// ends; counts what went out.
void Stream(test::LoopbackWeb& web, int client, uint64_t total, bool chunked,
            std::atomic<uint64_t>& sent) {
  std::string block(256 * 1024, 'x');
  block.replace(0, kPicture.size(), kPicture);
  char size[32];
  std::snprintf(size, sizeof size, "%zx\r\n", block.size());
  const std::string piece = chunked ? size + block + "\r\n" : block;
  for (uint64_t done = 0; done < total && !web.Stopping(); done += block.size()) {
    ssize_t n = ::send(client, piece.data(), piece.size(), MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<uint64_t>(n);
  }
}

// Servers that stream 10 GB, never answer or trickle; any other path is a small picture.
class HostileWeb : public test::LoopbackWeb {
 public:
  HostileWeb()
      : LoopbackWeb([this](int client, const std::string& path) { Answer(client, path); }) {}
  uint64_t BytesSent() const { return sent_; }

 private:
  void Answer(int client, const std::string& path) {
    const std::string ok = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
    if (path == "/stream.jpg") {
      Send(client, ok + "\r\n");
      Stream(*this, client, kTenGigabytes, false, sent_);
    } else if (path == "/announced.jpg") {
      Send(client, ok + "Content-Length: " + std::to_string(kTenGigabytes) + "\r\n\r\n");
      Stream(*this, client, kTenGigabytes, false, sent_);
    } else if (path == "/lying.jpg") {  // claims a small picture, then sends on and on
      Send(client, ok + "Content-Length: 1000\r\n\r\n");
      Stream(*this, client, kTenGigabytes, false, sent_);
    } else if (path == "/chunked.jpg") {
      Send(client, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
      Stream(*this, client, kTenGigabytes, true, sent_);
    } else if (path == "/silent.jpg") {
      char buffer[4096];
      while (WaitReadable(client) && ::recv(client, buffer, sizeof buffer, 0) > 0) {
      }
    } else if (path == "/trickle.jpg") {
      Send(client, ok + "Content-Length: 1000000\r\n\r\n");
      while (!Stopping() && Send(client, "x"))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } else {
      Respond(client, "200 OK", "", kPicture);
    }
  }

  std::atomic<uint64_t> sent_{0};
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(HostileDownload, TenGigabyteStreamsStopAtTheSizeLimit) {
  HostileWeb web;
  constexpr uint64_t kLimit = 4 * 1024 * 1024;
  Downloader downloader(Downloader::Limits{20, kLimit});
  for (const char* path : {"/stream.jpg", "/announced.jpg", "/chunked.jpg", "/lying.jpg"}) {
    SCOPED_TRACE(path);
    const uint64_t sentBefore = web.BytesSent();
    const auto start = std::chrono::steady_clock::now();
    const Downloader::Result& result = downloader.Fetch(web.Url(path));
    EXPECT_LT(SecondsSince(start), 10.0);
    if (std::string_view(path) == "/lying.jpg") {
      // The announced length ends the download; what the server sends after it is not read.
      ASSERT_THAT(result.localFile, Not(IsEmpty())) << result.error;
      EXPECT_EQ(test::ReadBytes(result.localFile).size(), 1000u);
    } else {
      EXPECT_THAT(result.localFile, IsEmpty());
      EXPECT_THAT(result.error,
                  HasSubstr("' konnte nicht geladen werden: das Bild ist größer als 4 MB."));
    }
    // The server got rid of no more than the limit and what the sockets buffer.
    EXPECT_LT(web.BytesSent() - sentBefore, kLimit + 64u * 1024 * 1024);
  }
}

TEST(HostileDownload, AServerThatNeverAnswersOrTricklesTimesOut) {
  HostileWeb web;
  Downloader downloader(Downloader::Limits{1, 1024 * 1024});
  for (const std::string& address :
       {web.Url("/silent.jpg"), web.Url("/trickle.jpg"), web.DeafUrl("/a.jpg")}) {
    SCOPED_TRACE(address);
    const auto start = std::chrono::steady_clock::now();
    const Downloader::Result& result = downloader.Fetch(address);
    EXPECT_LT(SecondsSince(start), 4.0);
    EXPECT_THAT(result.localFile, IsEmpty());
    EXPECT_THAT(result.error,
                HasSubstr("Zeitüberschreitung, der Server hat nach 1 s noch nicht geliefert"));
  }
}

TEST(HostileDownload, NamesFromAddressesStayInsideTheDownloadFolder) {
  HostileWeb web;
  Downloader downloader(Downloader::Limits{5, 1024 * 1024});
  std::string folder;
  for (const char* path :
       {"/bilder/a.jpg", "/bilder/..%2F..%2F..%2Fetc%2Fpasswd", "/bilder/%2E%2E", "/bilder/..",
        "/bilder/a.jpg?name=../../x", "/bilder/a%5C..%5C..%5Cb.jpg"}) {
    SCOPED_TRACE(path);
    const Downloader::Result& result = downloader.Fetch(web.Url(path));
    ASSERT_THAT(result.localFile, Not(IsEmpty())) << result.error;
    if (folder.empty()) folder = FolderOf(result.localFile);
    EXPECT_EQ(FolderOf(result.localFile), folder);
    const std::string name = FileNameOf(result.localFile);
    EXPECT_NE(name, "..");
    EXPECT_EQ(name.find_first_of("/\\"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(result.localFile), kPicture);
  }
  EXPECT_THAT(folder, HasSubstr("velra-bilder-"));
}

TEST(HostileDownload, ARunReportsPicturesThatCannotBeFetchedOrReadAndKeepsTheRows) {
  test::TempDir dir;
  test::UseOwnConfigFolder(dir);
  test::DemoCompany company;
  std::string error;
  ASSERT_TRUE(company.Start(dir.Path(), std::nullopt, error)) << error;
  HostileWeb web;
  ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
  std::filesystem::create_directory(dir / "ordner.jpg");
  test::WriteBytes(dir / "bild.jpg", kPicture);

  company.Kind(1);
  company.C().chkAutoNummer.Value = 0;
  const std::vector<test::Strings> rows = {
      {"1", "a", "19", web.Url("/stream.jpg")},
      {"2", "b", "19", "/dev/zero"},
      {"3", "c", "19", dir / "pipe.jpg"},
      {"4", "d", "19", dir / "ordner.jpg"},
      {"5", "e", "19", dir / "Firmen/../bild.jpg"},
      {"6", "f", "19", "/proc/self/environ"},
      {"7", "g", "19", "/etc/passwd"},
  };
  company.Grid({"Nr", "Text", "MwSt", "Bild"},
               {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz", "Bild"}, rows);
  const auto start = std::chrono::steady_clock::now();
  company.Run();
  EXPECT_LT(SecondsSince(start), 10.0);

  // Every row is written; the pictures that could not be had are named with the reason.
  EXPECT_EQ(company.Count("Articles"), 7);
  EXPECT_EQ(company.Report().rowsWritten, 7u);
  std::map<uint32_t, std::string> reasons;
  for (const ReportEntry& entry : company.Report().Entries()) reasons[entry.row] = entry.reason;
  EXPECT_THAT(reasons[1], HasSubstr("das Bild ist größer als 50 MB"));
  EXPECT_THAT(reasons[2], HasSubstr("'/dev/zero' ist keine Datei"));
  EXPECT_THAT(reasons[3], HasSubstr("pipe.jpg' ist keine Datei"));
  EXPECT_THAT(reasons[4], HasSubstr("ordner.jpg' ist keine Datei"));
  EXPECT_EQ(reasons.count(5), 0u);
  EXPECT_THAT(reasons[6], HasSubstr("'/proc/self/environ' gehört zum Betriebssystem"));
  EXPECT_THAT(reasons[7], HasSubstr("'/etc/passwd' ist kein Bild"));
  EXPECT_EQ(company.Count("ArticlePictures"), 1);
  Rows linked = company.Query(
      "SELECT ArticleNumber FROM Articles WHERE Graphic IS NOT NULL ORDER BY ArticleNumber");
  ASSERT_EQ(linked.Size(), 1u);
  EXPECT_EQ(linked.Get(0, "ArticleNumber"), Value("5"));
}

}  // namespace
}  // namespace velra
