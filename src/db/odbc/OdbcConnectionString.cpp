#include "db/odbc/OdbcConnectionString.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "base/ConnectionString.h"
#include "base/Text.h"
#include "db/DbError.h"
#include "db/odbc/OdbcMessages.h"

namespace velra {

namespace {

constexpr const char* kSqlServerDriver = "FreeTDS";
constexpr const char* kPostgreSqlDriver = "PostgreSQL Unicode";

std::mutex& DriverMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<BackendKind, std::string>& DriverOverrides() {
  static std::map<BackendKind, std::string> overrides;
  return overrides;
}

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// "(local)" and "." are SQL Server's names for this computer, also before "\instance".
std::string LocalHostName(std::string_view host, std::string_view thisComputer) {
  size_t backslash = host.find('\\');
  std::string_view name = host.substr(0, backslash);
  std::string_view rest = backslash == std::string_view::npos ? "" : host.substr(backslash);
  if (name == "." || EqualsIgnoreCase(name, "(local)"))
    return std::string(thisComputer) + std::string(rest);
  return std::string(host);
}

// Kerberos knows a server by its computer's name, never by "localhost".
std::string ThisComputersName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

// psqlODBC reads a value up to the next ';' and keeps braces and blanks.
bool TakenAsItStandsByPsqlOdbc(std::string_view value) {
  return value.find(';') == std::string_view::npos &&
         (value.empty() || (value.front() != '{' && value.front() != ' ' && value.back() != ' '));
}

// A value of a libpq connection string: in single quotes, with '\' and '\'' escaped.
std::string LibpqValue(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\\' || c == '\'') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('\'');
  return out;
}

}  // namespace

ServerLogin ServerLogin::FromParameters(const ConnectionParameters& parameters) {
  ServerLogin login;
  login.kind = parameters.Backend();
  login.server = Trim(parameters.GetOr("Data Source"));
  login.database = Trim(parameters.GetOr("Initial Catalog"));
  login.user = Trim(parameters.GetOr("User ID"));
  login.password = parameters.GetOr("Password");
  const std::string security = ToLowerAscii(Trim(parameters.GetOr("Integrated Security")));
  login.integrated = security == "sspi" || security == "true" || security == "yes";
  if (std::optional<std::string> timeout = parameters.Get("Connect Timeout"))
    if (std::optional<int64_t> seconds = LeadingInteger(Trim(*timeout)); seconds && *seconds >= 0)
      login.timeoutSeconds = static_cast<int>(std::min<int64_t>(*seconds, 86400));
  if (std::optional<std::string> busy = parameters.Get("Busy Timeout"))
    if (std::optional<int64_t> ms = LeadingInteger(Trim(*busy)); ms && *ms >= 0)
      login.busyTimeoutMs = static_cast<int>(std::min<int64_t>(*ms, 86400000));
  return login;
}

void SetOdbcDriver(BackendKind kind, std::string driver) {
  std::lock_guard lock(DriverMutex());
  driver = Trim(driver);
  if (driver.empty())
    DriverOverrides().erase(kind);
  else
    DriverOverrides()[kind] = std::move(driver);
}

std::string OdbcDriver(BackendKind kind) {
  {
    std::lock_guard lock(DriverMutex());
    auto found = DriverOverrides().find(kind);
    if (found != DriverOverrides().end()) return found->second;
  }
  return kind == BackendKind::PostgreSql ? kPostgreSqlDriver : kSqlServerDriver;
}

ServerAddress SplitServerAddress(std::string_view server, std::string_view thisComputer) {
  std::string text = Trim(server);
  std::string_view rest = text;
  if (StartsWithIgnoreCase(rest, "tcp:")) rest.remove_prefix(4);
  ServerAddress address;
  if (!rest.empty() && rest.front() == '[') {
    size_t close = rest.find(']');
    if (close != std::string_view::npos) {
      address.host = std::string(rest.substr(1, close - 1));
      std::string_view after = rest.substr(close + 1);
      if (!after.empty() && (after.front() == ':' || after.front() == ','))
        address.port = Trim(after.substr(1));
      return address;
    }
  }
  size_t comma = rest.rfind(',');
  if (comma != std::string_view::npos) {
    address.host = LocalHostName(Trim(rest.substr(0, comma)), thisComputer);
    address.port = Trim(rest.substr(comma + 1));
    return address;
  }
  // One colon separates the port; several belong to an IPv6 address written without brackets.
  size_t colon = rest.find(':');
  if (colon != std::string_view::npos && rest.find(':', colon + 1) == std::string_view::npos &&
      IsDigits(Trim(rest.substr(colon + 1)))) {
    address.host = LocalHostName(Trim(rest.substr(0, colon)), thisComputer);
    address.port = Trim(rest.substr(colon + 1));
    return address;
  }
  address.host = LocalHostName(rest, thisComputer);
  return address;
}

std::string OdbcConnectionString(const ServerLogin& login) {
  const bool kerberos = login.kind == BackendKind::SqlServer && login.integrated;
  const ServerAddress address =
      SplitServerAddress(login.server, kerberos ? ThisComputersName() : "localhost");
  // Entries with their text as the driver reads it.
  std::vector<std::pair<std::string, std::string>> entries;
  auto add = [&](const char* key, std::string_view value) {
    entries.emplace_back(key, QuoteConnectionValue(value));
  };
  if (login.kind == BackendKind::PostgreSql) {
    // psqlODBC takes Server, Database and UID up to the next ';', braces and all, and decodes a
    // PWD without braces like a web address ('+' a blank, "%41" an 'A'). So PWD always goes in
    // braces, and a name psqlODBC cannot take as it stands goes to libpq through pqopt instead.
    std::string libpqOptions;
    auto addName = [&](const char* key, const char* libpqKey, const std::string& value) {
      if (TakenAsItStandsByPsqlOdbc(value)) {
        entries.emplace_back(key, value);
        return;
      }
      if (!libpqOptions.empty()) libpqOptions += ' ';
      libpqOptions += std::string(libpqKey) + "=" + LibpqValue(value);
    };
    addName("Server", "host", address.host);
    if (!address.port.empty()) addName("Port", "port", address.port);
    addName("Database", "dbname", login.database);
    if (!login.integrated) {
      addName("UID", "user", login.user);
      entries.emplace_back("PWD", BracedConnectionValue(login.password));
    }
    if (!libpqOptions.empty()) entries.emplace_back("pqopt", BracedConnectionValue(libpqOptions));
    add("UseServerSidePrepare", "1");
    add("Protocol", "7.4-0");
    add("UseDeclareFetch", "0");
    add("BoolsAsChar", "0");
    add("ByteaAsLongVarBinary", "1");
    add("LFConversion", "0");
    add("CommLog", "0");
    add("Debug", "0");
  } else {
    // FreeTDS takes a braced value as it stands, up to its '}': a '}' in a value can neither be
    // doubled nor passed. Such a value is refused, named by its entry in the company's string.
    auto addPlain = [&](const char* key, const char* entry, std::string_view value) {
      if (value.find('}') != std::string_view::npos)
        throw DbError(DbError::Kind::Open, Fill(odbc::text::kBraceForFreeTds, {entry}));
      add(key, value);
    };
    addPlain("Server", "Data Source", address.host);
    if (!address.port.empty()) add("Port", address.port);
    addPlain("Database", "Initial Catalog", login.database);
    if (login.integrated) {
      add("Trusted_Connection", "Yes");
    } else {
      addPlain("UID", "User ID", login.user);
      addPlain("PWD", "Password", login.password);
    }
    add("TDS_Version", "7.4");
    add("ClientCharset", "UTF-8");
  }
  // The driver's name always in braces: Debian's names contain blanks.
  std::string out = "Driver=" + BracedConnectionValue(OdbcDriver(login.kind));
  for (const auto& [key, value] : entries) out += ";" + key + "=" + value;
  return out;
}

}  // namespace velra
