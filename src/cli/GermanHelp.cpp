#include "cli/GermanHelp.h"

#include <string>
#include <string_view>
#include <utility>

#ifndef VELRA_VERSION
#error "VELRA_VERSION comes from the project's version in CMakeLists.txt"
#endif

namespace velra::cli {

namespace {

constexpr const char* kOptionsGroup = "Optionen";
constexpr const char* kCommandsGroup = "Befehle";
constexpr const char* kHelpFlag = "Diese Hilfe zeigen und beenden";
constexpr const char* kVersionFlag = "Die Version zeigen und beenden";

// The library's words in the help and ours.
constexpr std::pair<const char*, const char*> kLabels[] = {
    {"Usage", "Aufruf"},        {"OPTIONS", "OPTIONEN"},      {"SUBCOMMAND", "BEFEHL"},
    {"SUBCOMMANDS", "BEFEHLE"}, {"Positionals", "Argumente"}, {"REQUIRED", "PFLICHT"},
    {"Env", "Umgebung"},        {"Needs", "braucht"},         {"Excludes", "schließt aus"},
};

// The placeholders of values, by the library's names of their types.
constexpr std::pair<std::string_view, const char*> kValueNames[] = {
    {"INT", "ZAHL"},   {"UINT", "ZAHL"},  {"FLOAT", "ZAHL"}, {"BOOLEAN", "JA|NEIN"},
    {"FILE", "DATEI"}, {"DIR", "ORDNER"}, {"PATH", "PFAD"},
};

// The placeholder of the option's value in German. The library writes the description of a
// check after it ("INT:0 bis 4") and looks only the whole up among the labels.
void NameValueInGerman(CLI::Option& option) {
  const std::string written = option.get_type_name();
  const std::string_view type = std::string_view(written).substr(0, written.find(':'));
  for (const auto& [word, ours] : kValueNames)
    if (type == word) option.type_name(ours);
}

void NameValuesInGerman(CLI::App& app) {
  for (CLI::Option* option : app.get_options()) NameValueInGerman(*option);
}

}  // namespace

void PrepareGermanHelp(CLI::App& app) {
  for (const auto& [word, ours] : kLabels) app.get_formatter()->label(word, ours);
  app.option_defaults()->group(kOptionsGroup);
  app.set_help_flag("-h,--help", kHelpFlag);
  app.set_version_flag("--version", "importassistent-cli " VELRA_VERSION, kVersionFlag);
}

void FinishGermanHelp(CLI::App& app) {
  NameValuesInGerman(app);
  for (CLI::App* command : app.get_subcommands({})) {
    command->group(kCommandsGroup);
    if (CLI::Option* help = command->get_help_ptr()) help->group(kOptionsGroup);
    FinishGermanHelp(*command);
  }
}

}  // namespace velra::cli
