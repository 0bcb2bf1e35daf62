#pragma once
// Ini files in the layout the suite shares: keyed reads and writes with the semantics of the
// classic private-profile functions, and the enumeration and removal of sections and keys.
// Names compare ignoring letter case; lists count from 1.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/TextFile.h"

namespace velra {

// Room of the keyed reads, as the suite's callers size their buffers: at most room - 1
// characters of a value are returned.
inline constexpr size_t kProfileRoom = 255;
inline constexpr size_t kProfileRoomLong = 1500;

// An ini file held in memory, for callers that look up many keys of one file.
class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(TextDocument text) : text_(std::move(text)) {}

  // Throws ConfigError when the file cannot be read; a missing file is an error here.
  static IniDocument Load(const std::string& path);

  // Keyed read: the value of the first matching key of the first matching section, trimmed and
  // without one pair of enclosing quotes, cut to room - 1 characters; empty when missing.
  std::string Read(std::string_view section, std::string_view key,
                   size_t room = kProfileRoom) const;
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // Keyed write into the document (see WriteProfileString). Throws ConfigError when section,
  // key or value hold characters an ini file cannot keep.
  void Write(std::string_view section, std::string_view key, std::string_view value);

  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(std::string_view section) const;
  // Drops every key line of the section whose raw key name equals `key` ignoring case.
  void RemoveKey(std::string_view section, std::string_view key);
  // Drops the first section of that name: its header and every line up to the next header.
  void RemoveSection(std::string_view section);

  const TextDocument& Text() const { return text_; }
  // Saves with the rewrite rule of the own module: empty lines before the first kept line go.
  // Both throw ConfigError when the file cannot be written.
  void SaveCompacted(const std::string& path) const;
  void Save(const std::string& path) const;

 private:
  TextDocument text_;
};

// Keyed access to a file on disk. Missing files, sections or keys read as empty text.
std::string ReadProfileString(const std::string& file, std::string_view section,
                              std::string_view key);
std::string ReadProfileStringLong(const std::string& file, std::string_view section,
                                  std::string_view key);
// Replaces the value of the first matching key, else adds the key at the end of its section,
// else adds the section at the end of the file; creates the file when needed. The file is
// rewritten through a temporary file; encoding and line ends stay as read. Throws ConfigError when
// the value cannot be stored.
void WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value);

// The suite's own ini module.
std::vector<std::string> GetSections(const std::string& file);
int SectionCount(const std::string& file);
std::vector<std::string> GetKeys(const std::string& file, std::string_view section);
int KeyCount(const std::string& file, std::string_view section);
std::string GetKeyName(const std::string& file, std::string_view section, int index);
bool SectionExists(const std::string& file, std::string_view section);
bool KeyExists(const std::string& file, std::string_view section, std::string_view key);
// Nothing to do for a file that cannot be read or lacks the key or section; throws ConfigError
// when the file cannot be rewritten.
void DeleteKey(const std::string& file, std::string_view section, std::string_view key);
void DeleteSection(const std::string& file, std::string_view section);

}  // namespace velra
