#pragma once
// Mappings learned from earlier runs: the column -> field pairs the user set by hand, kept per
// company and kind of data in the user's configuration folder (not in the suite's files). The
// automatic mapping gives them to columns it left unmapped.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/ConfigError.h"
#include "mapping/FieldList.h"
#include "mapping/GridColumns.h"

namespace velra {

class LearnedMappings {
 public:
  // Bounds that keep the store small whatever its file holds. Beyond them the pairs (or the
  // companies) least recently remembered give way.
  static constexpr size_t kMaxPairsPerKind = 2000;
  static constexpr size_t kMaxCompanies = 200;
  static constexpr size_t kMaxNameBytes = 256;

  // $XDG_CONFIG_HOME/velra/importassistent/gelernte-zuordnungen.json, with ~/.config when
  // XDG_CONFIG_HOME is unset or not absolute; empty when neither is known.
  static std::string DefaultPath();
  // A missing file is an empty store without a problem; an unreadable or broken one gives an
  // empty store and a German Problem() (the caller shows it; it never blocks the wizard). A broken
  // file is kept as "<Datei>.defekt" when the store is next saved to it; a file that cannot be
  // read, or was written by a newer version of the program, is not overwritten at all. Pairs
  // beyond the bounds below are left out.
  static LearnedMappings Load(const std::string& path);
  // Why Load did not use the file; empty when it did, or there was none.
  const std::string& Problem() const { return problem_; }

  // `datenart` is the kind's number (see DataKind). `company` identifies the company (the caller
  // passes its name; compared without regard to case and surrounding spaces); `column` is matched
  // later in the same way. A later pair for the same column replaces the earlier one; an empty
  // `field` forgets the column. Pairs that cannot be kept are ignored: an empty company or column,
  // a number that is no kind, a name longer than kMaxNameBytes or holding control characters or
  // bytes that are no UTF-8.
  void Remember(const std::string& company, int datenart, const std::string& column,
                const std::string& field);
  std::optional<std::string> Lookup(const std::string& company, int datenart,
                                    const std::string& column) const;
  // Writes atomically, creating the folders (mode 0700); throws ConfigError naming the file.
  void Save(const std::string& path) const;
  bool Empty() const { return companies_.empty(); }

 private:
  struct Pair {
    std::string column;  // as the user's file spelled it, trimmed
    std::string field;
    uint64_t stamp = 0;
  };
  struct Kind {
    std::map<std::string, Pair> pairs;        // by folded column
    std::map<uint64_t, std::string> byStamp;  // oldest first: stamp -> folded column
  };
  struct Company {
    std::string name;  // trimmed, as last given
    uint64_t stamp = 0;
    std::map<int, Kind> kinds;
  };

  std::string ToJson() const;
  // Drops the `count` pairs remembered longest ago, in whichever company and kind they are.
  void DropOldestPairs(size_t count);

  std::map<std::string, Company> companies_;    // by folded name
  std::map<uint64_t, std::string> companyAge_;  // oldest first: stamp -> folded name
  uint64_t clock_ = 0;
  // Set by Load: a broken file to keep aside before it is first replaced, and a file that could
  // not be read (or came from a newer version) never to replace.
  mutable std::string brokenPath_;
  std::string keepPath_;
  std::string problem_;
};

// Gives each column the field the user chose for it before, when `choices` offers it (the field
// is matched case-insensitively and takes the choice's spelling): the learned field wins over the
// automatic mapping, also when that gave the field to another column, which then loses it. A
// column or field assigned by hand in this session, or learned for an earlier column, stays.
// Sets FieldCaption to the choice's Caption, TargetField and the bound styles. Returns the number
// of columns mapped.
int ApplyLearnedMappings(std::vector<GridColumn>& columns, const LearnedMappings& learned,
                         const std::string& company, int datenart,
                         const std::vector<FieldChoice>& choices);

}  // namespace velra
