#pragma once
// The German texts of opening a source of any format. Placeholders are %1, %2 ..., filled by
// Fill (base/Text.h); each reader keeps its own catalogue beside it.

namespace velra::source_texts {

// %1 the file.
inline constexpr const char* kNoTable = "Die Datei '%1' enthält keine Tabelle.";
// %1 the file, %2 the table asked for.
inline constexpr const char* kTableMissing = "Die Datei '%1' enthält keine Tabelle '%2'.";
// %1 the name given.
inline constexpr const char* kUnknownEncoding =
    "Die Zeichenkodierung '%1' ist unbekannt; möglich sind 'auto', 'utf-8', 'windows-1252' und "
    "'cp850'.";

}  // namespace velra::source_texts
