#include "import/run/RunPreview.h"

#include "base/Text.h"
#include "import/KeyIndex.h"

namespace velra {

void RunPreview::NoteKey(const std::vector<std::string>& keys, uint32_t line) {
  const std::string shown = Join(keys, " / ");
  if (keys.empty() || TrimBlanks(shown).empty()) return;
  // Only the first line of a key is kept until it turns up again.
  auto [seen, added] = keyLines_.try_emplace(KeyIndex::Compose(keys), SeenKey{line, -1});
  if (added) return;
  if (seen->second.duplicate < 0) {
    if (preview_.duplicates.size() == TestRunPreview::kMaxDuplicates) {
      ++preview_.moreDuplicates;
      seen->second.duplicate = -2;
      return;
    }
    seen->second.duplicate = static_cast<int>(preview_.duplicates.size());
    preview_.duplicates.push_back({shown, {seen->second.firstLine}});
  }
  if (seen->second.duplicate >= 0)
    preview_.duplicates[static_cast<size_t>(seen->second.duplicate)].lines.push_back(line);
}

void RunPreview::NoteRecord(uint32_t row, uint32_t line, const std::string& key,
                            const RowRecord& record, const TargetTable& table,
                            RowRecord::Saved saved) {
  const bool first = preview_.firstRows.size() < TestRunPreview::kFirstRows;
  RecordPreview shown;
  shown.row = row;
  shown.line = line;
  shown.action = saved == RowRecord::Saved::Added     ? RecordPreview::Action::Add
                 : saved == RowRecord::Saved::Updated ? RecordPreview::Action::Update
                                                      : RecordPreview::Action::Unchanged;
  shown.key = key;
  const std::vector<ColumnInfo>& columns = table.Columns();
  const bool isNew = saved == RowRecord::Saved::Added;
  for (size_t i = 0; i < columns.size(); ++i) {
    const int index = static_cast<int>(i);
    if (!record.WasSet(index) || index == table.IdIndex()) continue;
    if (!isNew && SameFieldValue(record.At(index), record.Original(index))) continue;
    shown.fields.push_back(
        {columns[i].name, isNew ? Value() : record.Original(index), record.At(index)});
  }
  if (first) preview_.firstRows.push_back(shown);
  if (saved != RowRecord::Saved::Updated) return;
  if (preview_.changed.size() < TestRunPreview::kMaxChanged)
    preview_.changed.push_back(std::move(shown));
  else
    ++preview_.moreChanged;
}

}  // namespace velra
