#pragma once
// The address block and the search name of customers and suppliers.

#include <optional>
#include <string>

#include "import/RowRecord.h"

namespace velra {

// Company, name line, street, postal code and town, each line ending with CR LF, then the country
// in capitals when it is not the company's home country. Values are trimmed.
std::string AddressBlock(const RowRecord& record, const std::string& homeCountry);

// The search name by mode (0 the record's own, 1 family name, 2 company, 3 "Name, Vorname",
// 4 "Name, Vorname - Ort"), without apostrophes; nullopt when the mode leaves it unchanged.
std::optional<std::string> SearchName(const RowRecord& record, int mode);

}  // namespace velra
