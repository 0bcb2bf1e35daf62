#pragma once
// The German sentences of the company database, for both kinds of company. Placeholders are %1,
// %2 ..., filled by Fill (base/Text.h); a reason of the database or its driver comes last.

namespace velra::db_texts {

inline constexpr const char* kUnknownProvider =
    "Der Datenbankanbieter '%1' der Firmendatenbank ist unbekannt.";
inline constexpr const char* kTableMissing =
    "Die Tabelle '%1' gibt es in der Firmendatenbank nicht.";
inline constexpr const char* kNoIdField = "Die Tabelle '%1' hat kein Feld 'ID'.";
inline constexpr const char* kNulInText =
    "Ein Text enthält das Steuerzeichen NUL (U+0000), das die Firmendatenbank nicht speichern "
    "kann.";
inline constexpr const char* kNoIdsOfRows =
    "Die Datenbank hat nicht zu jedem neuen Datensatz der Tabelle '%1' die ID genannt.";
inline constexpr const char* kRejected = "Die Firmendatenbank hat den Datensatz abgelehnt: %1";
// %1 the database, %2 the reason.
inline constexpr const char* kFailed = "Fehler in der Firmendatenbank '%1': %2";

// A file company's database; %1 its file.
inline constexpr const char* kNoFile =
    "Die Verbindungsangaben der Firmendatenbank nennen keine Datei (Data Source).";
inline constexpr const char* kFileMissing =
    "Die Firmendatenbank '%1' ist nicht vorhanden oder nicht lesbar.";
inline constexpr const char* kFileEmpty = "Die Firmendatenbank '%1' ist leer und keine Datenbank.";
inline constexpr const char* kCannotOpen =
    "Die Firmendatenbank '%1' kann nicht geöffnet werden: %2";
inline constexpr const char* kOutOfMemory = "kein Speicher";
inline constexpr const char* kReadOnly =
    "Die Firmendatenbank '%1' ist schreibgeschützt: Der Importassistent braucht Schreibrecht auf "
    "die Datei und ihren Ordner.";
inline constexpr const char* kFileLocked =
    "Die Firmendatenbank '%1' ist gesperrt, weil ein anderes Programm gerade in sie schreibt. "
    "Bitte versuchen Sie es später noch einmal.";
inline constexpr const char* kDamaged = "Die Firmendatenbank '%1' ist beschädigt (%2).";
inline constexpr const char* kDiskFull =
    "Die Firmendatenbank '%1' kann nicht geschrieben werden: Auf dem Datenträger ist kein Platz "
    "mehr frei.";
inline constexpr const char* kAccessFile =
    "Die Datei '%1' ist eine Microsoft-Access-Datenbank. Der Importassistent führt die "
    "Firmendatenbank einer Dateifirma als SQLite-Datenbank; bitte übernehmen Sie die Firma zuerst "
    "mit dem Umstellungswerkzeug der Velra-Suite.";

}  // namespace velra::db_texts
