#include "app/DataKinds.h"

#include "base/Text.h"

namespace velra {

const std::vector<DataKind>& ListedDataKinds() {
  static const std::vector<DataKind> listed = [] {
    std::vector<DataKind> kinds;
    for (const DataKindInfo& info : DataKinds())
      if (info.listed) kinds.push_back(info.kind);
    return kinds;
  }();
  return listed;
}

std::optional<DataKind> ParseDataKind(const std::string& text) {
  std::string wanted = Trim(text);
  for (DataKind kind : ListedDataKinds())
    if (EqualsIgnoreCase(Describe(kind).listText, wanted)) return kind;
  std::optional<int64_t> number = LeadingInteger(wanted);
  if (!number || std::to_string(*number) != wanted) return std::nullopt;
  std::optional<DataKind> kind = DataKindOfNumber(*number);
  return kind && Describe(*kind).listed ? kind : std::nullopt;
}

}  // namespace velra
