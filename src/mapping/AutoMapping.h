#pragma once
// Automatic mapping: the matching file names, per field caption, the column names that foreign
// exports use for it ("Artikel-Nr.=ArtNr;Artikelnummer;Art.-Nr.").

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mapping/GridColumns.h"
#include "mapping/LayoutFile.h"

namespace velra {

class MatchingFile {
 public:
  // Throws ConfigError naming the file when it is missing or cannot be read.
  static MatchingFile Load(const std::string& path);
  static MatchingFile FromLines(const std::vector<std::string>& lines);

  // The captions whose aliases hold `searchText` (both trimmed, compared exactly), in file order.
  std::vector<std::string> CaptionsFor(std::string_view searchText) const;

 private:
  struct Line {
    std::string caption;
    std::vector<std::string> aliases;
  };
  std::vector<Line> lines_;
};

// Maps every column whose caption the matching file lists as an alias: it gets the line's
// caption, the caption's field and the "bound" styles. With `targetFields`, a caption whose
// field the target table lacks is passed over in favour of a later line.
void AutoMapColumns(std::vector<GridColumn>& columns, const MatchingFile& matching,
                    const LayoutFile& layout,
                    const std::vector<std::string>* targetFields = nullptr);

}  // namespace velra
