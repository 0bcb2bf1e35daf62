#include "import/Addresses.h"

#include "base/Text.h"

namespace velra {

namespace {

constexpr const char* kCrLf = "\r\n";

std::string Trimmed(const RowRecord& record, const char* field) {
  return TrimBlanks(NzText(record.Get(field)));
}

// "Value " when there is a value, nothing otherwise.
std::string WithBlank(const std::string& value) {
  return value.empty() ? value : value + " ";
}

}  // namespace

std::string AddressBlock(const RowRecord& record, const std::string& homeCountry) {
  std::string block = Trimmed(record, "Company") + kCrLf;
  block += WithBlank(Trimmed(record, "Salutation")) + WithBlank(Trimmed(record, "Title")) +
           WithBlank(Trimmed(record, "Surname")) + Trimmed(record, "Name") + kCrLf;
  block += Trimmed(record, "Street") + kCrLf;
  block += WithBlank(Trimmed(record, "Zip")) + Trimmed(record, "Town") + kCrLf;
  std::string country = Trimmed(record, "Country");
  if (!country.empty() && country != homeCountry) block += ToUpper(country);
  return block;
}

std::optional<std::string> SearchName(const RowRecord& record, int mode) {
  auto field = [&](const char* name) -> std::optional<std::string> {
    const Value& value = record.Get(name);
    if (value.IsNull()) return std::nullopt;
    return NzText(value);
  };
  std::optional<std::string> name;
  switch (mode) {
    case 0:
      name = field("Matchcode");
      break;
    case 1:
      name = field("Name");
      break;
    case 2:
      name = field("Company");
      break;
    case 3:
      name = field("Name").value_or("") + ", " + field("Surname").value_or("");
      break;
    case 4: {
      std::string surname = field("Surname").value_or(""), town = field("Town").value_or("");
      name = field("Name").value_or("") + (surname.empty() ? "" : ", " + surname) +
             (town.empty() ? "" : " - " + town);
      break;
    }
    default:
      return std::nullopt;
  }
  if (!name) return std::nullopt;
  return ReplaceAll(*name, "'", "");
}

}  // namespace velra
