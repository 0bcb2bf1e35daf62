#include "import/ImportLock.h"

#include <chrono>
#include <thread>

#include "base/Text.h"

namespace velra {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(250);

// Table names compare ignoring letter case; in a file name only letters, digits and '_' stay.
std::string LockName(const std::string& table) {
  std::string name = "velra-import-";
  for (char c : FoldCase(table)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    name.push_back(plain ? c : '_');
  }
  return name;
}

// One attempt; true when the lock is now held.
bool TryOnce(Connection& connection, const std::string& databaseFile, const std::string& name,
             ImportLock& lock) {
  const std::string statement = connection.GetDialect().TryLockStatement();
  if (statement.empty()) {
    try {
      lock.file = FileLock::Take(LockFileBeside(databaseFile, name), FileLock::Wait::No);
    } catch (const ConfigError& e) {
      throw DbError(DbError::Kind::Open, e.what());
    }
    return lock.file != nullptr;
  }
  std::optional<Value> taken = connection.QueryValue(statement, {Value(name)});
  return taken && taken->AsInteger() == 1;
}

}  // namespace

ImportLock LockImport(Connection& connection, const std::string& databaseFile,
                      const std::string& table, const LockWaiting& waiting) {
  const std::string name = LockName(table);
  ImportLock lock;
  const auto start = std::chrono::steady_clock::now();
  while (!TryOnce(connection, databaseFile, name, lock)) {
    if (!waiting.wait) return lock;
    if (waiting.cancel && waiting.cancel->load()) {
      lock.state = ImportLock::State::Cancelled;
      return lock;
    }
    if (waiting.report)
      waiting.report(static_cast<int>(
          std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
              .count()));
    std::this_thread::sleep_for(kPollInterval);
  }
  lock.state = ImportLock::State::Taken;
  return lock;
}

}  // namespace velra
