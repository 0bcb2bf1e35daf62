#include "config/Messages.h"

#include <cerrno>
#include <cstring>

#include "base/Text.h"

namespace velra::messages {

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
      return Fill(kSystemError, {std::strerror(errorNumber)});
  }
}

std::string FileMissing(std::string_view path) {
  return Fill(kFileMissing, {path});
}
std::string FileUnreadable(std::string_view path, int errorNumber) {
  return Fill(kFileUnreadable, {path, SystemReason(errorNumber)});
}
std::string NotARegularFile(std::string_view path) {
  return Fill(kNotARegularFile, {path});
}
std::string FileTooLarge(std::string_view path) {
  return Fill(kFileTooLarge, {path});
}
std::string FileNotWritable(std::string_view path, int errorNumber) {
  return Fill(kFileNotWritable, {path, SystemReason(errorNumber)});
}
std::string NotEncodable(std::string_view path) {
  return Fill(kNotEncodable, {path});
}

std::string EnvironmentFileProblem(std::string_view reason) {
  return Fill(kEnvironmentFileProblem, {reason});
}
std::string EnvironmentValueInvalid(std::string_view file, std::string_view section,
                                    std::string_view key, std::string_view value) {
  return Fill(kEnvironmentValueInvalid, {file, value, section, key});
}
std::string RegistryWithoutCompanies(std::string_view file) {
  return Fill(kRegistryWithoutCompanies, {file});
}

std::string CompanyLeftOut(std::string_view name, std::string_view reason) {
  return Fill(kCompanyLeftOut, {name, reason});
}
std::string CompanyNotSelectable(std::string_view name, std::string_view reason) {
  return Fill(kCompanyNotSelectable, {name, reason});
}
std::string CompanyNameUnusable() {
  return kCompanyNameUnusable;
}
std::string KeyMissing(std::string_view file, std::string_view section, std::string_view key) {
  return Fill(kKeyMissing, {file, section, key});
}
std::string ValueInvalid(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view value, std::string_view allowed) {
  return Fill(kValueInvalid, {file, section, key, value, allowed});
}
std::string InheritedDatabaseTypeInvalid(std::string_view registry, std::string_view company,
                                         std::string_view environment, int32_t type) {
  return Fill(kInheritedDatabaseTypeInvalid,
              {company, registry, std::to_string(type), environment, kDatabaseTypes});
}
std::string PathMayBeCut(std::string_view registry, std::string_view company) {
  return Fill(kPathMayBeCut, {company, registry});
}
std::string CompanyFolderUnreachable(std::string_view folder) {
  return Fill(kCompanyFolderUnreachable, {folder});
}
std::string WindowsFolderMissing(std::string_view written, std::string_view folder) {
  return Fill(kWindowsFolderMissing, {written, folder});
}
std::string DatabaseLinkUnreachable(std::string_view database, std::string_view target) {
  return Fill(kDatabaseLinkUnreachable, {database, target});
}
std::string CompanyRemoved(std::string_view name, std::string_view database) {
  return Fill(kCompanyRemoved, {name, database});
}
std::string RegistryNotCleaned(std::string_view file, std::string_view reason) {
  return Fill(kRegistryNotCleaned, {file, reason});
}
std::string CompanyNotFound(std::string_view name, std::string_view companies) {
  return Fill(kCompanyNotFound, {name, companies});
}
std::string OptionsUnavailable(std::string_view reason) {
  return Fill(kOptionsUnavailable, {reason});
}
std::string OptionNotStored(std::string_view section, std::string_view key,
                            std::string_view reason) {
  return Fill(kOptionNotStored, {section, key, reason});
}

}  // namespace velra::messages
