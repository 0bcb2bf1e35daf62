#pragma once
// The fields a kind of data cannot be imported without.

#include <functional>
#include <optional>
#include <string>

#include "import/DataKind.h"

namespace velra {

struct MandatoryCheckInput {
  DataKind datenart = DataKind::Articles;
  bool synchronise = false;
  bool autoNumber = true;
  bool taxRateByDefault = false;  // a default tax key stands in for the mapped rate
  int searchNameMode = 0;
  std::string synchronisationCaption;  // the text of cboSynchronisierung
  // True when a grid column carries this caption.
  std::function<bool(const std::string&)> isMapped;
};

// The message for the first mandatory field that no column carries, nullopt when all are there.
std::optional<std::string> MissingMandatoryField(const MandatoryCheckInput& input);

}  // namespace velra
