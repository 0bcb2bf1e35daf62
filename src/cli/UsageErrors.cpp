#include "cli/UsageErrors.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

#include "base/Text.h"
#include "cli/CliTexts.h"

namespace velra::cli {

namespace {

namespace text {
using namespace velra::cli::texts;
std::string MissingCommand(const std::string& commands) {
  return Fill(kMissingCommand, {commands});
}
std::string UnknownCommand(const std::string& word, const std::string& commands) {
  return Fill(kUnknownCommand, {word, commands});
}
std::string UnknownOption(std::string_view option) {
  return Fill(kUnknownOption, {option});
}
std::string StrayValue(const std::string& value) {
  return Fill(kStrayValue, {value});
}
std::string MissingOption(const std::string& option) {
  return Fill(kMissingOption, {option});
}
std::string MissingValue(const std::string& option) {
  return Fill(kMissingValue, {option});
}
std::string Repeated(const std::string& option) {
  return Fill(kRepeatedOption, {option});
}
std::string FlagWithValue(const std::string& option, const std::string& value) {
  return Fill(kFlagWithValue, {option, value});
}
std::string WrongValue(const std::string& option, const std::string& value) {
  return Fill(kWrongValue, {value, option});
}
std::string Refused(const std::string& option, std::string_view complaint) {
  return Fill(kOptionRefused, {option, complaint});
}
std::string OnlyWith(const std::string& option, const std::string& other) {
  return Fill(kOnlyWith, {option, other});
}
// Kept for what the program does not expect to hit, so that nothing is lost.
std::string Unexpected(const std::string& detail) {
  return Fill(kUnexpectedUsage, {detail});
}
std::string NotOneOf(const std::string& values, const std::string& value) {
  return Fill(kNotOneOf, {values, value});
}
std::string NotWholeNumber(const std::string& range, const std::string& value) {
  return Fill(kNotWholeNumber, {range, value});
}
}  // namespace text

// "a, b oder c".
std::string Alternatives(const std::vector<std::string>& values) {
  if (values.size() < 2) return Join(values, "");
  return Join(std::vector<std::string>(values.begin(), values.end() - 1), ", ") +
         texts::kLastAlternative + values.back();
}

// The program and the subcommands parsed so far.
std::vector<const CLI::App*> GivenCommands(const CLI::App& app) {
  std::vector<const CLI::App*> commands = {&app};
  for (size_t i = 0; i < commands.size(); ++i)
    for (const CLI::App* sub : commands[i]->get_subcommands()) commands.push_back(sub);
  return commands;
}

bool IsNameCharacter(char c) {
  return c == '-' || c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
         (c >= 'A' && c <= 'Z');
}

// Where `name` stands in `message` as a word of its own ("--sync" is not in "--sync-field").
size_t NamePosition(std::string_view message, std::string_view name) {
  for (size_t at = message.find(name); at != std::string_view::npos;
       at = message.find(name, at + 1)) {
    const size_t end = at + name.size();
    if ((at == 0 || !IsNameCharacter(message[at - 1])) &&
        (end == message.size() || !IsNameCharacter(message[end])))
      return at;
  }
  return std::string_view::npos;
}

// The library's messages carry no fields, only text that names the options concerned: these
// options of the given commands, in the order the message names them.
std::vector<const CLI::Option*> OptionsNamedIn(const CLI::App& app, std::string_view message) {
  std::vector<std::pair<size_t, const CLI::Option*>> found;
  for (const CLI::App* command : GivenCommands(app))
    for (const CLI::Option* option : command->get_options()) {
      const std::string name = option->get_name();
      const size_t at = name.empty() ? std::string_view::npos : NamePosition(message, name);
      if (at != std::string_view::npos) found.emplace_back(at, option);
    }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<const CLI::Option*> options;
  for (const auto& entry : found) options.push_back(entry.second);
  return options;
}

// A word no option took: an option the command does not know or a value without option. Only
// the option's name is repeated, not a value that follows it, which may be a password.
std::string StrayWord(const std::string& word) {
  if (!word.starts_with('-')) return text::StrayValue(word);
  return text::UnknownOption(std::string_view(word).substr(0, word.find('=')));
}

// No command was given, or a word that is none.
std::string NoCommand(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
    names.push_back(command->get_name());
  const std::string commands = Alternatives(names);
  const std::vector<std::string> rest = app.remaining(true);
  if (!rest.empty() && !rest.front().starts_with('-'))
    return text::UnknownCommand(rest.front(), commands);
  return text::MissingCommand(commands);
}

}  // namespace

std::string UsageMessage(const CLI::App& app, const CLI::ParseError& error) {
  const std::string message = error.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
    const std::vector<std::string> rest = app.remaining(true);
    return rest.empty() ? text::Unexpected(message) : StrayWord(rest.front());
  }
  const std::vector<const CLI::Option*> named = OptionsNamedIn(app, message);
  if (dynamic_cast<const CLI::RequiredError*>(&error))
    return named.empty() ? NoCommand(app) : text::MissingOption(named.front()->get_name());
  if (named.empty()) return text::Unexpected(message);
  const CLI::Option& option = *named.front();
  const std::string name = option.get_name();
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error))
    return option.count() > 1 ? text::Repeated(name) : text::MissingValue(name);
  if (dynamic_cast<const CLI::ConversionError*>(&error)) {
    const std::string value = option.results().empty() ? "" : option.results().front();
    return option.get_expected_max() == 0 ? text::FlagWithValue(name, value)
                                          : text::WrongValue(name, value);
  }
  // The library writes "NAME: " in front of the check's complaint.
  const std::string prefix = name + ": ";
  if (dynamic_cast<const CLI::ValidationError*>(&error) && message.starts_with(prefix))
    return text::Refused(name, std::string_view(message).substr(prefix.size()));
  if (dynamic_cast<const CLI::RequiresError*>(&error) && named.size() > 1)
    return text::OnlyWith(name, named[1]->get_name());
  return text::Unexpected(message);
}

CLI::Validator OneOf(std::vector<std::string> values) {
  const std::string description = "{" + Join(values, ",") + "}";
  return CLI::Validator(
      [values = std::move(values)](std::string& value) {
        return std::find(values.begin(), values.end(), value) != values.end()
                   ? std::string()
                   : text::NotOneOf(Alternatives(values), value);
      },
      description);
}

CLI::Validator WholeNumber(int64_t min, int64_t max) {
  const bool open = max == std::numeric_limits<int64_t>::max();
  const std::string bounds = Fill(texts::kBounds, {std::to_string(min), std::to_string(max)});
  const std::string range =
      open ? Fill(texts::kFrom, {std::to_string(min)}) : Fill(texts::kFromTo, {bounds});
  return CLI::Validator(
      [min, max, range](std::string& value) {
        int64_t number = 0;
        const char* end = value.data() + value.size();
        const auto [stop, failure] = std::from_chars(value.data(), end, number);
        const bool fits = failure == std::errc() && stop == end && number >= min && number <= max;
        return fits ? std::string() : text::NotWholeNumber(range, value);
      },
      open ? std::string() : bounds);
}

}  // namespace velra::cli
