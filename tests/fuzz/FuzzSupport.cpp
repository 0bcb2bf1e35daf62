#include "FuzzSupport.h"

#include <dirent.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace velra::fuzz {

namespace {

std::string folder;

void RemoveFiles(bool andFolder) {
  if (folder.empty()) return;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      ::unlink((folder + "/" + entry->d_name).c_str());
    }
    ::closedir(dir);
  }
  if (andFolder) ::rmdir(folder.c_str());
}

}  // namespace

const std::string& ScratchFolder() {
  if (folder.empty()) {
    std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/velra-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) Fail("no scratch folder in " + base);
    folder = pattern;
    std::atexit([] { RemoveFiles(true); });
  }
  return folder;
}

std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
  std::string path = ScratchFolder() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) Fail("cannot write " + path);
  return path;
}

void ClearScratchFolder() {
  ScratchFolder();
  RemoveFiles(false);
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "\n*** property failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

bool SameValue(const Value& a, const Value& b) {
  if (a.GetType() == Value::Type::Double && b.GetType() == Value::Type::Double &&
      std::isnan(a.AsDouble()) && std::isnan(b.AsDouble()))
    return true;
  return a == b;
}

std::string Describe(const Value& value) {
  static const char* const kTypes[] = {"null", "bool", "integer", "double",
                                       "text", "date", "binary"};
  return std::string(kTypes[static_cast<int>(value.GetType())]) + " '" + value.ToText() + "'";
}

namespace {

std::string CellDifference(const SourceTable& a, size_t rowA, const SourceTable& b, size_t rowB,
                           size_t columns) {
  for (size_t c = 1; c <= columns; ++c) {
    Value x = a.Get(c, rowA), y = b.Get(c, rowB);
    if (!SameValue(x, y))
      return "cell " + std::to_string(c) + "/" + std::to_string(rowA) + ": " + Describe(x) +
             " against " + Describe(y);
  }
  if (a.SourceLine(rowA) != b.SourceLine(rowB))
    return "line of row " + std::to_string(rowA) + ": " + std::to_string(a.SourceLine(rowA)) +
           " against " + std::to_string(b.SourceLine(rowB));
  return {};
}

}  // namespace

std::string TableDifference(const SourceTable& a, const SourceTable& b) {
  if (a.ColumnNames() != b.ColumnNames())
    return "column names differ (" + a.HeaderLine("|") + " against " + b.HeaderLine("|") + ")";
  if (a.RowCount() != b.RowCount())
    return "rows " + std::to_string(a.RowCount()) + " against " + std::to_string(b.RowCount());
  for (size_t r = 1; r <= a.RowCount(); ++r)
    if (std::string difference = CellDifference(a, r, b, r, a.ColumnCount()); !difference.empty())
      return difference;
  return {};
}

std::string HeaderDifference(const SourceTable& withNames, const SourceTable& withoutNames) {
  if (withoutNames.ColumnCount() < withNames.ColumnCount())
    return "columns " + std::to_string(withNames.ColumnCount()) + " with names, " +
           std::to_string(withoutNames.ColumnCount()) + " without";
  if (withoutNames.RowCount() != withNames.RowCount() + 1)
    return "rows " + std::to_string(withNames.RowCount()) + " with names, " +
           std::to_string(withoutNames.RowCount()) + " without";
  for (size_t r = 1; r <= withNames.RowCount(); ++r)
    if (std::string difference =
            CellDifference(withNames, r, withoutNames, r + 1, withNames.ColumnCount());
        !difference.empty())
      return difference;
  return {};
}

}  // namespace velra::fuzz
