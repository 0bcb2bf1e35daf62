#pragma once
// One import at a time into a table of a company, from the window or the command line, on this
// computer or another: a run that finds the table's lock held waits for it (or gives up at once),
// so that it never builds its key index or draws numbers while another run writes the same table.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "config/FileLock.h"
#include "db/Connection.h"

namespace velra {

struct ImportLock {
  enum class State { Taken, Busy, Cancelled };
  State state = State::Busy;
  // The file company's lock; a server's lock belongs to the connection's session and ends with it.
  std::unique_ptr<FileLock> file;
};

struct LockWaiting {
  bool wait = true;  // false: Busy at once when another run holds the lock
  // Called about four times a second while waiting, with the whole seconds waited so far.
  std::function<void(int seconds)> report;
  const std::atomic<bool>* cancel = nullptr;  // set: stop waiting (Cancelled)
};

// Takes the lock of imports into `table` of the company of `connection`; `databaseFile` is the
// file company's database, beside which its lock files lie. Throws DbError when the lock cannot
// be taken at all.
ImportLock LockImport(Connection& connection, const std::string& databaseFile,
                      const std::string& table, const LockWaiting& waiting);

}  // namespace velra
