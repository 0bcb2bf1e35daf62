#pragma once
// The German texts of import profiles and learned mappings, exactly as the user reads them.
// Placeholders are %1, %2 ..., filled by Fill (base/Text.h).

namespace velra::profile_texts {

// Reading and saving a profile; %1 its path, %2 why not, a sentence.
inline constexpr const char* kNotRead = "Das Profil '%1' kann nicht gelesen werden: %2";
inline constexpr const char* kNotSaved = "Das Profil '%1' kann nicht gespeichert werden: %2";
inline constexpr const char* kNoProfileFile = "Es wurde keine Profildatei angegeben.";
inline constexpr const char* kNoSaveFile = "Es wurde keine Datei für das Profil angegeben.";
inline constexpr const char* kNewerVersion =
    "Das Profil '%1' wurde mit einer neueren Version des Importassistenten gespeichert (Version "
    "%2) und kann mit dieser Version nicht gelesen werden.";
inline constexpr const char* kTooLargeToRead =
    "Die Datei ist größer als 4 MiB und damit kein Importprofil.";
inline constexpr const char* kTooLargeToSave =
    "Es wäre größer als 4 MiB und könnte nicht wieder gelesen werden.";
inline constexpr const char* kEmptyFile = "Die Datei ist leer.";
inline constexpr const char* kNoVersion = "Die Angabe 'version' fehlt.";
inline constexpr const char* kNoMemory = "Der Arbeitsspeicher reicht nicht aus.";
inline constexpr const char* kNotAProfile = "Der Inhalt hat nicht den Aufbau eines Importprofils.";

// What is wrong with the content; %1 an entry's key such as "settings.priceMode".
inline constexpr const char* kWrongType = "Der Eintrag '%1' muss %2 sein.";
inline constexpr const char* kInvalidValue = "Der Eintrag '%1' hat den ungültigen Wert %2.";
inline constexpr const char* kOutOfRange =
    "Der Eintrag '%1' hat den ungültigen Wert %2 (erlaubt sind 0 bis %3).";
inline constexpr const char* kNotAmong =
    "Der Eintrag '%1' hat den ungültigen Wert '%2' (erlaubt sind %3).";
inline constexpr const char* kNotUtf8Entry =
    "Der Eintrag '%1' enthält Zeichen, die kein gültiges UTF-8 sind.";
inline constexpr const char* kNulEntry = "Der Eintrag '%1' enthält ein Nullzeichen.";
// %2 kOneCharacter or kCharacters.
inline constexpr const char* kTooLong = "Der Eintrag '%1' darf höchstens %2 lang sein.";
inline constexpr const char* kOneCharacter = "ein Zeichen";
inline constexpr const char* kCharacters = "%1 Zeichen";
// %1 the position of the column in the mapping, counted from 1.
inline constexpr const char* kColumnWithoutName = "Die %1. Spalte der Zuordnung hat keinen Namen.";
inline constexpr const char* kColumnNotUtf8 =
    "Die %1. Spalte der Zuordnung enthält Zeichen, die kein gültiges UTF-8 sind.";
inline constexpr const char* kColumnNul = "Die %1. Spalte der Zuordnung enthält ein Nullzeichen.";
inline constexpr const char* kColumnWithoutField =
    "Der Spalte '%1' ist kein Datenbankfeld zugeordnet.";
inline constexpr const char* kColumnTwice = "Die Spalte '%1' ist mehrfach zugeordnet.";
inline constexpr const char* kEntryTwice = "Der Eintrag '%1' kommt in einem Objekt mehrfach vor.";
inline constexpr const char* kJsonErrorAt =
    "Der Inhalt ist kein gültiges JSON (Fehler in Zeile %1, Spalte %2).";
inline constexpr const char* kTooDeep = "Der Inhalt ist zu tief verschachtelt.";

// Shared by profiles and learned mappings.
inline constexpr const char* kNotJson = "Der Inhalt ist kein gültiges JSON.";
inline constexpr const char* kNotUtf8 = "Der Inhalt ist nicht in UTF-8 kodiert.";
inline constexpr const char* kNotAnObject = "Der Inhalt ist kein JSON-Objekt.";
inline constexpr const char* kUnknownVersion = "Die Version %1 ist unbekannt.";
inline constexpr const char* kNoRegularFile = "Das ist keine gewöhnliche Datei.";

// The learned mappings; %1 the file's path, %2 why not, a sentence.
inline constexpr const char* kLearnedNotRead =
    "Die gelernten Zuordnungen in '%1' können nicht gelesen werden: %2 Sie werden bei diesem "
    "Import nicht verwendet.";
inline constexpr const char* kLearnedNewer =
    "Die gelernten Zuordnungen in '%1' stammen von einer neueren Version des Importassistenten "
    "(Version %2) und werden nicht verwendet.";
inline constexpr const char* kLearnedNoFolder =
    "Die gelernten Zuordnungen können nicht gespeichert werden: Es ist kein Konfigurationsordner "
    "bekannt (weder XDG_CONFIG_HOME noch HOME ist gesetzt).";
inline constexpr const char* kLearnedNotSaved =
    "Die gelernten Zuordnungen können nicht in '%1' gespeichert werden: %2";
inline constexpr const char* kLearnedKept =
    "Die vorhandene Datei konnte nicht gelesen werden und wird daher nicht überschrieben.";
inline constexpr const char* kFolderNotCreated = "Der Ordner '%1' kann nicht angelegt werden: %2";
inline constexpr const char* kNotMovedAside =
    "Die vorhandene, nicht lesbare Datei kann nicht nach '%1' verschoben werden: %2";
inline constexpr const char* kUnexpectedLayout = "Der Inhalt hat nicht den erwarteten Aufbau.";
inline constexpr const char* kStoreTooLarge = "Die Datei ist größer als 4 MiB.";
// %1 where, e.g. "der Datei".
inline constexpr const char* kEntryMissing = "Bei %1 fehlt der Eintrag '%2'.";
inline constexpr const char* kEntryNotAnObject = "Ein Eintrag in '%1' ist kein Objekt.";

}  // namespace velra::profile_texts
