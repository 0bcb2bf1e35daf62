// The matching file and the layout file behind the automatic mapping. The input is a flags
// byte, the matching file, a NUL, the layout file, a NUL and the fields of the target table (one
// per line). Every alias the matching file lists must find its caption; the automatic mapping
// may only give a column a caption listed for its name, with the field the layout file names
// for that caption (and, with target fields, only a field of the table); a column it leaves
// alone has no such caption. The layout file read once answers like the keyed read of the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/Text.h"
#include "config/IniFile.h"
#include "config/TextFile.h"
#include "mapping/AutoMapping.h"
#include "mapping/LayoutFile.h"

using namespace velra;

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& wanted) {
  for (const std::string& item : list)
    if (item == wanted) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint8_t flags = input.Byte();
  const std::string matchingPath = fuzz::WriteScratchFile("Feldzuordnung.txt", input.Until('\0'));
  const std::string layoutPath = fuzz::WriteScratchFile("Firma.lyt", input.Until('\0'));
  std::vector<std::string> targetFields = Split(input.Rest(), "\n");

  MatchingFile matching;
  std::optional<TextDocument> text;
  try {
    matching = MatchingFile::Load(matchingPath);
    text = ReadTextFile(matchingPath);
  } catch (const ConfigError& e) {
    fuzz::Fail(std::string("the matching file cannot be read: ") + e.what());
  }

  // Columns named like every alias, and like every caption.
  std::vector<GridColumn> columns;
  for (const std::string& line : text->lines) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string caption = line.substr(0, equals);
    std::string_view rest = std::string_view(line).substr(equals + 1);
    rest = rest.substr(0, rest.find('='));
    for (const std::string& alias : Split(rest, ";")) {
      std::string trimmed = Trim(alias);
      if (trimmed.empty()) continue;
      FUZZ_CHECK(Contains(matching.CaptionsFor(trimmed), caption),
                 "the alias '" + trimmed + "' does not find its caption '" + caption + "'");
      FUZZ_CHECK(Contains(matching.CaptionsFor(" " + trimmed + "\t"), caption),
                 "the alias '" + trimmed + "' with blanks does not find its caption");
      if (columns.size() < 64) columns.push_back({trimmed, trimmed, "", "", "", 1000, false});
    }
    if (columns.size() < 64) columns.push_back({caption, caption, "", "", "", 1000, false});
  }

  LayoutFile layout = LayoutFile::Load(layoutPath);
  std::optional<IniDocument> layoutDocument = IniDocument::Load(layoutPath);
  FUZZ_CHECK(layoutDocument.has_value(), "the layout file cannot be read");
  const std::vector<std::string> keys = layoutDocument->Keys("Positionstabellen");
  for (size_t i = 0; i < keys.size(); i += 1 + keys.size() / 8) {
    const std::string& key = keys[i];
    FUZZ_CHECK(layout.Lookup(key) == ReadProfileStringLong(layoutPath, "Positionstabellen", key),
               "the layout answers '" + key + "' differently from the keyed read");
  }

  const bool withFields = (flags & 1) != 0;
  const std::vector<GridColumn> original = columns;
  AutoMapColumns(columns, matching, layout, withFields ? &targetFields : nullptr);
  for (size_t i = 0; i < columns.size(); ++i) {
    const GridColumn& before = original[i];
    const GridColumn& after = columns[i];
    std::vector<std::string> captions = matching.CaptionsFor(before.FieldCaption);
    FUZZ_CHECK(after.SourceName == before.SourceName, "the mapping renamed a source column");
    if (after.CellStyle == kCellsBound) {
      FUZZ_CHECK(after.HeaderStyle == kHeaderBound, "half a bound style");
      FUZZ_CHECK(Contains(captions, after.FieldCaption),
                 "'" + before.FieldCaption + "' mapped to the caption '" + after.FieldCaption +
                     "' that the matching file does not list for it");
      FUZZ_CHECK(EqualsIgnoreCase(after.TargetField, layout.Lookup(after.FieldCaption)),
                 "the field of '" + after.FieldCaption + "' is not the layout's");
      if (withFields)
        FUZZ_CHECK(Contains(targetFields, after.TargetField),
                   "the field '" + after.TargetField + "' is none of the table");
      continue;
    }
    FUZZ_CHECK(after.FieldCaption == before.FieldCaption && after.TargetField.empty() &&
                   after.HeaderStyle.empty(),
               "an unmapped column was changed");
    if (!withFields) {
      FUZZ_CHECK(captions.empty(), "'" + before.FieldCaption + "' has a caption but no mapping");
      continue;
    }
    for (const std::string& caption : captions) {
      std::string field = layout.Lookup(caption);
      for (const std::string& candidate : targetFields)
        FUZZ_CHECK(!EqualsIgnoreCase(candidate, field),
                   "'" + before.FieldCaption + "' could be mapped to '" + caption + "'");
    }
  }
  return 0;
}
