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

}  // namespace velra::messages
