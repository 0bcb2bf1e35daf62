#include "config/Messages.h"

#include <cerrno>
#include <cstring>

namespace velra::messages {

namespace {
std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}
}  // namespace

std::string SystemReason(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
      return "Die Datei oder der Ordner ist nicht vorhanden.";
    case EACCES:
    case EPERM:
      return "Es fehlt die Berechtigung.";
    case ENOSPC:
      return "Auf dem Datenträger ist kein Platz mehr frei.";
    case EROFS:
      return "Der Datenträger ist schreibgeschützt.";
    case EISDIR:
      return "Das ist ein Ordner, keine Datei.";
    case ENOTDIR:
      return "Ein Teil des Pfades ist kein Ordner.";
    case EIO:
      return "Ein Ein-/Ausgabefehler ist aufgetreten.";
    case ELOOP:
      return "Die symbolischen Verknüpfungen führen im Kreis oder sind zu viele hintereinander.";
    case ENAMETOOLONG:
      return "Der Name ist zu lang.";
    case EDQUOT:
      return "Das Speicherkontingent ist erschöpft.";
    default:
      return std::string("Systemfehler: ") + std::strerror(errorNumber);
  }
}

std::string FileMissing(std::string_view path) {
  return "Die Datei " + Quoted(path) + " ist nicht vorhanden.";
}
std::string FileUnreadable(std::string_view path, int errorNumber) {
  return "Die Datei " + Quoted(path) + " kann nicht gelesen werden: " + SystemReason(errorNumber);
}
std::string NotARegularFile(std::string_view path) {
  return "Die Datei " + Quoted(path) + " ist keine gewöhnliche Datei.";
}
std::string FileTooLarge(std::string_view path) {
  return "Die Datei " + Quoted(path) + " ist zu groß für eine Einstellungsdatei.";
}
std::string FileNotWritable(std::string_view path, int errorNumber) {
  return "Die Datei " + Quoted(path) +
         " kann nicht geschrieben werden: " + SystemReason(errorNumber);
}
std::string NotEncodable(std::string_view path) {
  return "Die Datei " + Quoted(path) +
         " wurde nicht geändert: Der neue Text enthält Zeichen, die in der Zeichenkodierung der "
         "Datei nicht darstellbar sind.";
}

std::string EnvironmentFileProblem(std::string_view reason) {
  return "Umgebungsdatei: " + std::string(reason) + " Es gelten die Voreinstellungen.";
}
std::string EnvironmentValueInvalid(std::string_view file, std::string_view section,
                                    std::string_view key, std::string_view value) {
  return "In der Datei " + Quoted(file) + " ist der Wert " + Quoted(value) + " von [" +
         std::string(section) + "] " + std::string(key) + " keine Zahl; es gilt 0.";
}
std::string RegistryWithoutCompanies(std::string_view file) {
  return "Das Firmenverzeichnis " + Quoted(file) + " enthält keine Firma.";
}
std::string CompanyNameUnusable(std::string_view name) {
  return "Die Firma " + Quoted(name) +
         " wird nicht angezeigt: Ihr Name enthält Zeichen, die in einem Dateinamen nicht "
         "vorkommen dürfen.";
}
std::string CompanyWithoutPath(std::string_view name, std::string_view file) {
  return "Die Firma " + Quoted(name) + " wird nicht angezeigt: Im Firmenverzeichnis " +
         Quoted(file) + " fehlt ihr Schlüssel 'path'.";
}
std::string CompanyFolderUnreachable(std::string_view name, std::string_view folder) {
  return "Die Firma " + Quoted(name) + " wird nicht angezeigt: Ihr Ordner " + Quoted(folder) +
         " ist nicht erreichbar. Der Eintrag im Firmenverzeichnis bleibt erhalten.";
}
std::string CompanyRemoved(std::string_view name, std::string_view database) {
  return "Die Firma " + Quoted(name) +
         " wurde aus dem Firmenverzeichnis entfernt: Ihre Datenbank " + Quoted(database) +
         " ist nicht vorhanden.";
}
std::string RegistryNotCleaned(std::string_view file, std::string_view reason) {
  return "Firmen ohne Datenbank konnten nicht aus dem Firmenverzeichnis " + Quoted(file) +
         " entfernt werden: " + std::string(reason);
}
std::string CompanyTypeUnknown(std::string_view name, std::string_view type) {
  return "Die Firma " + Quoted(name) + " wird nicht angezeigt: Der Datenbanktyp " + Quoted(type) +
         " ist unbekannt.";
}
std::string CompanyNotFound(std::string_view name) {
  return "Die Firma " + Quoted(name) + " ist nicht im Firmenverzeichnis.";
}
std::string OptionsUnavailable(std::string_view reason) {
  return "Die Firmeneinstellungen können nicht gelesen werden: " + std::string(reason);
}
std::string OptionNotStored(std::string_view section, std::string_view key,
                            std::string_view reason) {
  return "Die Firmeneinstellung [" + std::string(section) + "] " + std::string(key) +
         " konnte nicht gespeichert werden: " + std::string(reason);
}

}  // namespace velra::messages
