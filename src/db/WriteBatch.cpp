#include "db/WriteBatch.h"

#include <algorithm>
#include <unordered_set>

namespace velra {

void WriteBatch::Add(uint32_t row, TargetTable& table, std::vector<Value> values,
                     std::vector<char> set) {
  Append({row, &table, true, 0, std::move(values), std::move(set)});
}

void WriteBatch::Change(uint32_t row, TargetTable& table, int64_t id, std::vector<Value> values,
                        std::vector<char> changed) {
  Append({row, &table, false, id, std::move(values), std::move(changed)});
}

void WriteBatch::Append(Write write) {
  if (rowStarts_.empty() || writes_[rowStarts_.back()].row != write.row)
    rowStarts_.push_back(writes_.size());
  writes_.push_back(std::move(write));
}

void WriteBatch::Withdraw(uint32_t row) {
  if (rowStarts_.empty() || writes_[rowStarts_.back()].row != row) return;
  writes_.resize(rowStarts_.back());
  rowStarts_.pop_back();
}

void WriteBatch::Clear() {
  writes_.clear();
  rowStarts_.clear();
}

std::vector<WriteBatch::Outcome> WriteBatch::Send() {
  std::vector<Outcome> outcomes;
  if (rowStarts_.empty()) return outcomes;
  outcomes.reserve(rowStarts_.size());
  try {
    SendRows(0, rowStarts_.size(), outcomes);
  } catch (...) {
    Clear();
    throw;
  }
  Clear();
  return outcomes;
}

// The rows from `first` to before `last` behind a savepoint; refused, the halves one after the
// other, so that the outcomes stay in the order of the rows.
void WriteBatch::SendRows(size_t first, size_t last, std::vector<Outcome>& outcomes) {
  connection_.Savepoint();
  try {
    WriteAll(first, last);
    connection_.ReleaseSavepoint();
  } catch (const DbError& e) {
    if (e.StopsEveryWrite()) throw;
    connection_.RollbackToSavepoint();
    if (last - first == 1) {
      outcomes.push_back({writes_[rowStarts_[first]].row, false, e.what(), {}});
      return;
    }
    const size_t middle = first + (last - first) / 2;
    SendRows(first, middle, outcomes);
    SendRows(middle, last, outcomes);
    return;
  }
  for (size_t row = first; row < last; ++row) {
    Outcome outcome{writes_[rowStarts_[row]].row, true, {}, {}};
    for (size_t i = rowStarts_[row]; i < EndOf(row); ++i)
      if (writes_[i].add) outcome.added.push_back(writes_[i].id);
    outcomes.push_back(std::move(outcome));
  }
}

size_t WriteBatch::EndOf(size_t row) const {
  return row + 1 < rowStarts_.size() ? rowStarts_[row + 1] : writes_.size();
}

// The changes first (one may free a value that a record added after it takes), then the added
// records: a statement for many writes of the same table and fields where the database takes
// that. No write of a batch needs another's result: a row that needs a record waiting here has
// the batch sent before it, so a record is changed once in a batch at most; should it be changed
// twice, the second change goes in a statement after the first.
void WriteBatch::WriteAll(size_t first, size_t last) {
  const size_t begin = rowStarts_[first], end = EndOf(last - 1);
  struct Group {
    TargetTable* table;
    bool add;
    const std::vector<char>* set;
    std::vector<Write*> writes;
    std::unordered_set<int64_t> changed;  // the records it changes
  };
  std::vector<Group> groups;
  for (size_t i = begin; i < end; ++i) {
    Write& write = writes_[i];
    auto fits = [&](const Group& g) {
      return g.table == write.table && g.add == write.add && *g.set == write.set &&
             (write.add || !g.changed.count(write.id));
    };
    auto group = std::find_if(groups.rbegin(), groups.rend(), fits);
    if (group == groups.rend()) {
      groups.push_back({write.table, write.add, &write.set, {}, {}});
      group = groups.rbegin();
    }
    group->writes.push_back(&write);
    if (!write.add) group->changed.insert(write.id);
  }
  std::stable_partition(groups.begin(), groups.end(), [](const Group& g) { return !g.add; });
  for (Group& group : groups) {
    std::vector<const std::vector<Value>*> rows;
    rows.reserve(group.writes.size());
    for (const Write* write : group.writes) rows.push_back(&write->values);
    if (!group.add) {
      std::vector<int64_t> ids;
      for (const Write* write : group.writes) ids.push_back(write->id);
      group.table->UpdateRows(ids, rows, *group.set);
      continue;
    }
    const std::vector<int64_t> ids = group.table->InsertRows(rows, *group.set);
    for (size_t i = 0; i < ids.size(); ++i) group.writes[i]->id = ids[i];
  }
}

}  // namespace velra
