#pragma once
// The German texts of the configuration module, in one place.

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
std::string CompanyNameUnusable(std::string_view name);
std::string CompanyWithoutPath(std::string_view name, std::string_view file);
std::string CompanyFolderUnreachable(std::string_view name, std::string_view folder);
std::string CompanyRemoved(std::string_view name, std::string_view database);
std::string RegistryNotCleaned(std::string_view file, std::string_view reason);
std::string CompanyTypeUnknown(std::string_view name, std::string_view type);
std::string CompanyNotFound(std::string_view name);
std::string OptionsUnavailable(std::string_view reason);
std::string OptionNotStored(std::string_view section, std::string_view key,
                            std::string_view reason);

inline constexpr std::string_view kAlreadyRunning = "Der Importassistent wurde bereits gestartet.";
inline constexpr std::string_view kNoCompanies =
    "Es sind keine Firmen vorhanden.\r\nDer Importassistent wird nun beendet.";

}  // namespace velra::messages
