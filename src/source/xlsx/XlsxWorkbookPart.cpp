#include "source/xlsx/XlsxWorkbookPart.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "base/Text.h"

namespace velra::xlsx {

namespace {

using Token = XmlTokenizer::Token;

std::string FolderOfPart(std::string_view part) {
  size_t slash = part.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash));
}

// A relationship target as a part name: relative to the folder of the part it belongs to, or
// from the package root when it starts with "/".
std::string ResolveTarget(std::string_view folder, std::string_view target) {
  std::string path(target);
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.starts_with('/'))
    path.erase(0, 1);
  else if (!folder.empty())
    path = std::string(folder) + "/" + path;
  std::vector<std::string> segments;
  for (std::string& segment : Split(path, "/")) {
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    segments.push_back(std::move(segment));
  }
  return Join(segments, "/");
}

struct Relationship {
  std::string id, type, target;
};

bool TypeIs(std::string_view type, std::string_view kind) {
  return type.size() > kind.size() && type.ends_with(kind) &&
         type[type.size() - kind.size() - 1] == '/';
}

std::vector<Relationship> ReadRelationships(Package& package, const std::string& part) {
  std::vector<Relationship> relationships;
  zip_int64_t index = package.Locate(part);
  if (index < 0) return relationships;
  package.ReadPart(part, index, [&](XmlTokenizer& xml, Token token) {
    if (token == Token::Start && xml.Name() == "Relationship" &&
        xml.Attribute("TargetMode") != "External")
      relationships.push_back({std::string(xml.Attribute("Id")), std::string(xml.Attribute("Type")),
                               std::string(xml.Attribute("Target"))});
    return true;
  });
  return relationships;
}

// The part the package's relationships name as the workbook.
std::string WorkbookPartName(Package& package) {
  for (const Relationship& relationship : ReadRelationships(package, "_rels/.rels"))
    if (TypeIs(relationship.type, "officeDocument")) return ResolveTarget("", relationship.target);
  return "xl/workbook.xml";
}

struct SheetEntry {
  std::string name, id;
};

// The sheets of the workbook part with their relationship ids; the date system into `layout`.
std::vector<SheetEntry> ReadSheetEntries(Package& package, const std::string& workbookPart,
                                         WorkbookLayout& layout) {
  zip_int64_t index = package.Locate(workbookPart);
  if (index < 0)
    Throw(SourceErrorCode::WrongFormat, kNoWorkbookPart, {package.Path(), workbookPart});
  std::vector<SheetEntry> entries;
  bool isWorkbook = false;
  package.ReadPart(workbookPart, index, [&](XmlTokenizer& xml, Token token) {
    if (token != Token::Start) return true;
    std::string_view name = xml.Name();
    if (xml.Depth() == 1) {
      isWorkbook = name == "workbook";
    } else if (name == "sheet") {
      entries.push_back({std::string(xml.Attribute("name")), std::string(xml.Attribute("id"))});
    } else if (name == "workbookPr") {
      std::string_view epoch = xml.Attribute("date1904");
      layout.date1904 = epoch == "1" || epoch == "true";
    }
    return isWorkbook;
  });
  if (!isWorkbook)
    Throw(SourceErrorCode::WrongFormat, kNoWorkbookPart, {package.Path(), workbookPart});
  return entries;
}

}  // namespace

WorkbookLayout ReadWorkbookLayout(Package& package) {
  WorkbookLayout layout;
  const std::string workbookPart = WorkbookPartName(package);
  std::vector<SheetEntry> entries = ReadSheetEntries(package, workbookPart, layout);

  std::string folder = FolderOfPart(workbookPart);
  std::string relationshipsPart = (folder.empty() ? "" : folder + "/") + "_rels/" +
                                  workbookPart.substr(workbookPart.rfind('/') + 1) + ".rels";
  std::unordered_map<std::string, Relationship> byId;
  for (Relationship& relationship : ReadRelationships(package, relationshipsPart)) {
    if (TypeIs(relationship.type, "sharedStrings"))
      layout.stringsPart = ResolveTarget(folder, relationship.target);
    else if (TypeIs(relationship.type, "styles"))
      layout.stylesPart = ResolveTarget(folder, relationship.target);
    std::string id = relationship.id;
    byId.emplace(std::move(id), std::move(relationship));
  }
  for (SheetEntry& entry : entries) {
    auto found = byId.find(entry.id);
    if (found == byId.end()) {
      layout.sheets.push_back({std::move(entry.name), {}});
    } else if (TypeIs(found->second.type, "worksheet")) {
      // Chart sheets and the like hold no cells and are no tables.
      layout.sheets.push_back({std::move(entry.name), ResolveTarget(folder, found->second.target)});
    }
  }
  return layout;
}

}  // namespace velra::xlsx
