#include "config/IniFile.h"

#include "base/Paths.h"
#include "base/Text.h"

namespace velra {

namespace {

enum class LineKind { Other, Comment, Header, Key };

struct Line {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section name (between the brackets) or raw key name
  std::string_view value;  // raw value of a key line
};

std::string_view TrimView(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return text.substr(begin, end - begin);
}

Line Classify(std::string_view raw) {
  std::string_view trimmed = TrimView(raw);
  if (!trimmed.empty() && (trimmed.front() == '#' || trimmed.front() == '\''))
    return {LineKind::Comment, {}, {}};
  if (trimmed.size() >= 3 && trimmed.front() == '[' && trimmed.back() == ']')
    return {LineKind::Header, trimmed.substr(1, trimmed.size() - 2), {}};
  size_t equals = raw.find('=');
  if (equals != std::string_view::npos)
    return {LineKind::Key, raw.substr(0, equals), raw.substr(equals + 1)};
  return {};
}

bool SectionMatches(const Line& line, std::string_view section) {
  return line.kind == LineKind::Header && EqualsIgnoreCase(TrimView(line.name), TrimView(section));
}

std::string CleanValue(std::string_view raw, size_t room) {
  std::string_view value = TrimView(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return FirstCharacters(value, room > 0 ? room - 1 : 0);
}

bool ContainsLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

IniDocument IniDocument::Load(const std::string& path) {
  return IniDocument(ReadTextFile(path));
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  bool inSection = false, seenSection = false;
  for (const std::string& raw : text_.lines) {
    Line line = Classify(raw);
    if (line.kind == LineKind::Header) {
      if (inSection) return std::nullopt;  // only the first section of that name counts
      inSection = !seenSection && SectionMatches(line, section);
      seenSection = seenSection || inSection;
    } else if (inSection && line.kind == LineKind::Key &&
               EqualsIgnoreCase(TrimView(line.name), TrimView(key))) {
      return std::string(line.value);
    }
  }
  return std::nullopt;
}

std::string IniDocument::Read(std::string_view section, std::string_view key, size_t room) const {
  std::optional<std::string> raw = Find(section, key);
  return raw ? CleanValue(*raw, room) : std::string();
}

void IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
  std::string sectionName = Trim(section), keyName = Trim(key);
  if (sectionName.empty() || keyName.empty() || ContainsLineBreak(section) ||
      ContainsLineBreak(key) || ContainsLineBreak(value) ||
      keyName.find('=') != std::string::npos || keyName.front() == '[' || keyName.front() == '#' ||
      keyName.front() == '\'' ||  // the line would be a comment
      sectionName.find(']') != std::string::npos)
    throw ConfigError(
        "Abschnitt, Schlüssel oder Wert enthält Zeichen, die in einer "
        "Einstellungsdatei nicht stehen dürfen.");
  std::string newLine = keyName + "=" + std::string(value);
  std::vector<std::string>& lines = text_.lines;
  size_t sectionStart = lines.size(), lastContent = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    Line line = Classify(lines[i]);
    if (sectionStart == lines.size()) {
      if (SectionMatches(line, sectionName)) sectionStart = lastContent = i;
      continue;
    }
    if (line.kind == LineKind::Header) break;
    if (line.kind == LineKind::Key && EqualsIgnoreCase(TrimView(line.name), keyName)) {
      lines[i] = Trim(line.name) + "=" + std::string(value);
      return;
    }
    if (!TrimView(lines[i]).empty()) lastContent = i;
  }
  if (sectionStart == lines.size()) {
    lines.push_back("[" + sectionName + "]");
    lines.push_back(newLine);
  } else {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContent) + 1, newLine);
  }
}

std::vector<std::string> IniDocument::Sections() const {
  std::vector<std::string> names;
  for (const std::string& raw : text_.lines) {
    Line line = Classify(raw);
    if (line.kind == LineKind::Header) names.emplace_back(line.name);
  }
  return names;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> names;
  bool inSection = false;
  for (const std::string& raw : text_.lines) {
    Line line = Classify(raw);
    if (line.kind == LineKind::Header)
      inSection = EqualsIgnoreCase(line.name, section);
    else if (inSection && line.kind == LineKind::Key)
      names.emplace_back(line.name);
  }
  return names;
}

void IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  std::vector<std::string> kept;
  bool inSection = false;
  for (std::string& raw : text_.lines) {
    Line line = Classify(raw);
    if (line.kind == LineKind::Header) inSection = EqualsIgnoreCase(line.name, section);
    if (inSection && line.kind == LineKind::Key && EqualsIgnoreCase(line.name, key)) continue;
    kept.push_back(std::move(raw));
  }
  text_.lines = std::move(kept);
}

void IniDocument::RemoveSection(std::string_view section) {
  std::vector<std::string> kept;
  bool dropping = false;
  for (std::string& raw : text_.lines) {
    Line line = Classify(raw);
    if (line.kind == LineKind::Header) dropping = EqualsIgnoreCase(line.name, section);
    if (!dropping) kept.push_back(std::move(raw));
  }
  text_.lines = std::move(kept);
}

void IniDocument::Save(const std::string& path) const {
  WriteTextFileAtomically(path, text_);
}

void IniDocument::SaveCompacted(const std::string& path) const {
  TextDocument compacted = text_;
  auto firstContent = compacted.lines.begin();
  while (firstContent != compacted.lines.end() && firstContent->empty()) ++firstContent;
  compacted.lines.erase(compacted.lines.begin(), firstContent);
  if (compacted.lines.empty()) compacted.lines.emplace_back();
  WriteTextFileAtomically(path, compacted);
}

namespace {

// The keyed reads of the suite read a file that cannot be read as empty.
std::optional<IniDocument> LoadIfReadable(const std::string& file) {
  try {
    return IniDocument::Load(file);
  } catch (const ConfigError&) {
    return std::nullopt;
  }
}

IniDocument LoadOrEmpty(const std::string& file) {
  return LoadIfReadable(file).value_or(IniDocument());
}

}  // namespace

std::string ReadProfileString(const std::string& file, std::string_view section,
                              std::string_view key) {
  return LoadOrEmpty(file).Read(section, key, kProfileRoom);
}

std::string ReadProfileStringLong(const std::string& file, std::string_view section,
                                  std::string_view key) {
  return LoadOrEmpty(file).Read(section, key, kProfileRoomLong);
}

void WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) {
  IniDocument document = FileExists(file) ? IniDocument::Load(file) : IniDocument();
  document.Write(section, key, value);
  document.Save(file);
}

std::vector<std::string> GetSections(const std::string& file) {
  return LoadOrEmpty(file).Sections();
}

int SectionCount(const std::string& file) {
  return static_cast<int>(GetSections(file).size());
}

std::vector<std::string> GetKeys(const std::string& file, std::string_view section) {
  return LoadOrEmpty(file).Keys(section);
}

int KeyCount(const std::string& file, std::string_view section) {
  return static_cast<int>(GetKeys(file, section).size());
}

std::string GetKeyName(const std::string& file, std::string_view section, int index) {
  std::vector<std::string> keys = GetKeys(file, section);
  if (index < 1 || index > static_cast<int>(keys.size())) return {};
  return keys[static_cast<size_t>(index - 1)];
}

bool SectionExists(const std::string& file, std::string_view section) {
  for (const std::string& name : GetSections(file))
    if (EqualsIgnoreCase(name, section)) return true;
  return false;
}

bool KeyExists(const std::string& file, std::string_view section, std::string_view key) {
  for (const std::string& name : GetKeys(file, section))
    if (EqualsIgnoreCase(name, key)) return true;
  return false;
}

void DeleteKey(const std::string& file, std::string_view section, std::string_view key) {
  std::optional<IniDocument> document = LoadIfReadable(file);
  if (!document) return;  // nothing to delete
  bool present = false;
  for (const std::string& name : document->Keys(section))
    present = present || EqualsIgnoreCase(name, key);
  if (!present) return;
  document->RemoveKey(section, key);
  document->SaveCompacted(file);
}

void DeleteSection(const std::string& file, std::string_view section) {
  std::optional<IniDocument> document = LoadIfReadable(file);
  if (!document) return;
  bool present = false;
  for (const std::string& name : document->Sections())
    present = present || EqualsIgnoreCase(name, section);
  if (!present) return;
  document->RemoveSection(section);
  document->SaveCompacted(file);
}

}  // namespace velra
