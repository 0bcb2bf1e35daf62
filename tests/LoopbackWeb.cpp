#include "LoopbackWeb.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace velra::test {

namespace {

int Listen(int backlog) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, backlog) != 0)
    throw std::runtime_error("test server cannot listen");
  return fd;
}

std::string Root(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

LoopbackWeb::LoopbackWeb(Handler handler) : handler_(std::move(handler)) {
  listen_ = Listen(16);
  deaf_ = Listen(1);
  acceptor_ = std::thread([this] { Serve(); });
}

LoopbackWeb::~LoopbackWeb() {
  stop_ = true;
  acceptor_.join();
  for (std::thread& handler : handlers_) handler.join();
  ::close(listen_);
  ::close(deaf_);
}

std::string LoopbackWeb::Url(const std::string& path) const {
  return Root(listen_) + path;
}

std::string LoopbackWeb::DeafUrl(const std::string& path) const {
  return Root(deaf_) + path;
}

int LoopbackWeb::Requests(const std::string& path) {
  std::lock_guard lock(mutex_);
  return requests_[path];
}

int LoopbackWeb::AllRequests() {
  std::lock_guard lock(mutex_);
  int all = 0;
  for (const auto& [path, count] : requests_) all += count;
  return all;
}

bool LoopbackWeb::WaitReadable(int fd) {
  pollfd entry{fd, POLLIN, 0};
  while (!stop_)
    if (::poll(&entry, 1, 50) > 0) return true;
  return false;
}

bool LoopbackWeb::Send(int client, std::string_view bytes) {
  return ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL) > 0;
}

void LoopbackWeb::Respond(int client, const std::string& status, const std::string& headers,
                          const std::string& body) {
  Send(client, "HTTP/1.1 " + status + "\r\nConnection: close\r\nContent-Length: " +
                   std::to_string(body.size()) + "\r\n" + headers + "\r\n" + body);
}

void LoopbackWeb::Serve() {
  while (WaitReadable(listen_)) {
    int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0) handlers_.emplace_back([this, client] { Answer(client); });
  }
}

void LoopbackWeb::Answer(int client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && WaitReadable(client)) {
    ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<size_t>(n));
  }
  std::string path = request.substr(0, request.find("\r\n"));  // "GET /x HTTP/1.1"
  path = path.substr(path.find(' ') + 1);
  path = path.substr(0, path.find(' '));
  {
    std::lock_guard lock(mutex_);
    ++requests_[path];
  }
  handler_(client, path);
  ::close(client);
}

}  // namespace velra::test
