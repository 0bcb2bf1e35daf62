#include "mapping/LayoutFile.h"

namespace velra {

LayoutFile LayoutFile::Load(const std::string& path) {
  LayoutFile layout;
  if (std::optional<IniDocument> document = IniDocument::Load(path))
    layout.document_ = std::move(*document);
  return layout;
}

std::string LayoutFile::Lookup(std::string_view key) const {
  return document_.Read("Positionstabellen", key, kProfileRoomLong);
}

}  // namespace velra
