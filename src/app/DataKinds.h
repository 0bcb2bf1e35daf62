#pragma once
// The kinds of data as the wizard's list offers them and as a user types them.

#include <optional>
#include <string>
#include <vector>

#include "import/DataKind.h"

namespace velra {

// The kinds the list offers, in the list's order.
const std::vector<DataKind>& ListedDataKinds();
// A kind the list offers, by its list text (letter case ignored) or its number, as a user types
// it; nullopt for any other text, also for the numbers of kinds the list does not offer.
std::optional<DataKind> ParseDataKind(const std::string& text);

}  // namespace velra
