// Ini files. The input is a flags byte, a section, a key and a value (each ended by a line
// feed) and then the file. The key is written into the document; it must read back exactly as
// written, every other key must read as before, and after saving and reading the file again
// the document must hold the same lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/Encoding.h"
#include "base/Text.h"
#include "config/IniFile.h"

using namespace velra;

namespace {

struct Entry {
  std::string section, key, value;
};

// What every key of the document reads now (the first 200 keys).
std::vector<Entry> Snapshot(const IniDocument& document) {
  std::vector<Entry> entries;
  for (const std::string& section : document.Sections())
    for (const std::string& key : document.Keys(section)) {
      if (entries.size() >= 200) return entries;
      entries.push_back({section, key, document.Read(section, key, kProfileRoomLong)});
    }
  return entries;
}

bool SameName(std::string_view a, std::string_view b) {
  return EqualsIgnoreCase(Trim(a), Trim(b));
}

IniDocument LoadOrFail(const std::string& path, const std::string& failure) {
  try {
    return IniDocument::Load(path);
  } catch (const ConfigError& e) {
    fuzz::Fail(failure + e.what());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint8_t flags = input.Byte();
  std::string section(input.Until('\n'));
  std::string key(input.Until('\n'));
  std::string value(input.Until('\n'));
  const std::string path = fuzz::WriteScratchFile("einstellungen.ini", input.Rest());

  IniDocument document = LoadOrFail(path, "a small file cannot be read: ");
  const std::vector<Entry> before = Snapshot(document);

  // Now and then a section and key the file has, so that existing keys are replaced.
  if ((flags & 1) && !before.empty()) {
    const Entry& entry = before[(flags >> 1) % before.size()];
    section = entry.section;
    key = entry.key;
  }
  // Values come from the program as UTF-8.
  if (!IsValidUtf8(section) || !IsValidUtf8(key) || !IsValidUtf8(value)) return 0;

  const std::vector<std::string> linesBefore = document.Text().lines;
  try {
    document.Write(section, key, value);
  } catch (const ConfigError&) {
    FUZZ_CHECK(document.Text().lines == linesBefore, "a refused write changed the document");
    return 0;
  }
  std::optional<std::string> found = document.Find(section, key);
  FUZZ_CHECK(found.has_value(), "the written key '" + key + "' is not found in [" + section + "]");
  FUZZ_CHECK(*found == value, "the written key reads '" + *found + "' instead of '" + value + "'");
  for (const Entry& entry : before) {
    if (SameName(entry.section, section) && SameName(entry.key, key)) continue;
    std::string now = document.Read(entry.section, entry.key, kProfileRoomLong);
    FUZZ_CHECK(now == entry.value, "writing [" + section + "] " + key + " changed [" +
                                       entry.section + "] " + entry.key + " from '" + entry.value +
                                       "' to '" + now + "'");
  }

  try {
    document.Save(path);
  } catch (const ConfigError& e) {
    // Only a character that the file's code page lacks keeps it from being saved.
    FUZZ_CHECK(document.Text().encoding == TextEncoding::Windows1252 &&
                   !Utf8ToWindows1252(section + key + value),
               std::string("saving fails: ") + e.what());
    return 0;
  }
  std::optional<IniDocument> reread = LoadOrFail(path, "the saved file cannot be read: ");
  // A Windows-1252 file whose bytes happen to form UTF-8 is read as UTF-8 the next time; the
  // encoding is guessed, so that case proves nothing here.
  if (reread->Text().encoding != document.Text().encoding) {
    FUZZ_CHECK(document.Text().encoding == TextEncoding::Windows1252,
               "the saved file changed its encoding");
    return 0;
  }
  FUZZ_CHECK(reread->Text().lines == document.Text().lines, "the saved file reads differently");
  FUZZ_CHECK(reread->Text().lineEnd == document.Text().lineEnd || document.Text().lines.empty(),
             "the line ends changed");
  found = reread->Find(section, key);
  FUZZ_CHECK(found && *found == value, "the saved key does not read back");
  return 0;
}
