#pragma once
// Runs a piece of work in a child process with a time limit and, where the build allows it, a
// limit on the heap, so that a test of hostile input can tell a clear refusal from a crash, a hang
// or a memory blow-up without taking the test program down with it.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace velra::test {

struct IsolatedOutcome {
  enum class End { Returned, Threw, OutOfMemory, Crashed, TimedOut };
  End end = End::Crashed;
  std::string text;  // what the work returned, or the message of what it threw
  int signal = 0;    // Crashed: the signal
  double seconds = 0;
  long peakKilobytes = 0;  // the child's peak resident size, mapped files included

  bool Returned() const { return end == End::Returned; }
  bool Threw() const { return end == End::Threw; }
  // One line for a test's failure message.
  std::string Describe() const;
};

// True when the test program runs under AddressSanitizer or ThreadSanitizer, which reserve more
// address space than any heap limit allows.
bool UnderSanitizer();

// How long a child may run before it counts as hanging. The hostile files are refused by their
// limits, not by the clock; the clock only catches work without end, so it leaves room for a
// machine busy with builds and for the sanitizers.
inline constexpr std::chrono::seconds kHangLimit{60};

// Runs `work` in a forked child. The heap limit (RLIMIT_DATA: heap and private writable mappings,
// not mapped files) is left off under a sanitizer. A SourceError, DbError or other exception is
// reported as Threw with its text (a SourceError as its Message()), std::bad_alloc as
// OutOfMemory.
IsolatedOutcome RunIsolated(const std::function<std::string()>& work,
                            std::chrono::milliseconds timeLimit, size_t heapLimitBytes);

}  // namespace velra::test
