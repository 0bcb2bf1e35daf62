#include "profile/LearnedMappings.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <nlohmann/json.hpp>

#include "base/Encoding.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "config/Messages.h"
#include "config/TextFile.h"
#include "import/DataKind.h"
#include "profile/ProfileTexts.h"

namespace velra {

namespace {

// Read into objects keyed by a map (the insertion-ordered kind compares every new key with all
// earlier ones while parsing); written with the keys in the order set below.
using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

constexpr int kStoreVersion = 1;
// A store in use holds a few hundred pairs; a larger file is not read, and Save keeps below it.
constexpr size_t kMaxStoreSize = 4u * 1024u * 1024u;
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr const char* kFileName = "velra/importassistent/gelernte-zuordnungen.json";

// Why a store file cannot be used.
struct Broken {
  std::string reason;
};

// Names that can be kept: short, UTF-8, no control characters.
bool Keepable(const std::string& name) {
  if (name.size() > LearnedMappings::kMaxNameBytes || !IsValidUtf8(name)) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

const Json& Member(const Json& object, const char* key, const char* type,
                   bool (Json::*is)() const noexcept, const char* typeName) {
  auto found = object.find(key);
  if (found == object.end()) throw Broken{Fill(profile_texts::kEntryMissing, {type, key})};
  if (!((*found).*is)()) throw Broken{Fill(profile_texts::kWrongType, {key, typeName})};
  return *found;
}

int Integer(const Json& value) {
  if (value.is_number_unsigned())
    return value.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int>::max())
               ? std::numeric_limits<int>::max()
               : static_cast<int>(value.get<uint64_t>());
  int64_t number = value.get<int64_t>();
  return static_cast<int>(std::clamp<int64_t>(number, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
}

Json Parse(const std::string& text) {
  try {
    return Json::parse(text);
  } catch (const Json::parse_error&) {
    throw Broken{profile_texts::kNotJson};
  }
}

// Creates the missing folders of `folder` with mode 0700; false with the folder that failed.
bool MakeFolders(const std::string& folder, std::string& failed, int& errorNumber) {
  for (size_t at = 1; at <= folder.size(); ++at) {
    if (at < folder.size() && folder[at] != '/') continue;
    std::string prefix = folder.substr(0, at);
    if (::mkdir(prefix.c_str(), 0700) == 0 || errno == EEXIST) continue;
    failed = prefix;
    errorNumber = errno;
    return false;
  }
  if (!folder.empty() && !IsDirectory(folder)) {
    failed = folder;
    errorNumber = ENOTDIR;
    return false;
  }
  return true;
}

}  // namespace

std::string LearnedMappings::DefaultPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return PathJoin(config, kFileName);
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return PathJoin(PathJoin(home, ".config"), kFileName);
  return {};
}

LearnedMappings LearnedMappings::Load(const std::string& path) {
  LearnedMappings store;
  if (path.empty()) return store;
  auto refused = [&](std::string_view reason) {
    return Fill(profile_texts::kLearnedNotRead, {path, reason});
  };
  int errorNumber = 0;
  std::optional<std::string> read = ReadSmallFile(path, kMaxStoreSize, errorNumber);
  if (!read) {
    if (errorNumber == ENOENT) return store;
    store.keepPath_ = path;
    store.problem_ = refused(errorNumber ? messages::SystemReason(errorNumber)
                                         : std::string(profile_texts::kNoRegularFile));
    return store;
  }
  try {
    if (read->size() > kMaxStoreSize) throw Broken{profile_texts::kStoreTooLarge};
    std::string_view text = *read;
    if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
    if (!IsValidUtf8(text)) throw Broken{profile_texts::kNotUtf8};
    Json root = Parse(std::string(text));
    if (!root.is_object()) throw Broken{profile_texts::kNotAnObject};
    int version =
        Integer(Member(root, "version", "der Datei", &Json::is_number_integer, "eine ganze Zahl"));
    if (version > kStoreVersion) {
      store.keepPath_ = path;
      store.problem_ = Fill(profile_texts::kLearnedNewer, {path, std::to_string(version)});
      return store;
    }
    if (version < 1) throw Broken{Fill(profile_texts::kUnknownVersion, {std::to_string(version)})};

    // Check the whole file before anything is taken, so that a broken file gives nothing.
    struct Entry {
      const std::string* company;
      int datenart;
      const std::string* column;
      const std::string* field;
    };
    std::vector<Entry> entries;
    const Json& companies = Member(root, "companies", "der Datei", &Json::is_array, "eine Liste");
    for (const Json& company : companies) {
      if (!company.is_object()) throw Broken{Fill(profile_texts::kEntryNotAnObject, {"companies"})};
      const Json& name = Member(company, "name", "einer Firma", &Json::is_string, "ein Text");
      const Json& kinds = Member(company, "kinds", "einer Firma", &Json::is_array, "eine Liste");
      for (const Json& kind : kinds) {
        if (!kind.is_object()) throw Broken{Fill(profile_texts::kEntryNotAnObject, {"kinds"})};
        int index = Integer(
            Member(kind, "index", "einer Datenart", &Json::is_number_integer, "eine ganze Zahl"));
        const Json& columns =
            Member(kind, "columns", "einer Datenart", &Json::is_array, "eine Liste");
        for (const Json& column : columns) {
          if (!column.is_object())
            throw Broken{Fill(profile_texts::kEntryNotAnObject, {"columns"})};
          const Json& source =
              Member(column, "column", "einer Zuordnung", &Json::is_string, "ein Text");
          const Json& field =
              Member(column, "field", "einer Zuordnung", &Json::is_string, "ein Text");
          entries.push_back({name.get_ptr<const std::string*>(), index,
                             source.get_ptr<const std::string*>(),
                             field.get_ptr<const std::string*>()});
        }
      }
    }
    // Remember applies the bounds: what a hostile file holds beyond them is left out.
    for (const Entry& entry : entries)
      store.Remember(*entry.company, entry.datenart, *entry.column, *entry.field);
  } catch (const Broken& broken) {
    store = LearnedMappings();
    store.brokenPath_ = path;
    store.problem_ = refused(broken.reason);
  } catch (const std::exception&) {
    store = LearnedMappings();
    store.brokenPath_ = path;
    store.problem_ = refused(profile_texts::kUnexpectedLayout);
  }
  return store;
}

void LearnedMappings::Remember(const std::string& company, int datenart, const std::string& column,
                               const std::string& field) {
  std::string name = Trim(company), source = Trim(column), target = Trim(field);
  if (name.empty() || source.empty() || !DataKindOfNumber(datenart)) return;
  if (!Keepable(name) || !Keepable(source) || !Keepable(target)) return;
  std::string companyKey = FoldCase(name), columnKey = FoldCase(source);

  auto found = companies_.find(companyKey);
  if (target.empty()) {  // forget the column
    if (found == companies_.end()) return;
    Company& entry = found->second;
    auto kind = entry.kinds.find(datenart);
    if (kind == entry.kinds.end()) return;
    auto pair = kind->second.pairs.find(columnKey);
    if (pair == kind->second.pairs.end()) return;
    kind->second.byStamp.erase(pair->second.stamp);
    kind->second.pairs.erase(pair);
    if (!kind->second.pairs.empty()) return;
    entry.kinds.erase(kind);
    if (!entry.kinds.empty()) return;
    companyAge_.erase(entry.stamp);
    companies_.erase(found);
    return;
  }

  if (found == companies_.end()) {
    if (companies_.size() >= kMaxCompanies) {
      auto oldest = companyAge_.begin();
      companies_.erase(oldest->second);
      companyAge_.erase(oldest);
    }
    found = companies_.emplace(companyKey, Company{}).first;
  } else {
    companyAge_.erase(found->second.stamp);
  }
  Company& entry = found->second;
  entry.name = name;
  entry.stamp = ++clock_;
  companyAge_[entry.stamp] = companyKey;

  Kind& kind = entry.kinds[datenart];
  auto pair = kind.pairs.find(columnKey);
  if (pair != kind.pairs.end()) {
    kind.byStamp.erase(pair->second.stamp);
  } else if (kind.pairs.size() >= kMaxPairsPerKind) {
    auto oldest = kind.byStamp.begin();
    kind.pairs.erase(oldest->second);
    kind.byStamp.erase(oldest);
  }
  Pair& kept = kind.pairs[columnKey];
  kept.column = source;
  kept.field = target;
  kept.stamp = ++clock_;
  kind.byStamp[kept.stamp] = columnKey;
}

std::optional<std::string> LearnedMappings::Lookup(const std::string& company, int datenart,
                                                   const std::string& column) const {
  auto found = companies_.find(FoldCase(Trim(company)));
  if (found == companies_.end()) return std::nullopt;
  auto kind = found->second.kinds.find(datenart);
  if (kind == found->second.kinds.end()) return std::nullopt;
  auto pair = kind->second.pairs.find(FoldCase(Trim(column)));
  if (pair == kind->second.pairs.end()) return std::nullopt;
  return pair->second.field;
}

std::string LearnedMappings::ToJson() const {
  OrderedJson root = OrderedJson::object();
  root["version"] = kStoreVersion;
  OrderedJson& companies = root["companies"] = OrderedJson::array();
  for (const auto& [stamp, key] : companyAge_) {
    const Company& company = companies_.at(key);
    OrderedJson entry = OrderedJson::object();
    entry["name"] = company.name;
    OrderedJson& kinds = entry["kinds"] = OrderedJson::array();
    for (const auto& [index, kind] : company.kinds) {
      OrderedJson kindEntry = OrderedJson::object();
      kindEntry["index"] = index;
      OrderedJson& columns = kindEntry["columns"] = OrderedJson::array();
      for (const auto& [pairStamp, column] : kind.byStamp) {
        const Pair& pair = kind.pairs.at(column);
        OrderedJson pairEntry = OrderedJson::object();
        pairEntry["column"] = pair.column;
        pairEntry["field"] = pair.field;
        columns.push_back(std::move(pairEntry));
      }
      kinds.push_back(std::move(kindEntry));
    }
    companies.push_back(std::move(entry));
  }
  return root.dump(2, ' ', false, OrderedJson::error_handler_t::replace);
}

void LearnedMappings::DropOldestPairs(size_t count) {
  std::vector<uint64_t> stamps;
  for (const auto& [key, company] : companies_)
    for (const auto& [index, kind] : company.kinds)
      for (const auto& [stamp, column] : kind.byStamp) stamps.push_back(stamp);
  if (count >= stamps.size()) {
    companies_.clear();
    companyAge_.clear();
    return;
  }
  if (count == 0) return;
  std::nth_element(stamps.begin(), stamps.begin() + static_cast<ptrdiff_t>(count - 1),
                   stamps.end());
  uint64_t newestDropped = stamps[count - 1];
  for (auto company = companies_.begin(); company != companies_.end();) {
    std::map<int, Kind>& kinds = company->second.kinds;
    for (auto kind = kinds.begin(); kind != kinds.end();) {
      Kind& pairs = kind->second;
      while (!pairs.byStamp.empty() && pairs.byStamp.begin()->first <= newestDropped) {
        pairs.pairs.erase(pairs.byStamp.begin()->second);
        pairs.byStamp.erase(pairs.byStamp.begin());
      }
      kind = pairs.pairs.empty() ? kinds.erase(kind) : std::next(kind);
    }
    if (kinds.empty()) {
      companyAge_.erase(company->second.stamp);
      company = companies_.erase(company);
    } else {
      ++company;
    }
  }
}

void LearnedMappings::Save(const std::string& path) const {
  if (path.empty()) throw ConfigError(profile_texts::kLearnedNoFolder);
  auto refused = [&](std::string_view reason) {
    return Fill(profile_texts::kLearnedNotSaved, {path, reason});
  };
  if (path == keepPath_) throw ConfigError(refused(profile_texts::kLearnedKept));

  std::string text = ToJson();
  // Only a store filled with long names in many companies and kinds gets here: the file keeps the
  // pairs remembered most recently, so that it can be read again.
  if (text.size() >= kMaxStoreSize) {
    LearnedMappings smaller = *this;
    while (text.size() >= kMaxStoreSize) {
      size_t pairs = 0;
      for (const auto& [key, company] : smaller.companies_)
        for (const auto& [index, kind] : company.kinds) pairs += kind.pairs.size();
      // Drop a share a little above the excess; every round drops at least one pair.
      double excess =
          1.0 - 0.9 * static_cast<double>(kMaxStoreSize) / static_cast<double>(text.size());
      smaller.DropOldestPairs(
          std::max<size_t>(1, static_cast<size_t>(excess * static_cast<double>(pairs))));
      text = smaller.ToJson();
    }
  }

  std::string failed;
  int errorNumber = 0;
  if (!MakeFolders(FolderOf(path), failed, errorNumber))
    throw ConfigError(refused(
        Fill(profile_texts::kFolderNotCreated, {failed, messages::SystemReason(errorNumber)})));
  if (path == brokenPath_ && FileExists(path)) {
    std::string aside = path + ".defekt";
    if (std::rename(path.c_str(), aside.c_str()) != 0)
      throw ConfigError(
          refused(Fill(profile_texts::kNotMovedAside, {aside, messages::SystemReason(errno)})));
    brokenPath_.clear();
  }

  TextDocument document;
  document.lines = Split(text, "\n");
  document.lineEnd = "\n";
  document.encoding = TextEncoding::Utf8;
  try {
    WriteTextFileAtomically(path, document);
  } catch (const ConfigError& e) {
    throw ConfigError(refused(e.what()));
  }
}

int ApplyLearnedMappings(std::vector<GridColumn>& columns, const LearnedMappings& learned,
                         const std::string& company, int datenart,
                         const std::vector<FieldChoice>& choices) {
  std::vector<bool> learnedNow(columns.size(), false);
  int mapped = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    GridColumn& column = columns[i];
    if (column.ByHand) continue;
    std::optional<std::string> field = learned.Lookup(company, datenart, column.SourceName);
    if (!field) continue;
    auto choice = std::find_if(choices.begin(), choices.end(), [&](const FieldChoice& offered) {
      return EqualsIgnoreCase(offered.Field, *field);
    });
    if (choice == choices.end() || choice->Field.empty()) continue;
    // A field that another column holds by hand or by what was learned stays there; one it got
    // from the automatic mapping goes to the column the user chose it for.
    auto holder = std::find_if(columns.begin(), columns.end(), [&](const GridColumn& other) {
      return &other != &column && EqualsIgnoreCase(other.TargetField, choice->Field);
    });
    if (holder != columns.end()) {
      if (holder->ByHand || learnedNow[static_cast<size_t>(holder - columns.begin())]) continue;
      ClearAutomaticAssignment(*holder);
    }
    column.FieldCaption = choice->Caption;
    column.TargetField = choice->Field;
    column.CellStyle = kCellsBound;
    column.HeaderStyle = kHeaderBound;
    learnedNow[i] = true;
    ++mapped;
  }
  return mapped;
}

}  // namespace velra
