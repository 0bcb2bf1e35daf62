#include "config/CompanyOptions.h"

#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Text.h"
#include "db/Connection.h"

namespace velra {

std::string FileOptions::Get(std::string_view section, std::string_view key) const {
  return ReadProfileString(file_, section, key);
}

bool FileOptions::Set(std::string_view section, std::string_view key, std::string_view value,
                      std::string* error) {
  std::string reason;
  if (WriteProfileString(file_, section, key, value, &reason)) return true;
  if (error) *error = messages::OptionNotStored(section, key, reason);
  return false;
}

std::unique_ptr<TableOptions> TableOptions::Load(const std::string& connectionString,
                                                 std::string* error) {
  try {
    auto connection = Connection::Open(connectionString);
    // The table is defined by Section, Key and Value; where it has an ID, that gives the order in
    // which the first of two equal keys is found.
    const std::string table = connection->Quote("Options");
    std::optional<ColumnInfo> id = connection->FindColumn("Options", "ID");
    Rows rows = connection->Query(
        "SELECT " + connection->Quote("Section") + ", " + connection->Quote("Key") + ", " +
        connection->Quote("Value") + " FROM " + table +
        (id ? " ORDER BY " + connection->Quote(id->name) : std::string()));
    auto options = std::unique_ptr<TableOptions>(new TableOptions());
    options->connectionString_ = connectionString;
    for (const auto& row : rows.rows)
      options->rows_.push_back({NzText(row[0]), NzText(row[1]), NzText(row[2])});
    return options;
  } catch (const DbError& e) {
    if (error) *error = messages::OptionsUnavailable(e.what());
    return nullptr;
  }
}

size_t TableOptions::Find(std::string_view section, std::string_view key) const {
  size_t index = 0;
  while (index < rows_.size() && !(EqualsIgnoreCase(rows_[index].section, section) &&
                                   EqualsIgnoreCase(rows_[index].key, key)))
    ++index;
  return index;
}

std::string TableOptions::Get(std::string_view section, std::string_view key) const {
  size_t index = Find(section, key);
  return index < rows_.size() ? rows_[index].value : std::string();
}

bool TableOptions::Set(std::string_view section, std::string_view key, std::string_view value,
                       std::string* error) {
  try {
    auto connection = Connection::Open(connectionString_);
    const std::string table = connection->Quote("Options");
    const std::string sectionColumn = connection->Quote("Section");
    const std::string keyColumn = connection->Quote("Key");
    const std::string valueColumn = connection->Quote("Value");
    size_t index = Find(section, key);
    if (index < rows_.size()) {
      // The row as the table spells its section and key.
      connection->Execute("UPDATE " + table + " SET " + valueColumn + " = ? WHERE " +
                              sectionColumn + " = ? AND " + keyColumn + " = ?",
                          {Value(value), Value(rows_[index].section), Value(rows_[index].key)});
      rows_[index].value = std::string(value);
      return true;
    }
    connection->Execute("INSERT INTO " + table + " (" + sectionColumn + ", " + keyColumn + ", " +
                            valueColumn + ") VALUES (?, ?, ?)",
                        {Value(section), Value(key), Value(value)});
    rows_.push_back({std::string(section), std::string(key), std::string(value)});
    return true;
  } catch (const DbError& e) {
    if (error) *error = messages::OptionNotStored(section, key, e.what());
    return false;
  }
}

}  // namespace velra
