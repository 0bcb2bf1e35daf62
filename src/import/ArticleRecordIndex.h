#pragma once
// The records of a table that hangs off the article (its webshop records, its suppliers) by
// article number and further key fields: the first record in table order whose key fields equal
// given texts as the database compares them. The keys are read once, and most rows of a run are
// answered without a statement. The database is asked where the folded keys cannot decide (see
// KeyFolding.h) and where the index names a record that the database no longer holds so (a row
// taken back after it wrote the record).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/Connection.h"
#include "db/TargetTable.h"
#include "import/ArticleLookup.h"
#include "import/RowRecord.h"

namespace velra {

class ArticleRecordIndex {
 public:
  // Reads ID, article number and `moreKeyFields` of every record of `table`. Made inside the
  // run's transaction; the run writes the table's records only through records it tells of with
  // Saved.
  ArticleRecordIndex(Connection& connection, const TargetTable& table,
                     const std::vector<std::string>& moreKeyFields = {});

  // Loads the first record whose article number and further key fields equal `keys` (in that
  // order) into `record`; false when there is none, and `record` is to be started anew.
  bool Load(RowRecord& record, const std::vector<std::string>& keys);
  // `record` of the table was saved, new or loaded by the last Load.
  void Saved(const RowRecord& record);

 private:
  // A record's key fields as read, in one text: per field a mark (text, null or another type)
  // and the text with its length.
  struct Entry {
    int64_t id = 0;
    std::string keys;
  };

  std::string KeysOf(const RowRecord& record) const;
  // The ID the index is sure of, 0 for none; nullopt when only the database can tell.
  std::optional<int64_t> Decide(const std::vector<std::string>& keys) const;
  bool Read(RowRecord& record, int64_t id);
  // Where the entries of an article number are kept: under the hash of its folded key, among
  // the unfolded ones, or nowhere (a null article number equals no key).
  enum class Where { Folded, Unfolded, Nowhere };
  static Where WhereOf(std::string_view keys, size_t& hash);
  // Takes the record with these keys, in place of an entry of the same ID with the same
  // article number.
  void Place(int64_t id, std::string keys);
  void Remove(int64_t id, std::string_view keys);
  void Insert(int64_t id, Where where, size_t hash, std::string keys);
  void Erase(int64_t id, Where where, size_t hash);

  std::vector<int> fields_;  // the key fields in the table
  ArticleLookup lookup_;
  // By the hash of the folded article number; the other records (article numbers without a
  // folded key, values that are no text) in table order. A null article number equals none.
  std::unordered_multimap<size_t, Entry> byFolded_;
  std::vector<Entry> unfolded_;
  int64_t loadedId_ = 0;  // the record of the last Load, with its keys as read
  std::string loadedKeys_;
};

}  // namespace velra
