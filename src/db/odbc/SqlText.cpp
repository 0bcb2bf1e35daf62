#include "db/odbc/SqlText.h"

#include <algorithm>
#include <cctype>

#include "base/Text.h"
#include "db/odbc/OdbcBackend.h"

namespace velra {

namespace odbc {

namespace {

bool IsIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
  });
}

std::string_view TrimSpace(std::string_view text) {
  const char* spaces = " \t\r\n\f\v";
  size_t first = text.find_first_not_of(spaces);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(spaces);
  return text.substr(first, last - first + 1);
}

// The word starting at `pos` of the code, upper-cased; pos moves behind it.
std::string NextWord(std::string_view code, size_t& pos) {
  while (pos < code.size() && !IsIdentifierChar(code[pos])) {
    if (!IsBlank(code.substr(pos, 1))) return {};
    ++pos;
  }
  std::string word;
  while (pos < code.size() && IsIdentifierChar(code[pos]))
    word.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(code[pos++]))));
  return word;
}

bool HasWord(std::string_view code, std::string_view word) {
  size_t pos = 0;
  while (pos < code.size()) {
    if (!IsIdentifierChar(code[pos])) {
      ++pos;
      continue;
    }
    size_t start = pos;
    while (pos < code.size() && IsIdentifierChar(code[pos])) ++pos;
    if (EqualsIgnoreCase(code.substr(start, pos - start), word)) return true;
  }
  return false;
}

}  // namespace

std::string CodeOnly(std::string_view sql, BackendKind kind) {
  std::string out(sql);
  const bool postgres = kind == BackendKind::PostgreSql;
  const bool sqlServer = kind == BackendKind::SqlServer;
  size_t i = 0;
  auto blank = [&](size_t from, size_t to) {
    for (size_t k = from; k < to && k < out.size(); ++k)
      if (out[k] != '\n') out[k] = ' ';
  };
  while (i < sql.size()) {
    const char c = sql[i];
    const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
    size_t end = i;
    if (c == '-' && next == '-') {
      end = sql.find('\n', i);
      if (end == std::string_view::npos) end = sql.size();
    } else if (c == '/' && next == '*') {
      int depth = 0;
      end = i;
      while (end < sql.size()) {
        if (sql.compare(end, 2, "/*") == 0) {
          ++depth;
          end += 2;
        } else if (sql.compare(end, 2, "*/") == 0) {
          end += 2;
          if (--depth == 0) break;
        } else {
          ++end;
        }
      }
    } else if (c == '\'' || c == '"' || (sqlServer && c == '[')) {
      const char close = c == '[' ? ']' : c;
      // PostgreSQL's E'...' texts escape with a backslash.
      const bool backslash = postgres && c == '\'' && i > 0 &&
                             (sql[i - 1] == 'E' || sql[i - 1] == 'e') &&
                             (i < 2 || !IsIdentifierChar(sql[i - 2]));
      end = i + 1;
      while (end < sql.size()) {
        if (backslash && sql[end] == '\\') {
          end += 2;
          continue;
        }
        if (sql[end] == close) {
          if (end + 1 < sql.size() && sql[end + 1] == close) {
            end += 2;
            continue;
          }
          ++end;
          break;
        }
        ++end;
      }
    } else if (postgres && c == '$' && (i == 0 || !IsIdentifierChar(sql[i - 1]))) {
      size_t tagEnd = i + 1;
      while (tagEnd < sql.size() && IsIdentifierChar(sql[tagEnd]) &&
             !(tagEnd == i + 1 && sql[tagEnd] >= '0' && sql[tagEnd] <= '9'))
        ++tagEnd;
      if (tagEnd < sql.size() && sql[tagEnd] == '$') {
        const std::string_view tag = sql.substr(i, tagEnd - i + 1);
        size_t close = sql.find(tag, tagEnd + 1);
        end = close == std::string_view::npos ? sql.size() : close + tag.size();
      }
    }
    if (end > i) {
      blank(i, end);
      i = std::min(end, sql.size());
    } else {
      ++i;
    }
  }
  return out;
}

bool IsSchemaChange(const std::string& code) {
  size_t pos = 0;
  const std::string first = NextWord(code, pos);
  return first == "CREATE" || first == "ALTER" || first == "DROP";
}

std::optional<std::string> InsertTable(std::string_view sql, const std::string& code,
                                       BackendKind kind) {
  size_t pos = 0;
  if (NextWord(code, pos) != "INSERT") return std::nullopt;
  if (NextWord(code, pos) != "INTO") return std::nullopt;
  if (HasWord(code, kind == BackendKind::PostgreSql ? "RETURNING" : "OUTPUT")) return std::nullopt;
  // One statement: nothing but ';' and blanks after the first ';'.
  const size_t semicolon = code.find(';');
  if (semicolon != std::string::npos &&
      code.find_first_not_of("; \t\r\n\f\v", semicolon) != std::string::npos)
    return std::nullopt;
  // Blanks and comments up to the name, which may be quoted.
  while (pos < code.size() && IsBlank(std::string_view(code).substr(pos, 1)) && sql[pos] != '"' &&
         sql[pos] != '[')
    ++pos;
  std::string name;
  while (pos < sql.size()) {
    name.clear();
    const char c = sql[pos];
    if (c == '"' || (kind == BackendKind::SqlServer && c == '[')) {
      const char close = c == '[' ? ']' : '"';
      ++pos;
      while (pos < sql.size()) {
        if (sql[pos] == close) {
          if (pos + 1 < sql.size() && sql[pos + 1] == close) {
            name.push_back(close);
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        name.push_back(sql[pos++]);
      }
    } else {
      while (pos < sql.size() && (IsIdentifierChar(sql[pos]) || sql[pos] == '$' || sql[pos] == '#'))
        name.push_back(sql[pos++]);
    }
    if (pos < sql.size() && sql[pos] == '.') {
      ++pos;
      continue;
    }
    break;
  }
  if (name.empty()) return std::nullopt;
  return name;
}

std::string_view WithoutTail(std::string_view sql, const std::string& code) {
  size_t last = code.find_last_not_of("; \t\r\n\f\v");
  return last == std::string::npos ? sql.substr(0, 0) : sql.substr(0, last + 1);
}

}  // namespace odbc

std::vector<std::string> SplitSqlScript(std::string_view script, BackendKind kind) {
  const std::string code = odbc::CodeOnly(script, kind);
  // The lines of the code that hold only "GO" (SQL Server's batch separator).
  std::vector<std::pair<size_t, size_t>> goLines;
  if (kind == BackendKind::SqlServer) {
    size_t lineStart = 0;
    while (lineStart <= code.size()) {
      size_t lineEnd = code.find('\n', lineStart);
      if (lineEnd == std::string::npos) lineEnd = code.size();
      if (EqualsIgnoreCase(
              odbc::TrimSpace(std::string_view(code).substr(lineStart, lineEnd - lineStart)), "GO"))
        goLines.emplace_back(lineStart, lineEnd);
      lineStart = lineEnd + 1;
    }
  }
  std::vector<std::string> statements;
  size_t start = 0;
  auto emit = [&](size_t end) {
    const std::string_view piece = std::string_view(code).substr(start, end - start);
    if (!odbc::IsBlank(piece))
      statements.emplace_back(odbc::TrimSpace(script.substr(start, end - start)));
  };
  if (!goLines.empty()) {
    // A script in batches goes batch by batch: a procedure's body keeps its semicolons.
    for (const auto& [lineStart, lineEnd] : goLines) {
      emit(lineStart);
      start = std::min(lineEnd + 1, code.size());
    }
  } else {
    for (size_t i = 0; i < code.size(); ++i) {
      if (code[i] != ';') continue;
      emit(i);
      start = i + 1;
    }
  }
  if (start < code.size()) emit(code.size());
  return statements;
}

}  // namespace velra
