#pragma once
// The character sets a user can choose for text and dBase files, by the names that the command
// line, profiles and LoadReport::encoding use.

#include <string>
#include <string_view>

namespace velra {

namespace text_encoding {
inline constexpr std::string_view kAuto = "auto";
inline constexpr std::string_view kUtf8 = "utf-8";
inline constexpr std::string_view kUtf8Bom = "utf-8-bom";
inline constexpr std::string_view kWindows1252 = "windows-1252";
inline constexpr std::string_view kCp850 = "cp850";  // DOS, Western Europe
inline constexpr std::string_view kUtf16Le = "utf-16le";
inline constexpr std::string_view kUtf16Be = "utf-16be";
}  // namespace text_encoding

enum class EncodingChoice { Auto, Utf8, Windows1252, Cp850 };

// The choice a name stands for, letter case and blanks ignored; empty is "auto". Throws
// SourceError (Unsupported) for other names.
EncodingChoice EncodingChoiceOf(const std::string& name);

}  // namespace velra
