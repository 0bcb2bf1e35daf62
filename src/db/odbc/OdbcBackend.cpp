#include "db/odbc/OdbcBackend.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>

#include "base/Text.h"
#include "db/DbError.h"
#include "db/odbc/ConnectFailure.h"

namespace velra {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC passes UTF-16 as SQLWCHAR");

constexpr const char* kSavepointName = "velra_row";
// Texts up to this many characters are declared as one fixed size, so that SQL Server sees the
// same parameter types for every row and keeps its plan; longer ones as long texts.
constexpr size_t kShortTextChars = 4000;
constexpr size_t kShortBinaryBytes = 8000;
// SQL Server's time(n) and datetimeoffset, which sqlext.h does not name.
constexpr SQLSMALLINT kSqlServerTime = -154;
constexpr SQLSMALLINT kSqlServerDateTimeOffset = -155;

// The program's own sentences; the driver's reason follows after the colon.
namespace text {
std::string Quoted(std::string_view name) {
  return "'" + std::string(name) + "'";
}
std::string ConnectionLost(const std::string& database, const std::string& server) {
  return "Die Verbindung zur Firmendatenbank " + Quoted(database) + " auf dem Server " +
         Quoted(server) + " ist unterbrochen: ";
}
std::string DriverMissing(const std::string& driver) {
  return "Der ODBC-Treiber " + Quoted(driver) + " ist nicht eingerichtet";
}
constexpr const char* kNoServer =
    "Die Verbindungsangaben der Firmendatenbank nennen keinen Server (Data Source).";
constexpr const char* kNoDatabase =
    "Die Verbindungsangaben der Firmendatenbank nennen keine Datenbank (Initial Catalog).";
constexpr const char* kNoEnvironment =
    "Der ODBC-Treibermanager (unixODBC) kann nicht verwendet werden.";
constexpr const char* kRejected = "Die Firmendatenbank hat den Datensatz abgelehnt: ";
std::string Locked(const std::string& name) {
  return "Die Firmendatenbank " + Quoted(name) +
         " ist gesperrt, weil ein anderes Programm gerade in sie schreibt; bitte versuchen Sie es "
         "später noch einmal (";
}
std::string Failed(const std::string& name) {
  return "Fehler in der Firmendatenbank " + Quoted(name) + ": ";
}
std::string Denied(const std::string& name) {
  return "Die Anmeldung an der Firmendatenbank " + Quoted(name) +
         " hat nicht das Recht, in sie zu schreiben: ";
}
constexpr const char* kUnknownReason = "Der ODBC-Treiber nennt keinen Grund.";
constexpr const char* kTransactionOpen = "Es ist bereits eine Transaktion offen.";
constexpr const char* kNoTransaction =
    "Ein Sicherungspunkt ist nur innerhalb einer Transaktion möglich.";
constexpr const char* kNoSavepoint =
    "Es gibt keinen Sicherungspunkt, zu dem zurückgekehrt werden kann.";
constexpr const char* kTransactionAborted =
    "Die Änderungen der Transaktion wurden verworfen, weil eine Anweisung darin fehlgeschlagen "
    "ist.";
constexpr const char* kBadParameter = "Die Anweisung hat keinen Parameter Nummer ";
constexpr const char* kNulInText =
    "Ein Text enthält das Steuerzeichen NUL (U+0000), das die Firmendatenbank nicht speichern "
    "kann.";
}  // namespace text

// ---- UTF-8 and UTF-16

void AppendUtf16(std::string_view utf8, std::u16string& out) {
  out.reserve(out.size() + utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    size_t length = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code = lead & 0x07u;
    }
    bool valid = length != 0 && i + length <= utf8.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3Fu);
    }
    valid = valid && !(length == 2 && code < 0x80) && !(length == 3 && code < 0x800) &&
            !(length == 4 && (code < 0x10000 || code > 0x10FFFF)) &&
            !(code >= 0xD800 && code <= 0xDFFF);
    if (!valid) {
      // Bytes that are no UTF-8 become the replacement character, one each.
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
}

std::u16string Utf16(std::string_view utf8) {
  std::u16string out;
  AppendUtf16(utf8, out);
  return out;
}

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::string Utf8(const char16_t* data, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char32_t code = data[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < length && data[i + 1] >= 0xDC00 &&
        data[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (data[i + 1] - 0xDC00u);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    AppendUtf8(code, out);
  }
  return out;
}

SQLWCHAR* Wide(std::u16string& text) {
  return reinterpret_cast<SQLWCHAR*>(text.data());
}

// ---- Diagnostics

using Diagnostic = DriverDiagnostic;

// The server's own words: without the "[unixODBC][Driver Manager]" tags in front, the
// severity "ERROR:" and psqlODBC's closing line "Error while executing the query", on one line.
std::string CleanMessage(std::string_view message) {
  std::string_view rest = message;
  while (!rest.empty() && rest.front() == '[') {
    size_t close = rest.find(']');
    if (close == std::string_view::npos) break;
    rest.remove_prefix(close + 1);
  }
  if (rest.substr(0, 6) == "ERROR:") rest.remove_prefix(6);
  if (size_t driverLine = rest.find("\nError while "); driverLine != std::string_view::npos) {
    rest = rest.substr(0, driverLine);
    if (!rest.empty() && rest.back() == ';') rest.remove_suffix(1);
  }
  std::string out;
  bool blank = false;
  for (char c : rest) {
    if (c == '\n' || c == '\r' || c == '\t' || c == ' ') {
      blank = !out.empty();
      continue;
    }
    if (blank) out.push_back(' ');
    blank = false;
    out.push_back(c);
  }
  return out;
}

std::vector<Diagnostic> ReadDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::vector<Diagnostic> records;
  for (SQLSMALLINT record = 1; record <= 20; ++record) {
    char16_t state[6] = {};
    SQLINTEGER native = 0;
    std::u16string message(1024, u'\0');
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(type, handle, record, reinterpret_cast<SQLWCHAR*>(state), &native,
                                  Wide(message), static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<size_t>(length) + 1, u'\0');
      rc = SQLGetDiagRecW(type, handle, record, reinterpret_cast<SQLWCHAR*>(state), &native,
                          Wide(message), static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    Diagnostic diagnostic;
    diagnostic.state = Utf8(state, 5);
    diagnostic.native = native;
    diagnostic.message = CleanMessage(
        Utf8(message.data(),
             std::min(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), message.size())));
    records.push_back(std::move(diagnostic));
  }
  return records;
}

std::string ReasonOf(const std::vector<Diagnostic>& records, const std::string& secret) {
  std::string reason;
  for (const Diagnostic& record : records) {
    if (record.message.empty() || reason.find(record.message) != std::string::npos) continue;
    if (!reason.empty()) reason += reason.back() == '.' ? " " : "; ";
    reason += record.message;
  }
  if (reason.empty()) return text::kUnknownReason;
  // No driver is known to repeat a password, but a message must never carry one.
  if (secret.size() >= 3) reason = ReplaceAll(reason, secret, "***");
  return reason;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// ---- The shape of SQL text

bool IsIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// The text with everything that is no SQL code of its own (quoted texts and names, comments)
// blanked out, so that keywords, ';' and "GO" can be searched for without a parser. Line
// breaks stay, and every position stays where it is.
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

bool IsSchemaChange(const std::string& code) {
  size_t pos = 0;
  const std::string first = NextWord(code, pos);
  return first == "CREATE" || first == "ALTER" || first == "DROP";
}

// The table of "INSERT INTO <table> ..." as one statement without a result of its own; the
// name after the last dot of a qualified name, its quotes removed.
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

// The statement without what follows its last piece of code (a ';', blanks, a comment).
std::string_view WithoutTail(std::string_view sql, const std::string& code) {
  size_t last = code.find_last_not_of("; \t\r\n\f\v");
  return last == std::string::npos ? sql.substr(0, 0) : sql.substr(0, last + 1);
}

// ---- Types

bool IsFlagTypeName(std::string_view name) {
  return EqualsIgnoreCase(name, "flag") || EqualsIgnoreCase(name, "boolean") ||
         EqualsIgnoreCase(name, "bool") || EqualsIgnoreCase(name, "bit");
}

// The type of value a column holds, from its type's own name and the name of the type it is
// built on (the same unless it is a domain or an alias type).
Value::Type TypeOfServerColumn(std::string_view ownType, std::string_view baseType,
                               BackendKind kind) {
  if (IsFlagTypeName(ownType) || IsFlagTypeName(baseType)) return Value::Type::Boolean;
  const std::string type = ToLowerAscii(baseType);
  auto is = [&](std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), type) != names.end();
  };
  if (is({"int2", "int4", "int8", "smallint", "integer", "bigint", "int", "tinyint"}))
    return Value::Type::Integer;
  if (is({"float4", "float8", "real", "double precision", "float", "numeric", "decimal", "money",
          "smallmoney"}))
    return Value::Type::Double;
  if (kind == BackendKind::SqlServer && (type == "timestamp" || type == "rowversion"))
    return Value::Type::Binary;
  if (is({"date", "time", "timetz", "timestamp", "timestamptz", "datetime", "datetime2",
          "smalldatetime", "datetimeoffset"}))
    return Value::Type::Date;
  if (is({"bytea", "binary", "varbinary", "image"})) return Value::Type::Binary;
  return Value::Type::Text;
}

Value::Type TypeOfSqlType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_BIT:
      return Value::Type::Boolean;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return Value::Type::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return Value::Type::Double;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case kSqlServerTime:
    case kSqlServerDateTimeOffset:
      return Value::Type::Date;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return Value::Type::Binary;
    default:
      return Value::Type::Text;
  }
}

// ---- The connection

class OdbcStatement;

class OdbcSession : public std::enable_shared_from_this<OdbcSession> {
 public:
  explicit OdbcSession(const ServerLogin& login)
      : kind_(login.kind),
        server_(login.server),
        database_(login.database),
        user_(login.integrated ? std::string() : login.user),
        driver_(OdbcDriver(login.kind)),
        secret_(login.password),
        dialect_(login.kind) {}

  ~OdbcSession() {
    if (util_) SQLFreeHandle(SQL_HANDLE_STMT, util_);
    if (connected_) {
      if (inTransaction_ && kind_ == BackendKind::PostgreSql)
        SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
      SQLDisconnect(dbc_);
    }
    if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }

  void Connect(const ServerLogin& login) {
    if (server_.empty()) throw DbError(DbError::Kind::Open, text::kNoServer);
    if (database_.empty()) throw DbError(DbError::Kind::Open, text::kNoDatabase);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
      throw DbError(DbError::Kind::Open,
                    ConnectFailureMessage(ConnectFailure::Other, Target(), text::kNoEnvironment));
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) FailOpen(SQL_HANDLE_ENV, env_);
    if (login.timeoutSeconds)
      SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(*login.timeoutSeconds)),
                        0);
    std::u16string connectionString = Utf16(OdbcConnectionString(login));
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, Wide(connectionString), SQL_NTS, nullptr, 0,
                                     &outLength, SQL_DRIVER_NOPROMPT);
    std::fill(connectionString.begin(), connectionString.end(), u'\0');
    if (!SQL_SUCCEEDED(rc)) FailOpen(SQL_HANDLE_DBC, dbc_);
    connected_ = true;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &util_)))
      FailOpen(SQL_HANDLE_DBC, dbc_);
    // Scripts shared with PostgreSQL write names in double quotes.
    if (kind_ == BackendKind::SqlServer) RunNow("SET QUOTED_IDENTIFIER ON");
  }

  // A row that another user holds is waited for as long as a file company waits.
  void SetBusyTimeout(int milliseconds);

  SQLHDBC Dbc() const { return dbc_; }
  BackendKind Kind() const { return kind_; }
  const Dialect& GetDialect() const { return dialect_; }
  std::string DisplayName() const { return server_ + "/" + database_; }

  std::unique_ptr<OdbcStatement> Prepare(std::string_view sql);

  // `onServer`: the server ran the statement and failed, which aborts a PostgreSQL
  // transaction; a failure of the driver alone (reading a value) leaves it intact.
  [[noreturn]] void Fail(SQLSMALLINT type, SQLHANDLE handle, bool onServer = true) {
    const std::vector<Diagnostic> records = ReadDiagnostics(type, handle);
    const std::string state = records.empty() ? std::string() : records.front().state;
    const std::string reason = ReasonOf(records, secret_);
    if (inTransaction_ && onServer)
      (savepointActive_ ? failedInSavepoint_ : failedOutsideSavepoint_) = true;
    if (StartsWith(state, "23")) throw DbError(DbError::Kind::Constraint, text::kRejected + reason);
    // PostgreSQL's insufficient_privilege: a login that may only read fails on every row alike.
    if (state == "42501")
      throw DbError(DbError::Kind::Denied, text::Denied(DisplayName()) + reason);
    if (state == "40001" || state == "40P01" || state == "55P03" || state == "HYT00")
      throw DbError(DbError::Kind::Locked, text::Locked(DisplayName()) + reason + ").");
    // psqlODBC reports a server that went away with a general state; the connection knows.
    if (StartsWith(state, "08") || ConnectionDead())
      throw DbError(DbError::Kind::Open, text::ConnectionLost(database_, server_) + reason);
    // Insufficient resources (a full disk) and system errors of the server.
    if (StartsWith(state, "53") || StartsWith(state, "58"))
      throw DbError(DbError::Kind::Storage, text::Failed(DisplayName()) + reason);
    throw DbError(DbError::Kind::Statement, text::Failed(DisplayName()) + reason);
  }

  bool ConnectionDead() const {
    SQLUINTEGER dead = SQL_CD_FALSE;
    return SQL_SUCCEEDED(SQLGetConnectAttr(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
  }

  void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) {
    if (!SQL_SUCCEEDED(rc)) Fail(type, handle);
  }

  // Every statement goes through here first: a savepoint asked for goes to the server now,
  // together with the release of the row before.
  void BeforeExecute() {
    if (!savepointPending_) return;
    savepointPending_ = false;
    if (kind_ == BackendKind::PostgreSql) {
      const std::string name = kSavepointName;
      RunNow(releasePending_ ? "RELEASE SAVEPOINT " + name + "; SAVEPOINT " + name
                             : "SAVEPOINT " + name);
    } else {
      RunNow(std::string("SAVE TRANSACTION ") + kSavepointName);
    }
    releasePending_ = false;
    savepointActive_ = true;
  }

  // A prepared statement on PostgreSQL takes the savepoint asked for along in front of itself,
  // so that it costs no round trip of its own: the number of statements put in front (0, 1 or
  // 2, see SavepointPrefix). Elsewhere the savepoint goes out now.
  int TakeSavepointPrefix() {
    if (kind_ != BackendKind::PostgreSql || !savepointPending_) {
      BeforeExecute();
      return 0;
    }
    savepointPending_ = false;
    savepointActive_ = true;
    const int count = releasePending_ ? 2 : 1;
    releasePending_ = false;
    return count;
  }

  // Runs statements without parameters and discards what they return.
  void Run(std::string_view sql) {
    BeforeExecute();
    RunNow(sql);
  }

  std::vector<ColumnInfo> Columns(std::string_view table);
  std::vector<std::string> Tables();

  // The columns of a table as read last; for what the backend finds out by itself.
  const std::vector<ColumnInfo>& KnownColumns(const std::string& table) {
    const std::string key = ToLowerAscii(table);
    auto found = columnCache_.find(key);
    if (found != columnCache_.end()) return found->second;
    return columnCache_[key] = Columns(table);
  }
  void ForgetColumns() { columnCache_.clear(); }

  bool IsFlagColumn(const std::string& table, const std::string& column) {
    for (const ColumnInfo& info : KnownColumns(table))
      if (EqualsIgnoreCase(info.name, column)) return info.type == Value::Type::Boolean;
    return false;
  }

  void SetLastInsertId(int64_t id) { lastInsertId_ = id; }
  int64_t LastInsertId() const { return lastInsertId_; }

  void Begin() {
    if (inTransaction_) throw DbError(DbError::Kind::Statement, text::kTransactionOpen);
    if (kind_ == BackendKind::PostgreSql)
      Check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                              reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
            SQL_HANDLE_DBC, dbc_);
    else
      RunNow("BEGIN TRANSACTION");
    inTransaction_ = true;
    ClearTransactionState();
  }

  void Commit() {
    if (!inTransaction_) return;
    if (kind_ == BackendKind::PostgreSql) {
      // PostgreSQL answers COMMIT with a silent rollback when a statement failed before.
      if (failedOutsideSavepoint_ || failedInSavepoint_) {
        Rollback();
        throw DbError(DbError::Kind::Statement,
                      text::Failed(DisplayName()) + text::kTransactionAborted);
      }
      Check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_);
      EndTransaction();
    } else {
      RunNow("COMMIT TRANSACTION");
      inTransaction_ = false;
      ClearTransactionState();
    }
  }

  void Rollback() {
    if (!inTransaction_) return;
    if (kind_ == BackendKind::PostgreSql) {
      SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
      if (!SQL_SUCCEEDED(rc)) {
        const std::vector<Diagnostic> records = ReadDiagnostics(SQL_HANDLE_DBC, dbc_);
        EndTransaction();
        throw DbError(DbError::Kind::Statement,
                      text::Failed(DisplayName()) + ReasonOf(records, secret_));
      }
      EndTransaction();
    } else {
      inTransaction_ = false;
      ClearTransactionState();
      RunNow("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
    }
  }

  void Savepoint() {
    if (!inTransaction_) throw DbError(DbError::Kind::Statement, text::kNoTransaction);
    // The row before's savepoint, if it was not released, is released together with this one.
    if (savepointActive_ && kind_ == BackendKind::PostgreSql) releasePending_ = true;
    savepointActive_ = false;
    savepointPending_ = true;
  }

  void ReleaseSavepoint() {
    if (savepointPending_) {
      savepointPending_ = false;
      return;
    }
    if (!savepointActive_) throw DbError(DbError::Kind::Statement, text::kNoSavepoint);
    savepointActive_ = false;
    if (kind_ == BackendKind::PostgreSql) releasePending_ = true;
  }

  void RollbackToSavepoint() {
    if (savepointPending_) {
      savepointPending_ = false;
      return;
    }
    if (!savepointActive_) throw DbError(DbError::Kind::Statement, text::kNoSavepoint);
    const std::string name = kSavepointName;
    if (kind_ == BackendKind::PostgreSql)
      RunNow("ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name);
    else
      RunNow("ROLLBACK TRANSACTION " + name);
    savepointActive_ = false;
    failedInSavepoint_ = false;
  }

  bool InTransaction() const { return inTransaction_; }

 private:
  [[noreturn]] void FailOpen(SQLSMALLINT type, SQLHANDLE handle) {
    const std::vector<Diagnostic> records = ReadDiagnostics(type, handle);
    std::string reason = ReasonOf(records, secret_);
    // unixODBC takes a driver name it does not know for the file of a driver library.
    for (const Diagnostic& record : records)
      if (record.state == "IM002" || record.state == "IM003" ||
          record.message.find("Can't open lib") != std::string::npos) {
        reason = text::DriverMissing(driver_) + " (" + reason + ")";
        throw DbError(DbError::Kind::Open,
                      ConnectFailureMessage(ConnectFailure::Other, Target(), reason));
      }
    throw DbError(DbError::Kind::Open,
                  ConnectFailureMessage(ClassifyConnectFailure(kind_, records), Target(), reason));
  }

  ConnectTarget Target() const { return {server_, database_, user_}; }

  void RunNow(std::string_view sql) {
    std::u16string wide = Utf16(sql);
    SQLRETURN rc = SQLExecDirectW(util_, Wide(wide), static_cast<SQLINTEGER>(wide.size()));
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) {
      SQLFreeStmt(util_, SQL_CLOSE);
      FailUtility();
    }
    for (;;) {
      rc = SQLMoreResults(util_);
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc)) {
        SQLFreeStmt(util_, SQL_CLOSE);
        FailUtility();
      }
    }
    SQLFreeStmt(util_, SQL_CLOSE);
  }

  [[noreturn]] void FailUtility() { Fail(SQL_HANDLE_STMT, util_); }

  void EndTransaction() {
    inTransaction_ = false;
    ClearTransactionState();
    SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      0);
  }

  void ClearTransactionState() {
    savepointPending_ = releasePending_ = savepointActive_ = false;
    failedInSavepoint_ = failedOutsideSavepoint_ = false;
  }

  BackendKind kind_;
  std::string server_, database_, user_, driver_, secret_;
  Dialect dialect_;
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  SQLHSTMT util_ = SQL_NULL_HSTMT;
  bool connected_ = false;
  bool inTransaction_ = false;
  // The row's savepoint: asked for but not yet sent, on the server, or released but still to
  // be told to the server.
  bool savepointPending_ = false, savepointActive_ = false, releasePending_ = false;
  // A failed statement aborts a PostgreSQL transaction up to the savepoint around it.
  bool failedInSavepoint_ = false, failedOutsideSavepoint_ = false;
  int64_t lastInsertId_ = 0;
  std::map<std::string, std::vector<ColumnInfo>> columnCache_;
};

// ---- A prepared statement

// What goes in front of a statement that takes the row's savepoint along (see
// OdbcSession::TakeSavepointPrefix).
std::string SavepointPrefix(int statements) {
  const std::string name = kSavepointName;
  if (statements == 2) return "RELEASE SAVEPOINT " + name + "; SAVEPOINT " + name + "; ";
  if (statements == 1) return "SAVEPOINT " + name + "; ";
  return {};
}

class OdbcStatement final : public StatementBackend {
 public:
  enum class InsertId { None, Returning, ScopeIdentity };

  OdbcStatement(std::shared_ptr<OdbcSession> session, std::string sql, InsertId insertId,
                bool isInsert)
      : session_(std::move(session)),
        sql_(std::move(sql)),
        insertId_(insertId),
        isInsert_(isInsert) {
    Handle(0);
  }

  ~OdbcStatement() override {
    for (SQLHSTMT handle : handles_)
      if (handle != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle);
  }

  void Bind(int index, const Value& value) override {
    if (index < 1)
      throw DbError(DbError::Kind::Statement, text::Failed(session_->DisplayName()) +
                                                  text::kBadParameter + std::to_string(index) +
                                                  ".");
    while (parameters_.size() < static_cast<size_t>(index))
      parameters_.push_back(std::make_unique<Parameter>());
    Parameter& p = *parameters_[static_cast<size_t>(index - 1)];
    switch (value.GetType()) {
      case Value::Type::Null:
        p.indicator = SQL_NULL_DATA;
        // A null keeps the type of the values before it, which the server has planned for.
        // SQL Server converts no text to binary, not even a null: a first null takes the type
        // the driver reports for the parameter, where it can tell.
        if (!p.typed && session_->Kind() == BackendKind::SqlServer) {
          SQLSMALLINT type = 0, digits = 0, nullable = 0;
          SQLULEN size = 0;
          if (SQL_SUCCEEDED(SQLDescribeParam(handles_[0], static_cast<SQLUSMALLINT>(index), &type,
                                             &size, &digits, &nullable)) &&
              type != 0)
            p.Set(SQL_C_WCHAR, type, std::max<SQLULEN>(size, 1));
        }
        break;
      case Value::Type::Boolean:
        p.Set(SQL_C_SSHORT, SQL_SMALLINT, 5);
        p.small = value.AsBool() ? session_->GetDialect().TrueValue() : int16_t{0};
        p.indicator = 0;
        break;
      case Value::Type::Integer:
        p.Set(SQL_C_SBIGINT, SQL_BIGINT, 19);
        p.integer = value.AsInteger();
        p.indicator = 0;
        break;
      case Value::Type::Double:
        p.Set(SQL_C_DOUBLE, SQL_DOUBLE, 15);
        p.real = value.AsDouble();
        p.indicator = 0;
        break;
      case Value::Type::Text: {
        // PostgreSQL keeps no NUL in a text; the driver would cut the text there.
        if (session_->Kind() == BackendKind::PostgreSql &&
            value.AsText().find('\0') != std::string::npos)
          throw DbError(DbError::Kind::Constraint, text::kRejected + std::string(text::kNulInText));
        p.text.clear();
        AppendUtf16(value.AsText(), p.text);
        const size_t length = p.text.size();
        if (length <= kShortTextChars)
          p.Set(SQL_C_WCHAR, SQL_WVARCHAR, kShortTextChars);
        else
          p.Set(SQL_C_WCHAR, SQL_WLONGVARCHAR, length);
        p.indicator = static_cast<SQLLEN>(length * sizeof(char16_t));
        break;
      }
      case Value::Type::Date: {
        const DateTime& date = value.AsDate();
        p.Set(SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19);
        p.timestamp = {};
        p.timestamp.year = static_cast<SQLSMALLINT>(date.Year);
        p.timestamp.month = static_cast<SQLUSMALLINT>(date.Month);
        p.timestamp.day = static_cast<SQLUSMALLINT>(date.Day);
        p.timestamp.hour = static_cast<SQLUSMALLINT>(date.Hour);
        p.timestamp.minute = static_cast<SQLUSMALLINT>(date.Minute);
        p.timestamp.second = static_cast<SQLUSMALLINT>(date.Second);
        p.indicator = 0;
        break;
      }
      case Value::Type::Binary: {
        p.bytes = value.AsBytes();
        const size_t length = p.bytes.size();
        const bool postgres = session_->Kind() == BackendKind::PostgreSql;
        // psqlODBC would take a long binary for a large object rather than bytea.
        if (postgres)
          p.Set(SQL_C_BINARY, SQL_VARBINARY, std::max<size_t>(length, 1));
        else if (length <= kShortBinaryBytes)
          p.Set(SQL_C_BINARY, SQL_VARBINARY, kShortBinaryBytes);
        else
          p.Set(SQL_C_BINARY, SQL_LONGVARBINARY, length);
        p.indicator = static_cast<SQLLEN>(length);
        break;
      }
    }
    if (value.GetType() != Value::Type::Null) p.typed = true;
    for (size_t variant = 0; variant < handles_.size(); ++variant)
      if (handles_[variant] != SQL_NULL_HSTMT)
        BindToDriver(variant, static_cast<SQLUSMALLINT>(index), p);
  }

  bool Step() override {
    if (state_ == State::Done) Reset();
    if (state_ == State::Ready) {
      Execute();
      if (state_ != State::Rows) return false;
    }
    return Fetch();
  }

  void Reset() override {
    CloseCursor();
    state_ = State::Ready;
  }

  int ColumnCount() const override {
    Describe();
    return static_cast<int>(columns_.size());
  }

  std::string ColumnName(int index) const override {
    Describe();
    if (index < 0 || static_cast<size_t>(index) >= columns_.size()) return {};
    return columns_[static_cast<size_t>(index)].name;
  }

  Value ColumnValue(int index) const override {
    if (state_ != State::Rows || index < 0 || static_cast<size_t>(index) >= columns_.size())
      return {};
    // Columns are read in their order once per row, which every driver allows.
    while (nextUnread_ <= static_cast<size_t>(index)) {
      row_[nextUnread_] = ReadColumn(nextUnread_);
      ++nextUnread_;
    }
    return row_[static_cast<size_t>(index)];
  }

  int64_t Changes() const override { return changes_; }

 private:
  enum class State { Ready, Rows, Done };

  // What the driver was told last for one parameter of one statement handle.
  struct Binding {
    bool bound = false;
    SQLSMALLINT cType = 0, sqlType = 0;
    SQLULEN size = 0;
    SQLPOINTER buffer = nullptr;
    SQLLEN length = 0;
  };

  struct Parameter {
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 1;
    SQLLEN indicator = SQL_NULL_DATA;
    int64_t integer = 0;
    double real = 0;
    int16_t small = 0;
    SQL_TIMESTAMP_STRUCT timestamp{};
    std::u16string text;
    Bytes bytes;
    bool typed = false;  // a value other than null was bound
    std::array<Binding, 3> bindings;

    void Set(SQLSMALLINT c, SQLSMALLINT sql, size_t size) {
      cType = c;
      sqlType = sql;
      columnSize = static_cast<SQLULEN>(size);
    }
  };

  struct Column {
    std::string name;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    Value::Type type = Value::Type::Text;
  };

  // The statement handle for a number of savepoint statements in front, prepared when first
  // needed, with the parameters bound so far.
  SQLHSTMT Handle(size_t variant) {
    if (handles_[variant] != SQL_NULL_HSTMT) return handles_[variant];
    SQLHSTMT handle = SQL_NULL_HSTMT;
    session_->Check(SQLAllocHandle(SQL_HANDLE_STMT, session_->Dbc(), &handle), SQL_HANDLE_DBC,
                    session_->Dbc());
    std::u16string wide = Utf16(SavepointPrefix(static_cast<int>(variant)) + sql_);
    SQLRETURN rc = SQLPrepareW(handle, Wide(wide), static_cast<SQLINTEGER>(wide.size()));
    if (!SQL_SUCCEEDED(rc)) {
      try {
        session_->Fail(SQL_HANDLE_STMT, handle);
      } catch (...) {
        SQLFreeHandle(SQL_HANDLE_STMT, handle);
        throw;
      }
    }
    handles_[variant] = handle;
    for (size_t i = 0; i < parameters_.size(); ++i)
      BindToDriver(variant, static_cast<SQLUSMALLINT>(i + 1), *parameters_[i]);
    return handle;
  }

  void BindToDriver(size_t variant, SQLUSMALLINT index, Parameter& p) {
    static unsigned char empty = 0;
    SQLPOINTER buffer = nullptr;
    SQLLEN length = 0;
    switch (p.cType) {
      case SQL_C_SSHORT:
        buffer = &p.small;
        break;
      case SQL_C_SBIGINT:
        buffer = &p.integer;
        break;
      case SQL_C_DOUBLE:
        buffer = &p.real;
        break;
      case SQL_C_TYPE_TIMESTAMP:
        buffer = &p.timestamp;
        break;
      case SQL_C_BINARY:
        buffer = p.bytes.empty() ? static_cast<SQLPOINTER>(&empty) : p.bytes.data();
        length = static_cast<SQLLEN>(p.bytes.size());
        break;
      default:
        buffer = p.text.data();
        length = static_cast<SQLLEN>(p.text.capacity() * sizeof(char16_t));
        break;
    }
    // The driver reads the buffers when the statement runs: an unchanged binding stays.
    Binding& binding = p.bindings[variant];
    if (binding.bound && binding.cType == p.cType && binding.sqlType == p.sqlType &&
        binding.size == p.columnSize && binding.buffer == buffer && binding.length >= length)
      return;
    binding.bound = false;
    SQLHSTMT handle = handles_[variant];
    if (!SQL_SUCCEEDED(SQLBindParameter(handle, index, SQL_PARAM_INPUT, p.cType, p.sqlType,
                                        p.columnSize, 0, buffer, length, &p.indicator)))
      session_->Fail(SQL_HANDLE_STMT, handle, false);
    binding = {true, p.cType, p.sqlType, p.columnSize, buffer, length};
  }

  void Execute() {
    CloseCursor();
    const int prefix = session_->TakeSavepointPrefix();
    const SQLHSTMT handle = Handle(static_cast<size_t>(prefix));
    active_ = handle;
    SQLRETURN rc = SQLExecute(handle);
    cursorOpen_ = true;
    // The results of the savepoint statements come first.
    for (int i = 0; (rc == SQL_NO_DATA || SQL_SUCCEEDED(rc)) && i < prefix; ++i)
      rc = SQLMoreResults(handle);
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) FailAndClose();
    changes_ = 0;
    if (insertId_ != InsertId::None) {
      ReadInsertedId();
      state_ = State::Done;
      return;
    }
    Describe();
    if (columns_.empty()) {
      SQLLEN count = 0;
      if (SQL_SUCCEEDED(SQLRowCount(handle, &count)) && count > 0) changes_ = count;
      if (isInsert_) session_->SetLastInsertId(0);
      CloseCursor();
      state_ = State::Done;
      return;
    }
    state_ = State::Rows;
  }

  // The INSERT came back with the ID of its row: as the result of RETURNING on PostgreSQL, as
  // the result of the SELECT SCOPE_IDENTITY() behind it on SQL Server.
  void ReadInsertedId() {
    int64_t id = 0;
    bool counted = false;
    for (;;) {
      SQLSMALLINT columns = 0;
      SQLNumResultCols(active_, &columns);
      SQLLEN count = -1;
      if (!counted && SQL_SUCCEEDED(SQLRowCount(active_, &count)) && count >= 0) {
        changes_ = count;
        counted = true;
      }
      if (columns > 0) {
        for (;;) {
          SQLRETURN rc = SQLFetch(active_);
          if (rc == SQL_NO_DATA) break;
          if (!SQL_SUCCEEDED(rc)) FailAndClose();
          SQLBIGINT value = 0;
          SQLLEN indicator = 0;
          rc = SQLGetData(active_, 1, SQL_C_SBIGINT, &value, 0, &indicator);
          if (!SQL_SUCCEEDED(rc)) FailAndClose();
          id = indicator == SQL_NULL_DATA ? 0 : value;
        }
      }
      SQLRETURN rc = SQLMoreResults(active_);
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc)) FailAndClose();
    }
    CloseCursor();
    session_->SetLastInsertId(id);
  }

  // The diagnostics belong to the statement: they are read before it is closed.
  [[noreturn]] void FailAndClose() {
    state_ = State::Ready;
    try {
      session_->Fail(SQL_HANDLE_STMT, active_);
    } catch (...) {
      CloseCursor();
      throw;
    }
  }

  bool Fetch() {
    SQLRETURN rc = SQLFetch(active_);
    if (rc == SQL_NO_DATA) {
      CloseCursor();
      state_ = State::Done;
      return false;
    }
    if (!SQL_SUCCEEDED(rc)) FailAndClose();
    row_.assign(columns_.size(), Value());
    nextUnread_ = 0;
    return true;
  }

  void CloseCursor() {
    if (!cursorOpen_) return;
    SQLFreeStmt(active_, SQL_CLOSE);
    cursorOpen_ = false;
  }

  // The result's columns, read once: a prepared statement keeps its shape. Before the first
  // run they come from the statement without savepoints in front.
  void Describe() const {
    if (described_) return;
    const SQLHSTMT handle = active_ != SQL_NULL_HSTMT ? active_ : handles_[0];
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(handle, &count))) session_->Fail(SQL_HANDLE_STMT, handle);
    std::vector<Column> columns;
    for (SQLSMALLINT i = 1; i <= count; ++i) {
      const auto number = static_cast<SQLUSMALLINT>(i);
      std::u16string name(256, u'\0');
      SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      SQLRETURN rc =
          SQLDescribeColW(handle, number, Wide(name), static_cast<SQLSMALLINT>(name.size()),
                          &nameLength, &sqlType, &size, &digits, &nullable);
      if (SQL_SUCCEEDED(rc) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
        name.assign(static_cast<size_t>(nameLength) + 1, u'\0');
        rc = SQLDescribeColW(handle, number, Wide(name), static_cast<SQLSMALLINT>(name.size()),
                             &nameLength, &sqlType, &size, &digits, &nullable);
      }
      if (!SQL_SUCCEEDED(rc)) session_->Fail(SQL_HANDLE_STMT, handle);
      Column column;
      column.name =
          Utf8(name.data(),
               std::min(static_cast<size_t>(std::max<SQLSMALLINT>(nameLength, 0)), name.size()));
      column.sqlType = sqlType;
      column.type = TypeOfSqlType(sqlType);
      if (session_->Kind() == BackendKind::PostgreSql &&
          (sqlType == SQL_SMALLINT || sqlType == SQL_TINYINT) && IsFlag(handle, number))
        column.type = Value::Type::Boolean;
      columns.push_back(std::move(column));
    }
    columns_ = std::move(columns);
    described_ = true;
  }

  // Whether a small integer of the result is a flag column of its table (PostgreSQL reports
  // a domain column of a result as the domain's base type).
  bool IsFlag(SQLHSTMT handle, SQLUSMALLINT column) const {
    std::string table = StringAttribute(handle, column, SQL_DESC_BASE_TABLE_NAME);
    std::string name = StringAttribute(handle, column, SQL_DESC_BASE_COLUMN_NAME);
    if (table.empty() || name.empty()) return false;
    return session_->IsFlagColumn(table, name);
  }

  static std::string StringAttribute(SQLHSTMT handle, SQLUSMALLINT column, SQLUSMALLINT field) {
    std::u16string value(256, u'\0');
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLColAttributeW(handle, column, field, Wide(value),
                                    static_cast<SQLSMALLINT>(value.size() * sizeof(char16_t)),
                                    &length, nullptr);
    if (!SQL_SUCCEEDED(rc) || length <= 0) return {};
    const size_t chars = std::min(static_cast<size_t>(length) / sizeof(char16_t), value.size());
    return Utf8(value.data(), chars);
  }

  Value ReadColumn(size_t index) const {
    const Column& column = columns_[index];
    const auto number = static_cast<SQLUSMALLINT>(index + 1);
    SQLLEN indicator = 0;
    switch (column.type) {
      case Value::Type::Boolean: {
        SQLBIGINT value = 0;
        Get(number, SQL_C_SBIGINT, &value, 0, indicator);
        if (indicator == SQL_NULL_DATA) return {};
        return Value(value != 0);
      }
      case Value::Type::Integer: {
        SQLBIGINT value = 0;
        Get(number, SQL_C_SBIGINT, &value, 0, indicator);
        if (indicator == SQL_NULL_DATA) return {};
        return Value(static_cast<int64_t>(value));
      }
      case Value::Type::Double: {
        double value = 0;
        Get(number, SQL_C_DOUBLE, &value, 0, indicator);
        if (indicator == SQL_NULL_DATA) return {};
        return Value(value);
      }
      case Value::Type::Date:
        return ReadDate(number, column.sqlType);
      case Value::Type::Binary:
        return ReadBytes(number);
      default:
        return ReadText(number);
    }
  }

  void Get(SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer, SQLLEN length,
           SQLLEN& indicator) const {
    SQLRETURN rc = SQLGetData(active_, column, cType, buffer, length, &indicator);
    if (!SQL_SUCCEEDED(rc)) session_->Fail(SQL_HANDLE_STMT, active_, false);
  }

  Value ReadDate(SQLUSMALLINT column, SQLSMALLINT sqlType) const {
    SQLLEN indicator = 0;
    DateTime date;
    if (sqlType == SQL_TYPE_DATE || sqlType == SQL_DATE) {
      SQL_DATE_STRUCT value{};
      Get(column, SQL_C_TYPE_DATE, &value, sizeof value, indicator);
      if (indicator == SQL_NULL_DATA) return {};
      date = {value.year, value.month, value.day, 0, 0, 0};
    } else if (sqlType == SQL_TYPE_TIME || sqlType == SQL_TIME || sqlType == kSqlServerTime) {
      // A time of day alone stands on the suite's day zero.
      SQL_TIME_STRUCT value{};
      Get(column, SQL_C_TYPE_TIME, &value, sizeof value, indicator);
      if (indicator == SQL_NULL_DATA) return {};
      date.Hour = value.hour;
      date.Minute = value.minute;
      date.Second = value.second;
    } else {
      SQL_TIMESTAMP_STRUCT value{};
      Get(column, SQL_C_TYPE_TIMESTAMP, &value, sizeof value, indicator);
      if (indicator == SQL_NULL_DATA) return {};
      date = {value.year, value.month, value.day, value.hour, value.minute, value.second};
    }
    return Value(date);
  }

  Value ReadText(SQLUSMALLINT column) const {
    std::u16string text;
    std::u16string buffer(4096, u'\0');
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(active_, column, SQL_C_WCHAR, Wide(buffer),
                                static_cast<SQLLEN>(buffer.size() * sizeof(char16_t)), &indicator);
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc)) session_->Fail(SQL_HANDLE_STMT, active_, false);
      if (indicator == SQL_NULL_DATA) return {};
      const size_t room = buffer.size() - 1;  // one for the terminating zero
      const bool whole =
          indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) / sizeof(char16_t) <= room;
      text.append(buffer.data(), whole ? static_cast<size_t>(indicator) / sizeof(char16_t) : room);
      if (whole) break;
      // The rest in one more call when the driver says how long it is.
      if (indicator != SQL_NO_TOTAL)
        buffer.assign(static_cast<size_t>(indicator) / sizeof(char16_t) - room + 1, u'\0');
    }
    return Value(Utf8(text.data(), text.size()));
  }

  Value ReadBytes(SQLUSMALLINT column) const {
    Bytes bytes;
    Bytes buffer(8192);
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(active_, column, SQL_C_BINARY, buffer.data(),
                                static_cast<SQLLEN>(buffer.size()), &indicator);
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc)) session_->Fail(SQL_HANDLE_STMT, active_, false);
      if (indicator == SQL_NULL_DATA) return {};
      const bool whole =
          indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) <= buffer.size();
      const size_t got = whole ? static_cast<size_t>(indicator) : buffer.size();
      bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(got));
      if (whole) break;
      if (indicator != SQL_NO_TOTAL) buffer.resize(static_cast<size_t>(indicator) - got);
    }
    return Value(std::move(bytes));
  }

  std::shared_ptr<OdbcSession> session_;
  std::string sql_;
  InsertId insertId_;
  bool isInsert_;
  // The statement as it is, and with one or two savepoint statements in front.
  std::array<SQLHSTMT, 3> handles_{SQL_NULL_HSTMT, SQL_NULL_HSTMT, SQL_NULL_HSTMT};
  SQLHSTMT active_ = SQL_NULL_HSTMT;
  std::vector<std::unique_ptr<Parameter>> parameters_;
  State state_ = State::Ready;
  bool cursorOpen_ = false;
  int64_t changes_ = 0;
  mutable bool described_ = false;
  mutable std::vector<Column> columns_;
  mutable std::vector<Value> row_;
  mutable size_t nextUnread_ = 0;
};

std::unique_ptr<OdbcStatement> OdbcSession::Prepare(std::string_view sql) {
  const std::string code = CodeOnly(sql, kind_);
  if (IsSchemaChange(code)) ForgetColumns();
  std::string text(sql);
  auto insertId = OdbcStatement::InsertId::None;
  const std::optional<std::string> table = InsertTable(sql, code, kind_);
  if (table) {
    if (kind_ == BackendKind::PostgreSql) {
      for (const ColumnInfo& column : KnownColumns(*table)) {
        if (!EqualsIgnoreCase(column.name, "ID")) continue;
        text = std::string(WithoutTail(sql, code)) + " RETURNING " + dialect_.Quote(column.name);
        insertId = OdbcStatement::InsertId::Returning;
        break;
      }
    } else {
      text = std::string(WithoutTail(sql, code)) + "; SELECT CAST(SCOPE_IDENTITY() AS BIGINT)";
      insertId = OdbcStatement::InsertId::ScopeIdentity;
    }
  }
  return std::make_unique<OdbcStatement>(shared_from_this(), std::move(text), insertId,
                                         table.has_value());
}

void OdbcSession::SetBusyTimeout(int milliseconds) {
  const std::string ms = std::to_string(milliseconds);
  if (kind_ == BackendKind::PostgreSql) {
    std::unique_ptr<OdbcStatement> set = Prepare("SELECT set_config('lock_timeout', ?, false)");
    set->Bind(1, Value(ms));
    while (set->Step()) {
    }
  } else {
    // SET LOCK_TIMEOUT takes no parameter; the number is one of ours.
    Run("SET LOCK_TIMEOUT " + ms);
  }
}

std::vector<ColumnInfo> OdbcSession::Columns(std::string_view table) {
  std::unique_ptr<OdbcStatement> statement;
  if (kind_ == BackendKind::PostgreSql)
    statement = Prepare(
        "SELECT a.attname::text, format_type(a.atttypid, a.atttypmod), t.typname::text, "
        "COALESCE(b.typname, t.typname)::text, a.attnotnull, "
        "EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = a.attrelid AND i.indisprimary "
        "AND a.attnum = ANY (i.indkey)) "
        "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
        "LEFT JOIN pg_type b ON t.typtype = 'd' AND b.oid = t.typbasetype "
        "WHERE a.attrelid = (SELECT c.oid FROM pg_class c "
        "WHERE lower(c.relname::text) = lower(?::text) AND c.relkind IN ('r', 'p', 'v', 'm', 'f') "
        "AND pg_table_is_visible(c.oid) ORDER BY c.relname::text = ?::text DESC LIMIT 1) "
        "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum");
  else
    statement = Prepare(
        "SELECT c.name, ty.name, TYPE_NAME(c.system_type_id), "
        "CAST(CASE WHEN c.is_nullable = 0 THEN 1 ELSE 0 END AS BIT), "
        "CAST(CASE WHEN EXISTS (SELECT 1 FROM sys.indexes i JOIN sys.index_columns ic "
        "ON ic.object_id = i.object_id AND ic.index_id = i.index_id WHERE i.object_id = "
        "c.object_id AND i.is_primary_key = 1 AND ic.column_id = c.column_id) THEN 1 ELSE 0 END "
        "AS BIT) "
        "FROM sys.columns c JOIN sys.types ty ON ty.user_type_id = c.user_type_id "
        "WHERE c.object_id = (SELECT TOP 1 o.object_id FROM sys.objects o WHERE o.type IN ('U', "
        "'V') AND LOWER(o.name) = LOWER(?) ORDER BY CASE WHEN o.name = ? THEN 0 ELSE 1 END) "
        "ORDER BY c.column_id");
  statement->Bind(1, Value(table));
  statement->Bind(2, Value(table));
  std::vector<ColumnInfo> columns;
  while (statement->Step()) {
    ColumnInfo column;
    column.name = statement->ColumnValue(0).ToText();
    column.declaredType = statement->ColumnValue(1).ToText();
    column.type = TypeOfServerColumn(statement->ColumnValue(2).ToText(),
                                     statement->ColumnValue(3).ToText(), kind_);
    const Value notNull = statement->ColumnValue(4);
    const Value primaryKey = statement->ColumnValue(5);
    column.notNull = notNull.GetType() == Value::Type::Boolean && notNull.AsBool();
    column.primaryKey = primaryKey.GetType() == Value::Type::Boolean && primaryKey.AsBool();
    columns.push_back(std::move(column));
  }
  columnCache_[ToLowerAscii(table)] = columns;
  return columns;
}

std::vector<std::string> OdbcSession::Tables() {
  std::unique_ptr<OdbcStatement> statement =
      kind_ == BackendKind::PostgreSql
          ? Prepare(
                "SELECT c.relname::text FROM pg_class c JOIN pg_namespace n ON n.oid = "
                "c.relnamespace WHERE c.relkind IN ('r', 'p') AND n.nspname <> "
                "'information_schema' AND n.nspname NOT LIKE 'pg\\_%' AND "
                "pg_table_is_visible(c.oid) "
                "ORDER BY c.relname::text COLLATE \"C\"")
          : Prepare("SELECT name FROM sys.tables WHERE is_ms_shipped = 0 ORDER BY name");
  std::vector<std::string> names;
  while (statement->Step()) names.push_back(statement->ColumnValue(0).ToText());
  return names;
}

class OdbcBackend final : public Backend {
 public:
  explicit OdbcBackend(std::shared_ptr<OdbcSession> session) : session_(std::move(session)) {}

  std::unique_ptr<StatementBackend> Prepare(std::string_view sql) override {
    return session_->Prepare(sql);
  }

  void ExecuteScript(std::string_view sql) override {
    session_->ForgetColumns();
    for (const std::string& statement : SplitSqlScript(sql, session_->Kind()))
      session_->Run(statement);
  }

  std::vector<ColumnInfo> Columns(std::string_view table) override {
    return session_->Columns(table);
  }
  std::vector<std::string> Tables() override { return session_->Tables(); }
  void Begin() override { session_->Begin(); }
  void Commit() override { session_->Commit(); }
  void Rollback() override { session_->Rollback(); }
  void Savepoint() override { session_->Savepoint(); }
  void ReleaseSavepoint() override { session_->ReleaseSavepoint(); }
  void RollbackToSavepoint() override { session_->RollbackToSavepoint(); }
  bool InTransaction() override { return session_->InTransaction(); }
  int64_t LastInsertId() override { return session_->LastInsertId(); }
  const Dialect& GetDialect() const override { return session_->GetDialect(); }
  std::string DisplayName() const override { return session_->DisplayName(); }

 private:
  std::shared_ptr<OdbcSession> session_;
};

}  // namespace

std::vector<std::string> SplitSqlScript(std::string_view script, BackendKind kind) {
  const std::string code = CodeOnly(script, kind);
  // The lines of the code that hold only "GO" (SQL Server's batch separator).
  std::vector<std::pair<size_t, size_t>> goLines;
  if (kind == BackendKind::SqlServer) {
    size_t lineStart = 0;
    while (lineStart <= code.size()) {
      size_t lineEnd = code.find('\n', lineStart);
      if (lineEnd == std::string::npos) lineEnd = code.size();
      if (EqualsIgnoreCase(TrimSpace(std::string_view(code).substr(lineStart, lineEnd - lineStart)),
                           "GO"))
        goLines.emplace_back(lineStart, lineEnd);
      lineStart = lineEnd + 1;
    }
  }
  std::vector<std::string> statements;
  size_t start = 0;
  auto emit = [&](size_t end) {
    const std::string_view piece = std::string_view(code).substr(start, end - start);
    if (!IsBlank(piece)) statements.emplace_back(TrimSpace(script.substr(start, end - start)));
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

std::unique_ptr<Backend> OpenOdbcBackend(const ServerLogin& login) {
  auto session = std::make_shared<OdbcSession>(login);
  session->Connect(login);
  session->SetBusyTimeout(login.busyTimeoutMs);
  return std::make_unique<OdbcBackend>(std::move(session));
}

std::unique_ptr<Backend> OpenOdbcBackend(const ConnectionParameters& parameters) {
  return OpenOdbcBackend(ServerLogin::FromParameters(parameters));
}

}  // namespace velra
