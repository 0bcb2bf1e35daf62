#pragma once
// The company options: for a file company the ini file "<Firma>.afk", for a server company the
// table Options (Section, Key, Value). Sections and keys compare ignoring letter case.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigError.h"

namespace velra {

class CompanyOptions {
 public:
  // What becomes of a stored value (empty text when there is none); nullopt leaves it as it is.
  using Change = std::function<std::optional<std::string>(const std::string& stored)>;

  virtual ~CompanyOptions() = default;
  // The option's value; empty text when it does not exist.
  virtual std::string Get(std::string_view section, std::string_view key) const = 0;
  // Reads the value as it is stored now and stores what `change` makes of it, with no other
  // writer of the company's options in between, also in another process: the options file is
  // locked, the row of the Options table is locked by the update (a key that is not in the table
  // yet has no row to lock: two writers adding it at once both add it). Throws ConfigError naming
  // the option when it could not be stored.
  virtual void Update(std::string_view section, std::string_view key, const Change& change) = 0;
  // Stores the value; throws ConfigError naming the option when it could not be stored.
  void Set(std::string_view section, std::string_view key, std::string_view value);
};

class FileOptions final : public CompanyOptions {
 public:
  explicit FileOptions(std::string optionsFile) : file_(std::move(optionsFile)) {}
  std::string Get(std::string_view section, std::string_view key) const override;
  void Update(std::string_view section, std::string_view key, const Change& change) override;

 private:
  std::string file_;
};

// A copy of the Options table taken when the company is selected; writes go to the table at once
// and into the copy. Values written by the suite after loading are seen at the next selection.
class TableOptions final : public CompanyOptions {
 public:
  // Reads the whole table. Throws DbError when the database cannot be opened, ConfigError when
  // the table cannot be read.
  static std::unique_ptr<TableOptions> Load(const std::string& connectionString);

  std::string Get(std::string_view section, std::string_view key) const override;
  void Update(std::string_view section, std::string_view key, const Change& change) override;

 private:
  struct Row {
    std::string section, key, value;
  };
  // Index of the first row of that section and key, rows_.size() when there is none.
  size_t Find(std::string_view section, std::string_view key) const;

  std::string connectionString_;
  std::vector<Row> rows_;
};

}  // namespace velra
