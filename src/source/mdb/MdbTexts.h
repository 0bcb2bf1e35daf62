#pragma once
// The German texts of the Access reader, in one place.

#include <cstdint>
#include <string>
#include <string_view>

#include "source/SourceReader.h"

namespace velra::mdb::texts {

// The password flow of the wizard.
inline constexpr const char* kPasswordTitle = "Kennwort der Datenbank";
inline constexpr const char* kPasswordPrompt = "Geben Sie bitte das Passwort der Datenbank ein.";
inline constexpr const char* kAttemptLabel = "\r\nVersuch: ";
inline constexpr const char* kNoticeTitle = "Hinweis";
inline constexpr const char* kPasswordInvalid = "Das eingegebene Passwort ist ungültig.";
inline constexpr const char* kPasswordRefused =
    "Das Passwort ist leider falsch. Verwenden Sie bitte eine andere Datenbank.";
inline constexpr const char* kErrorTitle = "Fehler";

// Why a single value stays empty or changed.
inline constexpr const char* kValueUnreadable =
    "Der Wert kann nicht gelesen werden und bleibt leer.";
inline constexpr const char* kNumberInvalid = "Der Wert ist keine gültige Zahl und bleibt leer.";
inline constexpr const char* kDateInvalid = "Der Wert ist kein gültiges Datum und bleibt leer.";
inline constexpr const char* kLongValueIncomplete =
    "Der Inhalt ist in der Datei unvollständig gespeichert; übernommen wurde der lesbare Teil.";
inline constexpr const char* kTypeUnsupported =
    "Felder dieses Typs können nicht übernommen werden; die Spalte bleibt leer.";

inline std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, '\'').append(text).append(1, '\'');
  return quoted;
}

// Errors that stop a database or a table from opening.
inline std::string EmptyFile(const std::string& path) {
  return "Die Datei " + Quoted(path) + " ist leer und keine Access-Datenbank.";
}
inline std::string NoAccessDatabase(const std::string& path) {
  return "Die Datei " + Quoted(path) + " ist keine Access-Datenbank.";
}
inline std::string AceNotSupported(const std::string& path) {
  return "Die Datei " + Quoted(path) +
         " ist eine Access-Datenbank ab Version 2007; dieses Format kann nicht gelesen werden.";
}
inline std::string Damaged(const std::string& path) {
  return "Die Access-Datenbank " + Quoted(path) + " ist beschädigt oder unvollständig.";
}
inline std::string PasswordWrong(const std::string& path) {
  return "Das Passwort der Access-Datenbank " + Quoted(path) + " ist falsch.";
}
inline std::string TableNotFound(const std::string& table, const std::string& path) {
  return "Die Tabelle " + Quoted(table) + " ist in der Access-Datenbank " + Quoted(path) +
         " nicht vorhanden.";
}
inline std::string TableDamaged(const std::string& table, const std::string& path) {
  return "Die Tabelle " + Quoted(table) + " der Access-Datenbank " + Quoted(path) +
         " kann nicht gelesen werden; die Datei ist beschädigt.";
}
inline std::string TooManyColumns(const std::string& table, const std::string& path) {
  return "Die Tabelle " + Quoted(table) + " der Access-Datenbank " + Quoted(path) +
         " hat mehr als " + std::to_string(kMaxSourceColumns) + " Spalten.";
}

// Notes of a load.
inline std::string RowsMissing(const std::string& table, uint64_t expected, uint64_t read) {
  return "Die Tabelle " + Quoted(table) + " enthält laut Datei " + std::to_string(expected) +
         " Datensätze, gelesen wurden nur " + std::to_string(read) +
         ". Die Datei ist möglicherweise beschädigt.";
}
inline std::string CatalogIncomplete(const std::string& path) {
  return "Das Tabellenverzeichnis der Access-Datenbank " + Quoted(path) +
         " ist beschädigt; möglicherweise fehlen Tabellen in der Auswahl.";
}
inline std::string Rounded(const std::string& exact, const std::string& rounded) {
  return "Der Wert " + exact + " ist für eine Zahl zu genau und wurde auf " + rounded +
         " gerundet.";
}
inline std::string FieldNote(const std::string& field, size_t column, const std::string& text) {
  return "Feld " + Quoted(field) + " (Spalte " + std::to_string(column) + "): " + text;
}

}  // namespace velra::mdb::texts
