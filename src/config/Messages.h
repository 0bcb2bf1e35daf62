#pragma once
// The German texts of the configuration module, in one place.

#include <cstdint>
#include <string>
#include <string_view>

namespace velra::messages {

// A German description of a system error number.
std::string SystemReason(int errorNumber);

std::string FileMissing(std::string_view path);
std::string FileUnreadable(std::string_view path, int errorNumber);
std::string NotARegularFile(std::string_view path);
std::string FileTooLarge(std::string_view path);
std::string FileNotWritable(std::string_view path, int errorNumber);
std::string NotEncodable(std::string_view path);

std::string EnvironmentFileProblem(std::string_view reason);
std::string EnvironmentValueInvalid(std::string_view file, std::string_view section,
                                    std::string_view key, std::string_view value);
std::string RegistryWithoutCompanies(std::string_view file);

// Why a company is not in the list, or cannot be chosen; `reason` is one of the sentences below.
std::string CompanyLeftOut(std::string_view name, std::string_view reason);
std::string CompanyNotSelectable(std::string_view name, std::string_view reason);
std::string CompanyNameUnusable();
std::string KeyMissing(std::string_view file, std::string_view section, std::string_view key);
std::string ValueInvalid(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view value, std::string_view allowed);
std::string InheritedDatabaseTypeInvalid(std::string_view registry, std::string_view company,
                                         std::string_view environment, int32_t type);
std::string PathMayBeCut(std::string_view registry, std::string_view company);
std::string CompanyFolderUnreachable(std::string_view folder);
std::string WindowsFolderMissing(std::string_view written, std::string_view folder);
std::string DatabaseLinkUnreachable(std::string_view database, std::string_view target);
std::string CompanyRemoved(std::string_view name, std::string_view database);
std::string RegistryNotCleaned(std::string_view file, std::string_view reason);
std::string CompanyNotFound(std::string_view name, std::string_view companies);
std::string OptionsUnavailable(std::string_view reason);
std::string OptionNotStored(std::string_view section, std::string_view key,
                            std::string_view reason);

inline constexpr std::string_view kDatabaseTypes = "0 (Dateifirma) und 1 (Serverfirma)";
inline constexpr std::string_view kAuthentications =
    "0 (Anmeldung mit Benutzer und Kennwort) und 1 (integrierte Anmeldung)";
inline constexpr std::string_view kInstallModes = "0, 1 und 2";
inline constexpr std::string_view kAlreadyRunning = "Der Importassistent wurde bereits gestartet.";
inline constexpr std::string_view kNoCompanies =
    "Es sind keine Firmen vorhanden.\r\nDer Importassistent wird nun beendet.";

// The sentences behind the functions above; %1, %2 ... are filled by Fill (base/Text.h).
inline constexpr const char* kSystemError = "Systemfehler: %1";
inline constexpr const char* kFileMissing = "Die Datei '%1' ist nicht vorhanden.";
// %2 a sentence of SystemReason.
inline constexpr const char* kFileUnreadable = "Die Datei '%1' kann nicht gelesen werden: %2";
inline constexpr const char* kNotARegularFile = "Die Datei '%1' ist keine gewöhnliche Datei.";
inline constexpr const char* kFileTooLarge =
    "Die Datei '%1' ist zu groß für eine Einstellungsdatei.";
inline constexpr const char* kFileNotWritable = "Die Datei '%1' kann nicht geschrieben werden: %2";
inline constexpr const char* kNotEncodable =
    "Die Datei '%1' wurde nicht geändert: Der neue Text enthält Zeichen, die in der "
    "Zeichenkodierung der Datei nicht darstellbar sind.";
inline constexpr const char* kEnvironmentFileProblem =
    "Umgebungsdatei: %1 Es gelten die Voreinstellungen.";
// %1 the file, %2 the value, %3 the section, %4 the key.
inline constexpr const char* kEnvironmentValueInvalid =
    "In der Datei '%1' ist der Wert '%2' von [%3] %4 keine Zahl; es gilt 0.";
inline constexpr const char* kRegistryWithoutCompanies =
    "Das Firmenverzeichnis '%1' enthält keine Firma.";
inline constexpr const char* kCompanyLeftOut = "Die Firma '%1' wird nicht angezeigt: %2";
inline constexpr const char* kCompanyNotSelectable = "Die Firma '%1' kann nicht gewählt werden: %2";
inline constexpr const char* kCompanyNameUnusable =
    "Ihr Name kann kein Dateiname sein: Er enthält '/', '\\' oder ein Steuerzeichen oder ist "
    "'.' oder '..'.";
// %1 the file, %2 the section, %3 the key.
inline constexpr const char* kKeyMissing = "In der Datei '%1' fehlt der Wert [%2] %3.";
// %1 the file, %2 the section, %3 the key, %4 the value, %5 the allowed values.
inline constexpr const char* kValueInvalid =
    "In der Datei '%1' ist [%2] %3=%4 ungültig; möglich sind %5.";
// %1 the company, %2 the registry, %3 the type, %4 the environment file, %5 the allowed types.
inline constexpr const char* kInheritedDatabaseTypeInvalid =
    "Ihr Abschnitt [%1] in der Datei '%2' nennt keinen Datenbanktyp (databasetype), und der "
    "Vorgabewert [program] databasetype=%3 aus der Datei '%4' ist ungültig; möglich sind %5.";
// %1 the company, %2 the registry.
inline constexpr const char* kPathMayBeCut =
    "Der Wert [%1] path in der Datei '%2' ist so lang, wie die Suite ihn höchstens liest, und "
    "womöglich abgeschnitten; er kann dann einen anderen Ordner nennen. Der Eintrag im "
    "Firmenverzeichnis bleibt erhalten.";
inline constexpr const char* kCompanyFolderUnreachable =
    "Ihr Ordner '%1' ist nicht erreichbar. Der Eintrag im Firmenverzeichnis bleibt erhalten.";
// %1 the folder as written, %2 the folder as looked for.
inline constexpr const char* kWindowsFolderMissing =
    "Ihr Ordner ist als '%1' angegeben, wie unter Windows geschrieben. Unter Linux muss der "
    "Ordner so vorhanden sein, wie er dasteht, mit '/' statt '\\': '%2' gibt es nicht. Der "
    "Eintrag im Firmenverzeichnis bleibt erhalten.";
inline constexpr const char* kDatabaseLinkUnreachable =
    "Ihre Datenbank '%1' ist eine Verknüpfung auf '%2', das nicht erreichbar ist (etwa ein nicht "
    "eingebundenes Netzlaufwerk). Der Eintrag im Firmenverzeichnis bleibt erhalten.";
inline constexpr const char* kCompanyRemoved =
    "Die Firma '%1' wurde aus dem Firmenverzeichnis entfernt: Ihre Datenbank '%2' ist nicht "
    "vorhanden.";
inline constexpr const char* kRegistryNotCleaned =
    "Firmen ohne Datenbank konnten nicht aus dem Firmenverzeichnis '%1' entfernt werden: %2";
inline constexpr const char* kCompanyNotFound = "Die Firma '%1' gibt es nicht. Vorhanden sind: %2.";
inline constexpr const char* kOptionsUnavailable =
    "Die Firmeneinstellungen können nicht gelesen werden: %1";
// %1 the section, %2 the key, %3 why.
inline constexpr const char* kOptionNotStored =
    "Die Firmeneinstellung [%1] %2 konnte nicht gespeichert werden: %3";
// %1 the lock file, %2 the system's reason.
inline constexpr const char* kLockNotCreated =
    "Die Sperrdatei '%1' konnte nicht angelegt werden: %2.";
inline constexpr const char* kLockNotTaken =
    "Die Sperrdatei '%1' konnte nicht gesperrt werden: %2.";

}  // namespace velra::messages
