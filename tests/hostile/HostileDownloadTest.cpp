// Picture addresses that lead to hostile servers: a stream of 10 GB (with and without an announced
// length, also chunked), a server that never answers and one that trickles a byte at a time, and
// addresses whose names try to leave the download folder. A loopback server in the test stands
// for the web.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DemoCompany.h"
#include "base/Paths.h"
#include "import/Pictures.h"

namespace velra {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr uint64_t kTenGigabytes = 10ull * 1024 * 1024 * 1024;
const std::string kPicture = "\xFF\xD8\xFF\xE0 ein Bild";

class HostileWeb {
 public:
  HostileWeb() {
    listen_ = Listen(16);
    deaf_ = Listen(1);  // never accepts: connections wait in its queue
    acceptor_ = std::thread([this] { Serve(); });
  }
  ~HostileWeb() {
    stop_ = true;
    acceptor_.join();
    for (std::thread& handler : handlers_) handler.join();
    ::close(listen_);
    ::close(deaf_);
  }

  std::string Url(const std::string& path) const { return Root(listen_) + path; }
  std::string DeafUrl(const std::string& path) const { return Root(deaf_) + path; }
  uint64_t BytesSent() const { return sent_; }

 private:
  static int Listen(int backlog) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, backlog) != 0)
      throw std::runtime_error("test server cannot listen");
    return fd;
  }
  static std::string Root(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  }
  bool WaitReadable(int fd, int milliseconds = 50) {
    pollfd entry{fd, POLLIN, 0};
    while (!stop_)
      if (::poll(&entry, 1, milliseconds) > 0) return true;
    return false;
  }
  void Serve() {
    while (WaitReadable(listen_)) {
      int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) handlers_.emplace_back([this, client] { Answer(client); });
    }
  }
  // Sends until the client goes away, the test ends or `total` bytes are out.
  void Stream(int client, uint64_t total, bool chunked) {
    std::string block(256 * 1024, 'x');
    block.replace(0, kPicture.size(), kPicture);  // it starts like a picture
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", block.size());
    const std::string piece = chunked ? size + block + "\r\n" : block;
    for (uint64_t done = 0; done < total && !stop_; done += block.size()) {
      ssize_t n = ::send(client, piece.data(), piece.size(), MSG_NOSIGNAL);
      if (n <= 0) return;
      sent_ += static_cast<uint64_t>(n);
    }
  }
  void Answer(int client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && WaitReadable(client)) {
      ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    std::string path = request.substr(request.find(' ') + 1);
    path = path.substr(0, path.find(' '));
    const std::string ok = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
    auto send = [&](const std::string& bytes) {
      ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    };
    if (path == "/stream.jpg") {
      send(ok + "\r\n");
      Stream(client, kTenGigabytes, false);
    } else if (path == "/announced.jpg") {
      send(ok + "Content-Length: " + std::to_string(kTenGigabytes) + "\r\n\r\n");
      Stream(client, kTenGigabytes, false);
    } else if (path == "/lying.jpg") {  // claims a small picture, then sends on and on
      send(ok + "Content-Length: 1000\r\n\r\n");
      Stream(client, kTenGigabytes, false);
    } else if (path == "/chunked.jpg") {
      send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
      Stream(client, kTenGigabytes, true);
    } else if (path == "/silent.jpg") {
      while (WaitReadable(client) && ::recv(client, buffer, sizeof buffer, 0) > 0) {
      }
    } else if (path == "/trickle.jpg") {
      send(ok + "Content-Length: 1000000\r\n\r\n");
      while (!stop_ && ::send(client, "x", 1, MSG_NOSIGNAL) == 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } else {
      send(ok + "Content-Length: " + std::to_string(kPicture.size()) + "\r\n\r\n" + kPicture);
    }
    ::close(client);
  }

  int listen_ = -1, deaf_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> sent_{0};
  std::thread acceptor_;
  std::vector<std::thread> handlers_;
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
