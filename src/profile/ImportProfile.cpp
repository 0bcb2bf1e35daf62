#include "profile/ImportProfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>

#include "base/Encoding.h"
#include "base/Text.h"
#include "config/Messages.h"
#include "config/TextFile.h"
#include "profile/ProfileTexts.h"

namespace velra {

namespace {

// Read into objects keyed by a map (the parser of the insertion-ordered kind compares every new
// key with all earlier ones); written with the keys in the order set below.
using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

// Profiles are small; a larger file is no profile and is not read into memory.
constexpr size_t kMaxProfileSize = 4u * 1024u * 1024u;
// A profile nests three levels deep; text nested far deeper is refused before it is built.
constexpr int kMaxDepth = 32;
constexpr int kMaxPriceMode = 2;
constexpr int kMaxSearchNameMode = 4;
constexpr size_t kMaxLineBreakToken = 5;
constexpr const char* kFormats[] = {"CSV", "TXT", "XLS", "XLSX", "DBF", "MDB"};
constexpr const char* kEncodings[] = {"auto", "utf-8", "windows-1252"};
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Why a profile cannot be used; thrown while reading and caught in ProfileFromJson.
struct Refused {
  std::string reason;
};

std::string ReadRefused(const std::string& name, const std::string& reason) {
  return Fill(profile_texts::kNotRead, {name, reason});
}

// ---- reading values --------------------------------------------------------------------------

std::string Join(const std::string& parent, const char* key) {
  return parent.empty() ? std::string(key) : parent + "." + key;
}

const Json* Member(const Json& object, const char* key) {
  auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

[[noreturn]] void WrongType(const std::string& key, const char* expected) {
  throw Refused{Fill(profile_texts::kWrongType, {key, expected})};
}

// The member `key` as an object; nullptr when absent.
const Json* ObjectMember(const Json& object, const char* key, const std::string& parent) {
  const Json* value = Member(object, key);
  if (value && !value->is_object()) WrongType(Join(parent, key), "ein Objekt");
  return value;
}

void ReadString(const Json& object, const char* key, const std::string& parent, std::string& out) {
  const Json* value = Member(object, key);
  if (!value) return;
  if (!value->is_string()) WrongType(Join(parent, key), "ein Text");
  out = value->get<std::string>();
}

void ReadBool(const Json& object, const char* key, const std::string& parent, bool& out) {
  const Json* value = Member(object, key);
  if (!value) return;
  if (!value->is_boolean()) WrongType(Join(parent, key), "true oder false");
  out = value->get<bool>();
}

// An integer of the JSON text; numbers beyond the range of int are refused with their value.
int IntegerOf(const Json& value, const std::string& key) {
  std::string text;
  if (value.is_number_unsigned()) {
    uint64_t number = value.get<uint64_t>();
    if (number <= static_cast<uint64_t>(std::numeric_limits<int>::max()))
      return static_cast<int>(number);
    text = std::to_string(number);
  } else if (value.is_number_integer()) {
    int64_t number = value.get<int64_t>();
    if (number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
      return static_cast<int>(number);
    text = std::to_string(number);
  } else {
    WrongType(key, "eine ganze Zahl");
  }
  throw Refused{Fill(profile_texts::kInvalidValue, {key, text})};
}

void ReadInt(const Json& object, const char* key, const std::string& parent, int& out) {
  const Json* value = Member(object, key);
  if (value) out = IntegerOf(*value, Join(parent, key));
}

std::string OutOfRange(const std::string& key, int value, int highest) {
  return Fill(profile_texts::kOutOfRange, {key, std::to_string(value), std::to_string(highest)});
}

// The kind by its number.
void ReadKind(const Json& object, const char* key, const std::string& parent, DataKind& out) {
  int number = NumberOf(out);
  ReadInt(object, key, parent, number);
  std::optional<DataKind> kind = DataKindOfNumber(number);
  if (!kind) throw Refused{OutOfRange("kind.index", number, kDataKindCount - 1)};
  out = *kind;
}

// ---- checking a profile ----------------------------------------------------------------------

std::string NotAmong(const std::string& key, const std::string& value, const char* const* first,
                     const char* const* last) {
  std::string allowed;
  for (const char* const* it = first; it != last; ++it)
    allowed += (allowed.empty() ? "" : ", ") + std::string(*it);
  return Fill(profile_texts::kNotAmong, {key, value, allowed});
}

const char* CanonicalFormat(const std::string& format) {
  for (const char* known : kFormats)
    if (EqualsIgnoreCase(format, known)) return known;
  return nullptr;
}

const char* CanonicalEncoding(const std::string& encoding) {
  for (const char* known : kEncodings)
    if (EqualsIgnoreCase(encoding, known)) return known;
  return nullptr;
}

// Text that is no UTF-8 or holds a NUL character would be changed on the way to the file or cut
// short on the way to the database.
std::string CheckText(const std::string& key, const std::string& text) {
  if (!IsValidUtf8(text)) return Fill(profile_texts::kNotUtf8Entry, {key});
  if (text.find('\0') != std::string::npos) return Fill(profile_texts::kNulEntry, {key});
  return {};
}

std::string CheckLength(const std::string& key, const std::string& text, size_t most) {
  if (CharacterCount(text) <= most) return {};
  const std::string length = most == 1 ? std::string(profile_texts::kOneCharacter)
                                       : Fill(profile_texts::kCharacters, {std::to_string(most)});
  return Fill(profile_texts::kTooLong, {key, length});
}

// Empty when the profile can be used; else the German reason, naming the key in the file.
std::string CheckProfile(const ImportProfile& profile) {
  const ImportSettings& s = profile.settings;
  const std::pair<const char*, const std::string*> texts[] = {
      {"kind.name", &profile.kindName},
      {"source.format", &profile.format},
      {"source.table", &profile.table},
      {"source.separator", &profile.separator},
      {"source.qualifier", &profile.qualifier},
      {"source.lineBreakToken", &profile.lineBreakToken},
      {"source.encoding", &profile.encoding},
      {"settings.synchronisationField", &s.synchronisationField},
      {"settings.articleType", &s.articleType},
      {"settings.taxKey", &s.taxKey},
      {"settings.unit", &s.unit},
      {"settings.storage", &s.storage},
  };
  for (const auto& [key, text] : texts)
    if (std::string reason = CheckText(key, *text); !reason.empty()) return reason;

  if (!CanonicalFormat(profile.format))
    return NotAmong("source.format", profile.format, std::begin(kFormats), std::end(kFormats));
  if (!CanonicalEncoding(profile.encoding))
    return NotAmong("source.encoding", profile.encoding, std::begin(kEncodings),
                    std::end(kEncodings));
  if (std::string reason = CheckLength("source.separator", profile.separator, 1); !reason.empty())
    return reason;
  if (std::string reason = CheckLength("source.qualifier", profile.qualifier, 1); !reason.empty())
    return reason;
  if (std::string reason =
          CheckLength("source.lineBreakToken", profile.lineBreakToken, kMaxLineBreakToken);
      !reason.empty())
    return reason;
  if (s.priceMode < 0 || s.priceMode > kMaxPriceMode)
    return OutOfRange("settings.priceMode", s.priceMode, kMaxPriceMode);
  if (s.searchNameMode < 0 || s.searchNameMode > kMaxSearchNameMode)
    return OutOfRange("settings.searchNameMode", s.searchNameMode, kMaxSearchNameMode);

  std::set<std::string> seen;
  for (size_t i = 0; i < profile.columns.size(); ++i) {
    const ProfileColumn& column = profile.columns[i];
    const std::string position = std::to_string(i + 1);
    if (column.column.empty()) return Fill(profile_texts::kColumnWithoutName, {position});
    for (const std::string* text : {&column.column, &column.field}) {
      if (!IsValidUtf8(*text)) return Fill(profile_texts::kColumnNotUtf8, {position});
      if (text->find('\0') != std::string::npos) return Fill(profile_texts::kColumnNul, {position});
    }
    if (column.field.empty()) return Fill(profile_texts::kColumnWithoutField, {column.column});
    if (!seen.insert(column.column).second)
      return Fill(profile_texts::kColumnTwice, {column.column});
  }
  return {};
}

// ---- parsing -----------------------------------------------------------------------------------

// A first pass over the text, before the parser builds anything: it refuses keys given twice in
// one object (the parser would keep only the last) and nesting deeper than any profile needs, and
// notes the order of the columns of a version 1 mapping, which the parsed object does not keep.
class TextCheck : public nlohmann::json_sax<Json> {
 public:
  explicit TextCheck(std::string_view text) : text_(text) {}

  std::string reason;                     // empty when the text passed
  std::vector<std::string> mappingOrder;  // the keys of the root's "mapping" object

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }

  bool start_object(std::size_t) override {
    bool mapping = objects_.size() == 1 && depth_ == 1 && pendingKey_ == "mapping";
    if (!Enter()) return false;
    objects_.push_back({mapping, {}});
    return true;
  }
  bool key(string_t& key) override {
    pendingKey_ = key;
    Object& object = objects_.back();
    if (!object.keys.insert(key).second) {
      reason =
          Fill(object.mapping ? profile_texts::kColumnTwice : profile_texts::kEntryTwice, {key});
      return false;
    }
    if (object.mapping) mappingOrder.push_back(key);
    return true;
  }
  bool end_object() override {
    objects_.pop_back();
    --depth_;
    return true;
  }
  bool start_array(std::size_t) override { return Enter(); }
  bool end_array() override {
    --depth_;
    return true;
  }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception&) override {
    size_t at = std::min(position == 0 ? 0 : position - 1, text_.size());
    size_t line = 1, column = 1;
    for (size_t i = 0; i < at; ++i) {
      if (text_[i] == '\n') {
        ++line;
        column = 1;
      } else if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) {
        ++column;
      }
    }
    reason = Fill(profile_texts::kJsonErrorAt, {std::to_string(line), std::to_string(column)});
    return false;
  }

 private:
  struct Object {
    bool mapping;
    std::set<std::string> keys;
  };

  bool Enter() {
    pendingKey_.clear();
    if (++depth_ <= kMaxDepth) return true;
    reason = profile_texts::kTooDeep;
    return false;
  }

  std::string_view text_;
  std::vector<Object> objects_;
  std::string pendingKey_;
  int depth_ = 0;
};

// Parses the text; the check pass keeps `mappingOrder`.
Json Parse(const std::string& text, std::vector<std::string>& mappingOrder) {
  TextCheck check(text);
  if (!Json::sax_parse(text, &check)) {
    throw Refused{check.reason.empty() ? std::string(profile_texts::kNotJson) : check.reason};
  }
  mappingOrder = std::move(check.mappingOrder);
  return Json::parse(text);
}

void ReadSource(const Json& root, ImportProfile& profile) {
  const Json* source = ObjectMember(root, "source", "");
  if (!source) return;
  const std::string at = "source";
  ReadString(*source, "format", at, profile.format);
  ReadString(*source, "table", at, profile.table);
  ReadString(*source, "separator", at, profile.separator);
  ReadString(*source, "qualifier", at, profile.qualifier);
  ReadString(*source, "lineBreakToken", at, profile.lineBreakToken);
  ReadBool(*source, "firstRowHasNames", at, profile.firstRowHasNames);
  ReadString(*source, "encoding", at, profile.encoding);
}

void ReadSettings(const Json& root, ImportProfile& profile) {
  const Json* settings = ObjectMember(root, "settings", "");
  if (!settings) return;
  const std::string at = "settings";
  ImportSettings& s = profile.settings;
  ReadString(*settings, "synchronisationField", at, s.synchronisationField);
  ReadBool(*settings, "synchronise", at, s.synchronise);
  ReadBool(*settings, "autoNumber", at, s.autoNumber);
  ReadBool(*settings, "active", at, s.active);
  ReadBool(*settings, "rebate", at, s.rebate);
  ReadBool(*settings, "pos", at, s.pos);
  ReadBool(*settings, "webshop", at, s.webshop);
  ReadBool(*settings, "createSupplier", at, s.createSupplier);
  ReadBool(*settings, "defaultArticleType", at, s.defaultArticleType);
  ReadString(*settings, "articleType", at, s.articleType);
  ReadBool(*settings, "defaultTaxKey", at, s.defaultTaxKey);
  ReadString(*settings, "taxKey", at, s.taxKey);
  ReadBool(*settings, "defaultUnit", at, s.defaultUnit);
  ReadString(*settings, "unit", at, s.unit);
  ReadBool(*settings, "defaultStorage", at, s.defaultStorage);
  ReadString(*settings, "storage", at, s.storage);
  ReadInt(*settings, "priceMode", at, s.priceMode);
  ReadBool(*settings, "generateAddress", at, s.generateAddress);
  ReadInt(*settings, "searchNameMode", at, s.searchNameMode);
  ReadBool(*settings, "deleteAll", at, profile.deleteAll);
}

void ReadColumns(const Json& root, ImportProfile& profile) {
  const Json* columns = Member(root, "columns");
  if (!columns) return;
  if (!columns->is_array()) WrongType("columns", "eine Liste");
  for (size_t i = 0; i < columns->size(); ++i) {
    const Json& entry = (*columns)[i];
    std::string at = "columns[" + std::to_string(i + 1) + "]";
    if (!entry.is_object()) WrongType(at, "ein Objekt");
    ProfileColumn column;
    ReadString(entry, "column", at, column.column);
    ReadString(entry, "field", at, column.field);
    profile.columns.push_back(std::move(column));
  }
}

// Version 1 kept the kind as a bare number and the mapping as an object "column": "field";
// `order` gives its columns in the order of the file.
void ReadVersion1(const Json& root, const std::vector<std::string>& order, ImportProfile& profile) {
  ReadKind(root, "kind", "", profile.datenart);
  ReadSource(root, profile);
  ReadSettings(root, profile);
  const Json* mapping = ObjectMember(root, "mapping", "");
  if (!mapping) return;
  for (const std::string& column : order) {
    const Json& field = mapping->at(column);
    if (!field.is_string()) WrongType("mapping." + column, "ein Text");
    profile.columns.push_back({column, field.get<std::string>()});
  }
}

void ReadVersion2(const Json& root, ImportProfile& profile) {
  if (const Json* kind = ObjectMember(root, "kind", "")) {
    ReadKind(*kind, "index", "kind", profile.datenart);
    ReadString(*kind, "name", "kind", profile.kindName);
  }
  ReadSource(root, profile);
  ReadSettings(root, profile);
  ReadColumns(root, profile);
}

ProfileLoad FromJson(std::string_view text, const std::string& name) {
  ProfileLoad load;
  if (text.size() > kMaxProfileSize) {
    load.error = ReadRefused(name, profile_texts::kTooLargeToRead);
    return load;
  }
  if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
  if (!IsValidUtf8(text)) {
    load.error = ReadRefused(name, profile_texts::kNotUtf8);
    return load;
  }
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    load.error = ReadRefused(name, profile_texts::kEmptyFile);
    return load;
  }
  try {
    std::vector<std::string> mappingOrder;
    Json root = Parse(std::string(text), mappingOrder);
    if (!root.is_object()) throw Refused{profile_texts::kNotAnObject};
    const Json* version = Member(root, "version");
    if (!version) throw Refused{profile_texts::kNoVersion};
    load.fileVersion = IntegerOf(*version, "version");
    if (load.fileVersion > ImportProfile::kVersion) {
      load.error = Fill(profile_texts::kNewerVersion, {name, std::to_string(load.fileVersion)});
      return load;
    }
    if (load.fileVersion < 1)
      throw Refused{Fill(profile_texts::kUnknownVersion, {std::to_string(load.fileVersion)})};

    ImportProfile profile;
    if (load.fileVersion == 1)
      ReadVersion1(root, mappingOrder, profile);
    else
      ReadVersion2(root, profile);
    if (std::string reason = CheckProfile(profile); !reason.empty()) throw Refused{reason};
    profile.format = CanonicalFormat(profile.format);
    profile.encoding = CanonicalEncoding(profile.encoding);
    profile.settings.datenart = profile.datenart;
    profile.settings.table.clear();
    load.profile = std::move(profile);
  } catch (const Refused& refused) {
    load.error = ReadRefused(name, refused.reason);
  } catch (const std::bad_alloc&) {
    load.error = ReadRefused(name, profile_texts::kNoMemory);
  } catch (const std::exception&) {
    load.error = ReadRefused(name, profile_texts::kNotAProfile);
  }
  return load;
}

}  // namespace

ProfileLoad LoadProfile(const std::string& path) {
  ProfileLoad load;
  if (path.empty()) {
    load.error = profile_texts::kNoProfileFile;
    return load;
  }
  int errorNumber = 0;
  std::optional<std::string> bytes = ReadSmallFile(path, kMaxProfileSize, errorNumber);
  if (!bytes) {
    load.error = ReadRefused(path, errorNumber ? messages::SystemReason(errorNumber)
                                               : std::string(profile_texts::kNoRegularFile));
    return load;
  }
  return FromJson(*bytes, path);
}

ProfileLoad ProfileFromJson(const std::string& text, const std::string& nameForMessages) {
  return FromJson(text, nameForMessages);
}

std::string ProfileToJson(const ImportProfile& profile) {
  const ImportSettings& s = profile.settings;
  const char* format = CanonicalFormat(profile.format);
  const char* encoding = CanonicalEncoding(profile.encoding);

  OrderedJson root = OrderedJson::object();
  root["version"] = ImportProfile::kVersion;
  OrderedJson& kind = root["kind"] = OrderedJson::object();
  kind["index"] = NumberOf(profile.datenart);
  kind["name"] = profile.kindName;

  OrderedJson& source = root["source"] = OrderedJson::object();
  source["format"] = format ? std::string(format) : profile.format;
  source["table"] = profile.table;
  source["separator"] = profile.separator;
  source["qualifier"] = profile.qualifier;
  source["lineBreakToken"] = profile.lineBreakToken;
  source["firstRowHasNames"] = profile.firstRowHasNames;
  source["encoding"] = encoding ? std::string(encoding) : profile.encoding;

  OrderedJson& settings = root["settings"] = OrderedJson::object();
  settings["synchronisationField"] = s.synchronisationField;
  settings["synchronise"] = s.synchronise;
  settings["autoNumber"] = s.autoNumber;
  settings["active"] = s.active;
  settings["rebate"] = s.rebate;
  settings["pos"] = s.pos;
  settings["webshop"] = s.webshop;
  settings["createSupplier"] = s.createSupplier;
  settings["defaultArticleType"] = s.defaultArticleType;
  settings["articleType"] = s.articleType;
  settings["defaultTaxKey"] = s.defaultTaxKey;
  settings["taxKey"] = s.taxKey;
  settings["defaultUnit"] = s.defaultUnit;
  settings["unit"] = s.unit;
  settings["defaultStorage"] = s.defaultStorage;
  settings["storage"] = s.storage;
  settings["priceMode"] = s.priceMode;
  settings["generateAddress"] = s.generateAddress;
  settings["searchNameMode"] = s.searchNameMode;
  settings["deleteAll"] = profile.deleteAll;

  OrderedJson& columns = root["columns"] = OrderedJson::array();
  for (const ProfileColumn& column : profile.columns) {
    OrderedJson entry = OrderedJson::object();
    entry["column"] = column.column;
    entry["field"] = column.field;
    columns.push_back(std::move(entry));
  }
  // SaveProfile refuses text that is no UTF-8 before it gets here; for other callers such text
  // shows as U+FFFD instead of breaking the output.
  return root.dump(2, ' ', false, OrderedJson::error_handler_t::replace);
}

std::string SaveProfile(const std::string& path, const ImportProfile& profile) {
  if (path.empty()) return profile_texts::kNoSaveFile;
  auto refused = [&](std::string_view reason) {
    return Fill(profile_texts::kNotSaved, {path, reason});
  };
  if (std::string reason = CheckProfile(profile); !reason.empty()) return refused(reason);
  std::string text = ProfileToJson(profile);
  if (text.size() >= kMaxProfileSize) return refused(profile_texts::kTooLargeToSave);
  TextDocument document;
  document.lines = Split(text, "\n");
  document.lineEnd = "\n";
  document.encoding = TextEncoding::Utf8;
  try {
    WriteTextFileAtomically(path, document);
  } catch (const ConfigError& e) {
    return e.what();
  }
  return {};
}

}  // namespace velra
