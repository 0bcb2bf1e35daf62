#pragma once
// Small text services shared by every module. All texts are UTF-8.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velra {

// Removes spaces and tabs at both ends.
std::string Trim(std::string_view text);
// Removes only the space character at both ends (the rule for imported values).
std::string TrimBlanks(std::string_view text);

// Simple Unicode case folding, so that "STRAßE" and "straße" compare equal but "Straße" and
// "Strasse" do not (names in ini files compare like the suite's own profile functions).
std::string FoldCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);
std::string ToUpper(std::string_view text);

// 1-based position of the last occurrence of the first character of `character` (a UTF-8 code
// point) in `text`, counted in characters; 0 when absent or when `character` is empty.
int32_t LastPosition(std::string_view text, std::string_view character);

// Splits at every occurrence of `separator`; an empty separator gives the whole text as one piece.
std::vector<std::string> Split(std::string_view text, std::string_view separator);
std::string Join(const std::vector<std::string>& pieces, std::string_view separator);
std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with);
// A message of a catalogue with its placeholders %1 to %9 replaced by `values` in order, in one
// pass: a value that holds "%2" itself stays as it is. A placeholder without a value stays.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values);

// Number of Unicode characters of a UTF-8 text.
size_t CharacterCount(std::string_view text);
// The first `count` characters of a UTF-8 text.
std::string FirstCharacters(std::string_view text, size_t count);

// The integer at the start of a trimmed text (optional sign, decimal digits), as the suite reads
// numbers from its ini files; nullopt when the text does not start with a number.
std::optional<int64_t> LeadingInteger(std::string_view text);

}  // namespace velra
