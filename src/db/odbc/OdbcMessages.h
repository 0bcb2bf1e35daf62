#pragma once
// The German sentences of the server company's database. Placeholders are %1, %2 ..., filled by
// Fill (base/Text.h); the driver's reason comes last. The sentences both kinds of company share
// are in db/DbTexts.h.

namespace velra::odbc::text {

// %1 the database, %2 the server, %3 the driver's reason.
inline constexpr const char* kConnectionLost =
    "Die Verbindung zur Firmendatenbank '%1' auf dem Server '%2' ist unterbrochen: %3";
// %1 the driver, %2 the driver manager's reason.
// %1 the entry of the company's connection string ("Password", "User ID", ...).
inline constexpr const char* kBraceForFreeTds =
    "Der Wert von '%1' in der Verbindung der Firma enthält das Zeichen '}', das der Treiber für "
    "SQL Server (FreeTDS) nicht weitergeben kann. Bitte wählen Sie einen Wert ohne '}'.";
inline constexpr const char* kDriverMissing = "Der ODBC-Treiber '%1' ist nicht eingerichtet (%2)";
// %1 server and database, %2 the driver's reason.
inline constexpr const char* kLocked =
    "Die Firmendatenbank '%1' ist gesperrt, weil ein anderes Programm gerade in sie schreibt; "
    "bitte versuchen Sie es später noch einmal (%2).";
inline constexpr const char* kDenied =
    "Die Anmeldung an der Firmendatenbank '%1' hat nicht das Recht, in sie zu schreiben: %2";
inline constexpr const char* kBadParameter = "Die Anweisung hat keinen Parameter Nummer %1.";

// Why the connection could not be opened; %3 (%4) the driver's message.
// %1 the server, %2 the database.
inline constexpr const char* kServerUnreachable =
    "Der Datenbankserver '%1' ist nicht erreichbar, deshalb kann die Firmendatenbank '%2' nicht "
    "geöffnet werden. Bitte prüfen Sie, ob der Server läuft und ob sein Name und Port in den "
    "Verbindungsangaben stimmen. Meldung des Treibers: %3";
// %1 empty or kOfUser, %2 the server, %3 the database.
inline constexpr const char* kLoginRefused =
    "Die Anmeldung%1 am Datenbankserver '%2' wurde abgelehnt, deshalb kann die Firmendatenbank "
    "'%3' nicht geöffnet werden. Bitte prüfen Sie Benutzername und Kennwort in den "
    "Verbindungsangaben. Meldung des Treibers: %4";
inline constexpr const char* kOfUser = " des Benutzers '%1'";
// %1 the database, %2 the server.
inline constexpr const char* kDatabaseMissing =
    "Die Datenbank '%1' gibt es auf dem Server '%2' nicht. Die Datenbank einer Firma auf dem "
    "Server heißt wie die Firma; bitte prüfen Sie den Namen der Firma und den Server in den "
    "Verbindungsangaben. Meldung des Treibers: %3";
// %1 the database, %2 the server.
inline constexpr const char* kCannotConnect =
    "Die Verbindung zur Firmendatenbank '%1' auf dem Server '%2' ist nicht möglich: %3";

// After a failed integrated login to SQL Server: what the driver needs for it.
inline constexpr const char* kKerberosHint =
    " Die integrierte Anmeldung braucht ein Kerberos-Ticket des Benutzers (mit 'kinit' "
    "anfordern); ohne Ticket tragen Sie bitte Benutzer und Kennwort der Firma in velra.var ein.";

inline constexpr const char* kNoServer =
    "Die Verbindungsangaben der Firmendatenbank nennen keinen Server (Data Source).";
inline constexpr const char* kNoDatabase =
    "Die Verbindungsangaben der Firmendatenbank nennen keine Datenbank (Initial Catalog).";
inline constexpr const char* kNoEnvironment =
    "Der ODBC-Treibermanager (unixODBC) kann nicht verwendet werden.";
inline constexpr const char* kUnknownReason = "Der ODBC-Treiber nennt keinen Grund.";
inline constexpr const char* kTransactionOpen = "Es ist bereits eine Transaktion offen.";
inline constexpr const char* kNoTransaction =
    "Ein Sicherungspunkt ist nur innerhalb einer Transaktion möglich.";
inline constexpr const char* kNoSavepoint =
    "Es gibt keinen Sicherungspunkt, zu dem zurückgekehrt werden kann.";
inline constexpr const char* kTransactionAborted =
    "Die Änderungen der Transaktion wurden verworfen, weil eine Anweisung darin fehlgeschlagen "
    "ist.";
inline constexpr const char* kTransactionEndedByServer =
    "Der Server hat die ganze Transaktion zurückgesetzt, etwa weil er sie zum Auflösen einer "
    "gegenseitigen Sperre gewählt hat: auch die Änderungen vor dieser Anweisung sind verworfen.";

}  // namespace velra::odbc::text
