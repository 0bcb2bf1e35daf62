#include "company/CompanyOptions.h"

#include "base/Text.h"
#include "config/FileLock.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "db/Connection.h"

namespace velra {

void CompanyOptions::Set(std::string_view section, std::string_view key, std::string_view value) {
  Update(section, key, [value](const std::string&) { return std::optional<std::string>(value); });
}

std::string FileOptions::Get(std::string_view section, std::string_view key) const {
  return ReadProfileString(file_, section, key);
}

void FileOptions::Update(std::string_view section, std::string_view key, const Change& change) {
  try {
    std::unique_ptr<FileLock> lock =
        FileLock::Take(LockFileBeside(file_, "velra-options"), FileLock::Wait::Yes);
    std::optional<std::string> value = change(ReadProfileString(file_, section, key));
    if (value) WriteProfileString(file_, section, key, *value);
  } catch (const ConfigError& e) {
    throw ConfigError(messages::OptionNotStored(section, key, e.what()));
  }
}

std::unique_ptr<TableOptions> TableOptions::Load(const std::string& connectionString) {
  // The database itself cannot be opened: its own sentence says why.
  std::unique_ptr<Connection> connection = Connection::Open(connectionString);
  try {
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
    throw ConfigError(messages::OptionsUnavailable(e.what()));
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

void TableOptions::Update(std::string_view section, std::string_view key, const Change& change) {
  try {
    auto connection = Connection::Open(connectionString_);
    const std::string table = connection->Quote("Options");
    const std::string valueColumn = connection->Quote("Value");
    // Section and key compare ignoring letter case, as everywhere in the options.
    const std::string where = " WHERE LOWER(" + connection->Quote("Section") +
                              ") = LOWER(?) AND LOWER(" + connection->Quote("Key") + ") = LOWER(?)";
    const std::vector<Value> names{Value(section), Value(key)};
    Transaction transaction = connection->Begin();
    // The update without a change takes the row lock, so that the value read next is the one
    // this transaction replaces.
    const bool exists =
        connection->Execute("UPDATE " + table + " SET " + valueColumn + " = " + valueColumn + where,
                            names) > 0;
    std::optional<ColumnInfo> id = connection->FindColumn("Options", "ID");
    std::string stored;
    if (exists) {
      Rows rows = connection->Query("SELECT " + valueColumn + " FROM " + table + where +
                                        (id ? " ORDER BY " + connection->Quote(id->name) : ""),
                                    names);
      if (!rows.Empty()) stored = NzText(rows.rows[0][0]);
    }
    std::optional<std::string> value = change(stored);
    if (!value) return;
    if (exists)
      connection->Execute("UPDATE " + table + " SET " + valueColumn + " = ?" + where,
                          {Value(*value), Value(section), Value(key)});
    else
      connection->Execute("INSERT INTO " + table + " (" + connection->Quote("Section") + ", " +
                              connection->Quote("Key") + ", " + valueColumn + ") VALUES (?, ?, ?)",
                          {Value(section), Value(key), Value(*value)});
    transaction.Commit();
    size_t index = Find(section, key);
    if (index < rows_.size())
      rows_[index].value = *value;
    else
      rows_.push_back({std::string(section), std::string(key), *value});
  } catch (const DbError& e) {
    throw ConfigError(messages::OptionNotStored(section, key, e.what()));
  }
}

}  // namespace velra
