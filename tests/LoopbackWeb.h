#pragma once
// A web server on a loopback port standing for the web in the tests of picture downloads. Each
// request is answered on a thread of its own by the test's handler, which gets the client's socket
// and the requested path; the server counts the requests per path.

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace velra::test {

class LoopbackWeb {
 public:
  using Handler = std::function<void(int client, const std::string& path)>;
  explicit LoopbackWeb(Handler handler);
  ~LoopbackWeb();
  LoopbackWeb(const LoopbackWeb&) = delete;
  LoopbackWeb& operator=(const LoopbackWeb&) = delete;

  std::string Url(const std::string& path) const;
  // An address whose port listens but never accepts: connections wait in its queue.
  std::string DeafUrl(const std::string& path) const;
  int Requests(const std::string& path);
  int AllRequests();

  // For the handlers: true once the test ends.
  bool Stopping() const { return stop_; }
  // Waits until the socket has something to read; false once the test ends.
  bool WaitReadable(int fd);
  // False when the client has gone.
  static bool Send(int client, std::string_view bytes);
  static void Respond(int client, const std::string& status, const std::string& headers,
                      const std::string& body);

 private:
  void Serve();
  void Answer(int client);

  Handler handler_;
  int listen_ = -1, deaf_ = -1;
  std::atomic<bool> stop_{false};
  std::thread acceptor_;
  std::vector<std::thread> handlers_;
  std::mutex mutex_;
  std::map<std::string, int> requests_;
};

}  // namespace velra::test
