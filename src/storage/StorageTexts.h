#pragma once
// The German texts of the warehouse tree. Placeholders are %1, %2 ..., filled by Fill
// (base/Text.h).

namespace velra::storage_texts {

inline constexpr const char* kCannotRead = "Die Lagerstruktur kann nicht gelesen werden: %1";
inline constexpr const char* kNoTable =
    "In der Firmendatenbank fehlt die Tabelle StorageStructure.";
inline constexpr const char* kNoField = "Der Tabelle StorageStructure fehlt das Feld %1.";

}  // namespace velra::storage_texts
