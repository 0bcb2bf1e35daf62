#include "mapping/AutoMapping.h"

#include "base/Text.h"
#include "config/TextFile.h"

namespace velra {

MatchingFile MatchingFile::FromLines(const std::vector<std::string>& lines) {
  MatchingFile matching;
  for (const std::string& text : lines) {
    size_t equals = text.find('=');
    if (equals == std::string::npos) continue;
    Line line;
    line.caption = text.substr(0, equals);
    std::string_view rest = std::string_view(text).substr(equals + 1);
    rest = rest.substr(0, rest.find('='));  // anything after a second "=" does not count
    for (const std::string& alias : Split(rest, ";")) {
      std::string trimmed = Trim(alias);
      if (!trimmed.empty()) line.aliases.push_back(std::move(trimmed));
    }
    matching.lines_.push_back(std::move(line));
  }
  return matching;
}

MatchingFile MatchingFile::Load(const std::string& path) {
  return FromLines(ReadTextFile(path).lines);
}

std::vector<std::string> MatchingFile::CaptionsFor(std::string_view searchText) const {
  std::vector<std::string> captions;
  std::string wanted = Trim(searchText);
  if (wanted.empty()) return captions;
  for (const Line& line : lines_)
    for (const std::string& alias : line.aliases)
      if (alias == wanted) {
        captions.push_back(line.caption);
        break;
      }
  return captions;
}

void AutoMapColumns(std::vector<GridColumn>& columns, const MatchingFile& matching,
                    const LayoutFile& layout, const std::vector<std::string>* targetFields) {
  for (GridColumn& column : columns) {
    for (const std::string& caption : matching.CaptionsFor(column.FieldCaption)) {
      std::string field = layout.Lookup(caption);
      if (targetFields) {
        const std::string* known = nullptr;
        for (const std::string& candidate : *targetFields)
          if (EqualsIgnoreCase(candidate, field)) known = &candidate;
        if (!known) continue;
        field = *known;
      }
      column.FieldCaption = caption;
      column.TargetField = field;
      column.CellStyle = kCellsBound;
      column.HeaderStyle = kHeaderBound;
      break;
    }
  }
}

}  // namespace velra
