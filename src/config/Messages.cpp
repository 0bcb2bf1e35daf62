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

std::string CompanyLeftOut(std::string_view name, std::string_view reason) {
  return "Die Firma " + Quoted(name) + " wird nicht angezeigt: " + std::string(reason);
}
std::string CompanyNotSelectable(std::string_view name, std::string_view reason) {
  return "Die Firma " + Quoted(name) + " kann nicht gewählt werden: " + std::string(reason);
}
std::string CompanyNameUnusable() {
  return "Ihr Name kann kein Dateiname sein: Er enthält '/', '\\' oder ein Steuerzeichen oder "
         "ist '.' oder '..'.";
}
std::string KeyMissing(std::string_view file, std::string_view section, std::string_view key) {
  return "In der Datei " + Quoted(file) + " fehlt der Wert [" + std::string(section) + "] " +
         std::string(key) + ".";
}
std::string ValueInvalid(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view value, std::string_view allowed) {
  return "In der Datei " + Quoted(file) + " ist [" + std::string(section) + "] " +
         std::string(key) + "=" + std::string(value) + " ungültig; möglich sind " +
         std::string(allowed) + ".";
}
std::string InheritedDatabaseTypeInvalid(std::string_view registry, std::string_view company,
                                         std::string_view environment, int32_t type) {
  return "Ihr Abschnitt [" + std::string(company) + "] in der Datei " + Quoted(registry) +
         " nennt keinen Datenbanktyp (databasetype), und der Vorgabewert [program] databasetype=" +
         std::to_string(type) + " aus der Datei " + Quoted(environment) +
         " ist ungültig; möglich sind " + std::string(kDatabaseTypes) + ".";
}
std::string PathMayBeCut(std::string_view registry, std::string_view company) {
  return "Der Wert [" + std::string(company) + "] path in der Datei " + Quoted(registry) +
         " ist so lang, wie die Suite ihn höchstens liest, und womöglich abgeschnitten; er kann "
         "dann einen anderen Ordner nennen. Der Eintrag im Firmenverzeichnis bleibt erhalten.";
}
std::string CompanyFolderUnreachable(std::string_view folder) {
  return "Ihr Ordner " + Quoted(folder) +
         " ist nicht erreichbar. Der Eintrag im Firmenverzeichnis bleibt erhalten.";
}
std::string WindowsFolderMissing(std::string_view written, std::string_view folder) {
  return "Ihr Ordner ist als " + Quoted(written) +
         " angegeben, wie unter Windows geschrieben. Unter Linux muss der Ordner so vorhanden "
         "sein, wie er dasteht, mit '/' statt '\\': " +
         Quoted(folder) + " gibt es nicht. Der Eintrag im Firmenverzeichnis bleibt erhalten.";
}
std::string DatabaseLinkUnreachable(std::string_view database, std::string_view target) {
  return "Ihre Datenbank " + Quoted(database) + " ist eine Verknüpfung auf " + Quoted(target) +
         ", das nicht erreichbar ist (etwa ein nicht eingebundenes Netzlaufwerk). Der Eintrag im "
         "Firmenverzeichnis bleibt erhalten.";
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
std::string CompanyNotFound(std::string_view name, std::string_view companies) {
  return "Die Firma " + Quoted(name) + " gibt es nicht. Vorhanden sind: " + std::string(companies) +
         ".";
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
