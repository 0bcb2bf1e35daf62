#include "db/odbc/Diagnostics.h"

#include <sqlucode.h>

#include <algorithm>

#include "base/Text.h"
#include "db/odbc/OdbcMessages.h"
#include "db/odbc/Utf16.h"

namespace velra::odbc {

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

std::vector<DriverDiagnostic> ReadDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::vector<DriverDiagnostic> records;
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
    DriverDiagnostic diagnostic;
    diagnostic.state = Utf8(state, 5);
    diagnostic.native = native;
    diagnostic.message = CleanMessage(
        Utf8(message.data(),
             std::min(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), message.size())));
    records.push_back(std::move(diagnostic));
  }
  return records;
}

std::string ReasonOf(const std::vector<DriverDiagnostic>& records, const std::string& secret) {
  std::string reason;
  for (const DriverDiagnostic& record : records) {
    if (record.message.empty() || reason.find(record.message) != std::string::npos) continue;
    if (!reason.empty()) reason += reason.back() == '.' ? " " : "; ";
    reason += record.message;
  }
  if (reason.empty()) return text::kUnknownReason;
  // No driver is known to repeat a password, but a message must never carry one.
  if (secret.size() >= 3) reason = ReplaceAll(reason, secret, "***");
  return reason;
}

}  // namespace velra::odbc
