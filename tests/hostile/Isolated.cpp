#include "Isolated.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>

#include "source/SourceError.h"

#ifndef __has_feature
#define __has_feature(x) 0
#endif

namespace velra::test {

namespace {

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

bool UnderSanitizer() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || \
    __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  return true;
#else
  return false;
#endif
}

std::string IsolatedOutcome::Describe() const {
  const char* names[] = {"returned", "threw", "ran out of memory", "crashed", "timed out"};
  std::string out = names[static_cast<int>(end)];
  if (end == End::Crashed) out += " (signal " + std::to_string(signal) + ")";
  out += " after " + std::to_string(seconds) + " s, peak " + std::to_string(peakKilobytes / 1024) +
         " MB: " + text;
  return out;
}

IsolatedOutcome RunIsolated(const std::function<std::string()>& work,
                            std::chrono::milliseconds timeLimit, size_t heapLimitBytes) {
  int channel[2];
  if (::pipe(channel) != 0) throw std::runtime_error("pipe failed");
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(channel[0]);
    if (!UnderSanitizer()) {
      rlimit limit{heapLimitBytes, heapLimitBytes};
      ::setrlimit(RLIMIT_DATA, &limit);
    }
    char tag = 'R';
    std::string text;
    try {
      text = work();
    } catch (const SourceError& e) {
      tag = 'T';
      text = e.Message();
    } catch (const std::bad_alloc&) {
      tag = 'M';
    } catch (const std::exception& e) {
      tag = 'T';
      text = e.what();
    }
    WriteAll(channel[1], std::string(1, tag) + text);
    ::_exit(0);
  }
  ::close(channel[1]);

  IsolatedOutcome outcome;
  std::string received;
  bool timedOut = false;
  const auto deadline = start + timeLimit;
  char buffer[4096];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd entry{channel[0], POLLIN, 0};
    int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      timedOut = true;
      break;
    }
    ssize_t n = ::read(channel[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    received.append(buffer, static_cast<size_t>(n));
  }
  ::close(channel[0]);
  if (timedOut) ::kill(pid, SIGKILL);
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  outcome.peakKilobytes = usage.ru_maxrss;
  if (timedOut) {
    outcome.end = IsolatedOutcome::End::TimedOut;
  } else if (WIFSIGNALED(status) || received.empty()) {
    outcome.end = IsolatedOutcome::End::Crashed;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  } else {
    outcome.text = received.substr(1);
    outcome.end = received[0] == 'R'   ? IsolatedOutcome::End::Returned
                  : received[0] == 'M' ? IsolatedOutcome::End::OutOfMemory
                                       : IsolatedOutcome::End::Threw;
  }
  return outcome;
}

}  // namespace velra::test
