#pragma once
// The company's layout file: section "Positionstabellen" holds both directions, database field
// name = caption and caption = database field name.

#include <string>
#include <string_view>

#include "config/IniFile.h"

namespace velra {

class LayoutFile {
 public:
  LayoutFile() = default;
  // A missing or unreadable file gives an empty layout: every lookup is empty.
  static LayoutFile Load(const std::string& path);

  // The value of `key` in "Positionstabellen", or empty text.
  std::string Lookup(std::string_view key) const;

 private:
  IniDocument document_;
};

}  // namespace velra
