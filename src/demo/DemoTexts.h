#pragma once
// The German texts of the demo environment and its server company. Placeholders are %1, %2 ...,
// filled by Fill (base/Text.h).

namespace velra::demo_texts {

inline constexpr const char* kFileNotCreated = "Die Datei '%1' kann nicht angelegt werden.";
inline constexpr const char* kFileNotWritten = "Die Datei '%1' kann nicht geschrieben werden.";
inline constexpr const char* kTemplateMissing = "Die Vorlage '%1' fehlt im Programm.";
inline constexpr const char* kEnvironmentExists =
    "Der Ordner '%1' enthält bereits eine Umgebungsdatei (velra.var). Wählen Sie einen leeren "
    "Ordner oder ersetzen Sie die Demo-Umgebung ausdrücklich (--replace).";
inline constexpr const char* kNoEnvironment =
    "Im Ordner '%1' gibt es keine Demo-Umgebung (velra.var fehlt).";

// The server company.
inline constexpr const char* kNotAServer =
    "Der Anbieter '%1' ist kein Datenbankserver, den der Importassistent kennt (PostgreSQL oder "
    "ein Anbieter für SQL Server).";
inline constexpr const char* kNoServer = "Der Datenbankserver ist nicht angegeben.";
inline constexpr const char* kNotACatalogName =
    "Der Name '%1' taugt nicht als Name der Datenbank: erlaubt sind Buchstaben (A-Z, a-z), "
    "Ziffern und '_', am Anfang ein Buchstabe, höchstens 63 Zeichen.";
// %1 the database, %2 the server.
inline constexpr const char* kCatalogExists =
    "Die Datenbank '%1' gibt es auf dem Server '%2' bereits. Ersetzen Sie sie ausdrücklich "
    "(--replace); ihre Daten gehen dabei verloren.";

// What failed while writing; %1 (%2) why, a sentence or kPathFailed.
inline constexpr const char* kEnvironmentNotCreated =
    "Die Demo-Umgebung konnte nicht angelegt werden: %1";
inline constexpr const char* kServerCompanyNotCreated =
    "Die Serverfirma '%1' konnte nicht angelegt werden: %2";
// %1 the file or folder, %2 the system's reason.
inline constexpr const char* kPathFailed = "'%1': %2";

}  // namespace velra::demo_texts
