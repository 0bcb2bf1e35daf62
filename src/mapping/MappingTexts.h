#pragma once
// The German texts of the column mapping. Placeholders are %1, %2 ..., filled by Fill
// (base/Text.h).

namespace velra::mapping_texts {

inline constexpr const char* kTableMissing =
    "Die Tabelle '%1' gibt es in der Firmendatenbank nicht.";
// %1 the column left without field, %2 the field's caption, %3 the column that keeps it.
inline constexpr const char* kColumnLeftOut =
    "Spalte '%1' wurde nicht zugeordnet, weil '%2' schon der Spalte '%3' zugeordnet ist.";
// %1 and %2 the columns, %3 the field's caption.
inline constexpr const char* kTwoColumnsOnOneField =
    "Die Spalten '%1' und '%2' sind beide dem Feld '%3' zugeordnet; der Import würde den einen "
    "Wert mit dem anderen überschreiben. Heben Sie eine der beiden Zuordnungen auf.";

}  // namespace velra::mapping_texts
