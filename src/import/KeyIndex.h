#pragma once
// The key values of the target table, loaded once per run: key → the first record in table
// order. Keys compare ignoring letter case, as the suite's databases do; the records a run adds
// join the index.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/Connection.h"
#include "db/TargetTable.h"

namespace velra {

class KeyIndex {
 public:
  struct Entry {
    int64_t id = 0;    // 0 while the record a row of this run added waits to be written
    uint32_t row = 0;  // the grid row of this run that last wrote the record; 0 for none
  };

  // Reads ID and the key fields of every record in ID order.
  void Load(Connection& connection, const TargetTable& table, const std::vector<int>& keyColumns);
  // The key of one record or row; empty and null key values are the same.
  static std::string Compose(const std::vector<std::string>& values);

  Entry* Find(const std::string& key);
  const Entry* Find(const std::string& key) const;
  void Add(const std::string& key, int64_t id, uint32_t row);
  void Remove(const std::string& key) { entries_.erase(key); }

 private:
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace velra
