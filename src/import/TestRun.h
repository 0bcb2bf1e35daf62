#pragma once
// What a test run shows of the run that would follow: the records it would change field by field,
// the values it would compute for the first rows, and keys the file holds more than once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Value.h"

namespace velra {

// A field of a record as it was and as the import sets it; each presenter writes the values in
// its own form.
struct FieldChange {
  std::string field;  // as the database spells it
  Value before;       // null for a new record
  Value after;
};

struct RecordPreview {
  enum class Action { Add, Update, Unchanged };
  uint32_t row = 0;   // row of the grid
  uint32_t line = 0;  // where it stands in the file
  Action action = Action::Add;
  std::string key;  // the record's number or key
  std::vector<FieldChange> fields;
};

// "neu", "geändert", "unverändert".
inline const char* ActionText(RecordPreview::Action action) {
  switch (action) {
    case RecordPreview::Action::Add:
      return "neu";
    case RecordPreview::Action::Update:
      return "geändert";
    case RecordPreview::Action::Unchanged:
      return "unverändert";
  }
  return "";
}

struct DuplicateKey {
  std::string key;
  std::vector<uint32_t> lines;
};

struct TestRunPreview {
  static constexpr size_t kFirstRows = 10;      // rows shown with every value they get
  static constexpr size_t kMaxChanged = 10000;  // updated records listed field by field
  static constexpr size_t kMaxDuplicates = 1000;

  std::vector<RecordPreview> firstRows;
  std::vector<RecordPreview> changed;  // every updated record, up to kMaxChanged
  size_t moreChanged = 0;
  std::vector<DuplicateKey> duplicates;  // up to kMaxDuplicates
  size_t moreDuplicates = 0;
  std::vector<std::string> notes;  // what a test run does not try, in German
};

}  // namespace velra
