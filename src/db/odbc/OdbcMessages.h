#pragma once
// The German sentences of the server company's database; the driver's reason follows after the
// colon where a sentence ends in one.

#include <string>

namespace velra::odbc::text {

std::string ConnectionLost(const std::string& database, const std::string& server);
std::string DriverMissing(const std::string& driver);
std::string Locked(const std::string& name);
std::string Failed(const std::string& name);
std::string Denied(const std::string& name);

inline constexpr const char* kNoServer =
    "Die Verbindungsangaben der Firmendatenbank nennen keinen Server (Data Source).";
inline constexpr const char* kNoDatabase =
    "Die Verbindungsangaben der Firmendatenbank nennen keine Datenbank (Initial Catalog).";
inline constexpr const char* kNoEnvironment =
    "Der ODBC-Treibermanager (unixODBC) kann nicht verwendet werden.";
inline constexpr const char* kRejected = "Die Firmendatenbank hat den Datensatz abgelehnt: ";
inline constexpr const char* kUnknownReason = "Der ODBC-Treiber nennt keinen Grund.";
inline constexpr const char* kTransactionOpen = "Es ist bereits eine Transaktion offen.";
inline constexpr const char* kNoTransaction =
    "Ein Sicherungspunkt ist nur innerhalb einer Transaktion möglich.";
inline constexpr const char* kNoSavepoint =
    "Es gibt keinen Sicherungspunkt, zu dem zurückgekehrt werden kann.";
inline constexpr const char* kTransactionAborted =
    "Die Änderungen der Transaktion wurden verworfen, weil eine Anweisung darin fehlgeschlagen "
    "ist.";
inline constexpr const char* kBadParameter = "Die Anweisung hat keinen Parameter Nummer ";
inline constexpr const char* kNulInText =
    "Ein Text enthält das Steuerzeichen NUL (U+0000), das die Firmendatenbank nicht speichern "
    "kann.";

}  // namespace velra::odbc::text
