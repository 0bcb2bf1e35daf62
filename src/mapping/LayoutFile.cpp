#include "mapping/LayoutFile.h"

namespace velra {

LayoutFile LayoutFile::Load(const std::string& path) {
  LayoutFile layout;
  try {
    layout.document_ = IniDocument::Load(path);
  } catch (const ConfigError&) {
    // A layout file that cannot be read looks nothing up.
  }
  return layout;
}

std::string LayoutFile::Lookup(std::string_view key) const {
  return document_.Read("Positionstabellen", key, kProfileRoomLong);
}

}  // namespace velra
